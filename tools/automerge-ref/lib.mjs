// Shared pieces of the reference tools: reading and writing files, the canonical JSON form of a
// document (see README.md), and turning tagged JSON values into what the backend writes.
import { readFileSync, writeFileSync } from "node:fs";
import * as A from "@automerge/automerge";

export { A };

export function readBytes(path) {
    return new Uint8Array(readFileSync(path));
}

export function writeBytes(path, bytes) {
    writeFileSync(path, bytes);
}

export function loadFile(path) {
    return A.load(readBytes(path));
}

export function sortedHeads(doc) {
    return [...A.getHeads(doc)].sort();
}

// Exits with status 2 and a usage line when the argument count is wrong.
export function usage(ok, text) {
    if (!ok) {
        process.stderr.write(`usage: ${text}\n`);
        process.exit(2);
    }
}

// Runs main, turning any thrown error into one line on stderr and exit status 1.
export function runMain(main) {
    try {
        main();
    } catch (e) {
        process.stderr.write(`error: ${e && e.message ? e.message : String(e)}\n`);
        process.exit(1);
    }
}

// ---- canonical JSON -------------------------------------------------------------------------

const utf8 = new TextEncoder();

export function compareUtf8(a, b) {
    return Buffer.compare(Buffer.from(utf8.encode(a)), Buffer.from(utf8.encode(b)));
}

// JSON.stringify's escaping: \" \\ \b \f \n \r \t, other code points below 0x20 and lone
// surrogates as \u00xx / \udxxx (lowercase hex), everything else as raw UTF-8.
export function jsonString(s) {
    return JSON.stringify(s);
}

// ECMAScript Number::toString (shortest digits that round-trip), with the values JSON lacks
// written as strings.
export function f64Text(x) {
    if (Number.isNaN(x)) return '"NaN"';
    if (x === Infinity) return '"Infinity"';
    if (x === -Infinity) return '"-Infinity"';
    if (Object.is(x, -0)) return "-0";
    return String(x);
}

function intText(x) {
    // number or bigint; both print as exact decimal integers.
    if (typeof x === "number" && !Number.isSafeInteger(x)) throw new Error(`inexact integer ${x}`);
    return String(x);
}

function hex(bytes) {
    return Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength).toString("hex");
}

function objectText(entries) {
    // entries: [key, text] already rendered; sorted here by the key's UTF-8 bytes.
    entries.sort((a, b) => compareUtf8(a[0], b[0]));
    return "{" + entries.map(([k, v]) => jsonString(k) + ":" + v).join(",") + "}";
}

// One value as returned by the backend: [datatype, value, opid?].
function valueText(backend, full, conflicts) {
    const [type, value] = full;
    switch (type) {
        case "map":
        case "table":
        case "list":
        case "text":
            return objText(backend, value, conflicts);
        case "str":
            return `{"str":${jsonString(value)}}`;
        case "int":
            return `{"int":${intText(value)}}`;
        case "uint":
            return `{"uint":${intText(value)}}`;
        case "f64":
            return `{"f64":${f64Text(value)}}`;
        case "boolean":
            return `{"bool":${value ? "true" : "false"}}`;
        case "null":
            return `{"null":true}`;
        case "bytes":
            return `{"bytes":"${hex(value)}"}`;
        case "counter":
            return `{"counter":${intText(value)}}`;
        case "timestamp": {
            const ms = value instanceof Date ? value.getTime() : value;
            if (typeof ms === "number" && Number.isNaN(ms)) throw new Error("timestamp out of range");
            return `{"timestamp":${intText(ms)}}`;
        }
        default:
            throw new Error(`no canonical form for values of type ${type}`);
    }
}

// The value at obj[prop]: the winning one, or with conflicts on and several values present,
// {"_conflicts":{opid: value}}.
function slotText(backend, obj, prop, conflicts) {
    if (conflicts) {
        const all = backend.getAll(obj, prop);
        if (all.length > 1) {
            const entries = all.map((full) => {
                const opid = full.length === 3 ? full[2] : full[1];
                return [opid, valueText(backend, full, conflicts)];
            });
            return `{"_conflicts":${objectText(entries)}}`;
        }
        if (all.length === 1) return valueText(backend, all[0], conflicts);
    }
    const full = backend.getWithType(obj, prop);
    if (full === null) throw new Error(`missing value at ${obj} ${prop}`);
    return valueText(backend, full, conflicts);
}

