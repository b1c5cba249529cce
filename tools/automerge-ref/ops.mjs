// The op language shared by apply.mjs and replay.mjs (described in README.md): edits given as
// paths from the root and tagged values, made straight on the document's backend
// (put/insert/splice/... with an explicit datatype) rather than through the change() proxies, so
// every value lands with exactly the type asked for.
import { backendValue, compareUtf8 } from "./lib.mjs";

const OBJECT_TYPES = new Set(["map", "list", "text", "table"]);

export function fail(where, message) {
    throw new Error(`${where}: ${message}`);
}

function resolveObject(h, path, where) {
    if (!Array.isArray(path)) fail(where, "path must be a list");
    let obj = "_root";
    for (const p of path) {
        const full = h.getWithType(obj, p);
        if (full === null) fail(where, `nothing at ${JSON.stringify(p)} in path ${JSON.stringify(path)}`);
        if (!OBJECT_TYPES.has(full[0])) fail(where, `${JSON.stringify(p)} in path is a ${full[0]}, not an object`);
        obj = full[1];
    }
    return obj;
}

// The object at path[:-1] and the last element of path.
function resolveParent(h, path, where) {
    if (!Array.isArray(path) || path.length === 0) fail(where, "path must name a key or an index");
    const parent = resolveObject(h, path.slice(0, -1), where);
    const last = path[path.length - 1];
    const type = h.objInfo(parent).type;
    if (type === "list" || type === "text") {
        if (!Number.isInteger(last) || last < 0) fail(where, `index into a ${type} must be a whole number`);
    } else if (typeof last !== "string") {
        fail(where, "key into a map must be a string");
    }
    return [parent, last, type];
}

function tagged(v, where) {
    try {
        return backendValue(v);
    } catch (e) {
        fail(where, e.message);
    }
}

// Fills a freshly made map or list with the contents of its tagged value: map entries in the
// UTF-8 order of their keys, list items in order.
function fill(h, obj, v, where) {
    const [tag] = Object.keys(v);
    if (tag === "_map") {
        const keys = Object.keys(v._map).sort(compareUtf8);
        for (const k of keys) putValue(h, obj, k, v._map[k], where);
    } else if (tag === "_list") {
        v._list.forEach((item, i) => insertValue(h, obj, i, item, where));
    }
}

function putValue(h, obj, prop, v, where) {
    const b = tagged(v, where);
    if ("object" in b) fill(h, h.putObject(obj, prop, b.object), v, where);
    else h.put(obj, prop, b.value, b.datatype);
}

function insertValue(h, obj, index, v, where) {
    const b = tagged(v, where);
    if ("object" in b) fill(h, h.insertObject(obj, index, b.object), v, where);
    else h.insert(obj, index, b.value, b.datatype);
}

// Text positions in the op language count Unicode code points; the backend counts UTF-16 units.
function utf16Index(text, codePoints, where) {
    let units = 0;
    let seen = 0;
    for (const ch of text) {
        if (seen === codePoints) break;
        units += ch.length;
        seen++;
    }
    if (seen !== codePoints) fail(where, `position ${codePoints} is past the end of the text (${seen})`);
    return units;
}

function checkIndex(h, obj, index, max, where) {
    const n = h.length(obj);
    if (index > n || (max === "inside" && index >= n)) fail(where, `index ${index} out of range (length ${n})`);
}

export function applyOp(h, op, where) {
    if (op === null || typeof op !== "object") fail(where, "an op must be an object");
    switch (op.op) {
        case "put": {
            const [parent, key, type] = resolveParent(h, op.path, where);
            if (type === "text") fail(where, "put into text: use splice");
            if (type === "list") checkIndex(h, parent, key, "inside", where);
            putValue(h, parent, key, op.value, where);
            break;
        }
        case "insert": {
            const [parent, index, type] = resolveParent(h, op.path, where);
            if (type !== "list") fail(where, `insert needs a list, not a ${type}`);
            checkIndex(h, parent, index, "end", where);
            insertValue(h, parent, index, op.value, where);
            break;
        }
        case "delete": {
            const [parent, key, type] = resolveParent(h, op.path, where);
            if (type === "text") fail(where, "delete from text: use splice");
            if (type === "list") {
                const count = op.count ?? 1;
                if (!Number.isInteger(count) || count < 1) fail(where, "count must be a whole number from 1");
                if (key + count > h.length(parent)) fail(where, `deleting ${count} at ${key} runs past the end`);
                for (let i = 0; i < count; i++) h.delete(parent, key);
            } else {
                if (op.count !== undefined) fail(where, "count is for lists only");
                if (h.getWithType(parent, key) === null) fail(where, `no key ${JSON.stringify(key)} to delete`);
                h.delete(parent, key);
            }
            break;
        }
        case "splice": {
            const obj = resolveObject(h, op.path, where);
            if (h.objInfo(obj).type !== "text") fail(where, "splice needs a text object");
            const del = op.delete ?? 0;
            const text = op.text ?? "";
            if (!Number.isInteger(op.index) || op.index < 0) fail(where, "index must be a whole number");
            if (!Number.isInteger(del) || del < 0) fail(where, "delete must be a whole number");
            if (typeof text !== "string") fail(where, "text must be a string");
            const current = h.text(obj);
            const start = utf16Index(current, op.index, where);
            const end = utf16Index(current, op.index + del, where);
            h.splice(obj, start, end - start, text);
            break;
        }
        case "increment": {
            const [parent, key, type] = resolveParent(h, op.path, where);
            if (type === "text") fail(where, "increment in text");
            const full = h.getWithType(parent, key);
            if (full === null || full[0] !== "counter") fail(where, "increment needs a counter");
            if (!Number.isSafeInteger(op.by)) fail(where, "by must be a whole number");
            h.increment(parent, key, op.by);
            break;
        }
        default:
            fail(where, `unknown op ${JSON.stringify(op.op)}`);
    }
}

// Makes the ops of `change` ({time?, message?, ops}) on h and commits them as one change, with the
// time and message given (an empty change when no op is left pending).
export function makeChange(h, change, where) {
    const time = change.time ?? 0;
    const message = change.message ?? null;
    if (!Number.isSafeInteger(time)) fail(where, "time must be a whole number");
    if (message !== null && typeof message !== "string") fail(where, "message must be a string");
    if (!Array.isArray(change.ops)) fail(where, "ops must be a list");
    change.ops.forEach((op, i) => applyOp(h, op, `${where} op ${i}`));
    if (change.ops.length === 0 || h.pendingOps() === 0) h.emptyChange(message, time);
    else h.commit(message, time);
}