function objText(backend, obj, conflicts) {
    const info = backend.objInfo(obj);
    switch (info.type) {
        case "map":
        case "table": {
            const entries = backend.keys(obj).map((k) => [k, slotText(backend, obj, k, conflicts)]);
            return `{"${info.type === "map" ? "_map" : "_table"}":${objectText(entries)}}`;
        }
        case "list": {
            const n = backend.length(obj);
            const items = [];
            for (let i = 0; i < n; i++) items.push(slotText(backend, obj, i, conflicts));
            return `{"_list":[${items.join(",")}]}`;
        }
        case "text":
            return `{"_text":${jsonString(backend.text(obj))}}`;
        default:
            throw new Error(`unexpected object type ${info.type}`);
    }
}

// The whole document as one line of canonical JSON.
export function canonicalDump(doc, { conflicts = false } = {}) {
    const backend = A.getBackend(doc);
    const heads = sortedHeads(doc).map(jsonString).join(",");
    return `{"heads":[${heads}],"doc":${objText(backend, "_root", conflicts)}}`;
}

// ---- tagged JSON values -> backend values ------------------------------------------------------

function wholeNumber(x, what) {
    if (typeof x === "string" && /^-?[0-9]+$/.test(x)) return BigInt(x);
    if (typeof x === "number" && Number.isSafeInteger(x)) return BigInt(x);
    throw new Error(`bad ${what} ${JSON.stringify(x)}`);
}

// A bigint as the backend takes it: a plain number when that is exact.
function backendInt(b) {
    return Number.isSafeInteger(Number(b)) ? Number(b) : b;
}

function f64Value(x) {
    if (typeof x === "number") return x;
    if (x === "NaN") return NaN;
    if (x === "Infinity") return Infinity;
    if (x === "-Infinity") return -Infinity;
    throw new Error(`bad f64 ${JSON.stringify(x)}`);
}

const INT64_MIN = -(2n ** 63n);
const INT64_MAX = 2n ** 63n - 1n;
const UINT64_MAX = 2n ** 64n - 1n;

function inRange(b, lo, hi, what, x) {
    if (b < lo || b > hi) throw new Error(`${what} out of range ${JSON.stringify(x)}`);
    return b;
}

// A tagged JSON value (the dump's form) as what the backend's put/insert take:
//   {object: {} | [] | "initial text"} for a new object (its contents are added separately), or
//   {value, datatype} for a scalar.
export function backendValue(v) {
    if (v === null || typeof v !== "object" || Array.isArray(v)) throw new Error(`untagged value ${JSON.stringify(v)}`);
    const keys = Object.keys(v);
    if (keys.length !== 1) throw new Error(`a value needs exactly one tag: ${JSON.stringify(v)}`);
    const [tag] = keys;
    const x = v[tag];
    switch (tag) {
        case "_map":
            if (x === null || typeof x !== "object" || Array.isArray(x)) throw new Error("_map needs an object");
            return { object: {} };
        case "_list":
            if (!Array.isArray(x)) throw new Error("_list needs a list");
            return { object: [] };
        case "_text":
            if (typeof x !== "string") throw new Error("_text needs a string");
            return { object: x };
        case "str":
            if (typeof x !== "string") throw new Error("str needs a string");
            return { value: x, datatype: "str" };
        case "int":
            return { value: backendInt(inRange(wholeNumber(x, "int"), INT64_MIN, INT64_MAX, "int", x)), datatype: "int" };
        case "uint":
            // The backend wants a bigint for a uint, whatever its size.
            return { value: inRange(wholeNumber(x, "uint"), 0n, UINT64_MAX, "uint", x), datatype: "uint" };
        case "f64":
            return { value: f64Value(x), datatype: "f64" };
        case "bool":
            if (typeof x !== "boolean") throw new Error("bool needs true or false");
            return { value: x, datatype: "boolean" };
        case "null":
            if (x !== true) throw new Error('null is written {"null":true}');
            return { value: null, datatype: "null" };
        case "bytes":
            if (typeof x !== "string" || !/^([0-9a-f]{2})*$/.test(x)) throw new Error("bytes needs lowercase hex");
            return { value: new Uint8Array(Buffer.from(x, "hex")), datatype: "bytes" };
        case "counter": {
            const b = inRange(wholeNumber(x, "counter"), -(2n ** 53n) + 1n, 2n ** 53n - 1n, "counter", x);
            return { value: Number(b), datatype: "counter" };
        }
        case "timestamp": {
            const b = inRange(wholeNumber(x, "timestamp"), -(2n ** 53n) + 1n, 2n ** 53n - 1n, "timestamp", x);
            return { value: Number(b), datatype: "timestamp" };
        }
        default:
            throw new Error(`unknown value tag ${tag}`);
    }
}
