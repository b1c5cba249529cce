// replay.mjs PROGRAM_JSON OUTDIR
// Runs a program of edits on several documents at once, the way concurrent replicas would, and
// saves each document to OUTDIR/<index>.automerge. Prints each document's heads, sorted, one
// line per document, space separated. PROGRAM_JSON is a file name or the JSON itself: a list of
// steps, each one of
//   {"new": i, "actor": hex}                  document i starts empty, writing as actor
//   {"fork": i, "from": j, "actor": hex}      document i is a fork of j writing as actor
//   {"change": i, "time"?: t, "message"?: s, "ops": [...]}
//                                             one change on document i (the op language of apply.mjs)
//   {"merge": i, "from": j}                   document i merges document j
// Document indices are small whole numbers; each is made (new or fork) before it is used.
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { A, runMain, usage, writeBytes } from "./lib.mjs";
import { fail, makeChange } from "./ops.mjs";

const args = process.argv.slice(2);
usage(args.length === 2, "replay.mjs PROGRAM_JSON OUTDIR");

const ACTOR = /^([0-9a-f]{2})+$/;

runMain(() => {
    const text = /^\s*\[/.test(args[0]) ? args[0] : readFileSync(args[0], "utf8");
    const steps = JSON.parse(text);
    if (!Array.isArray(steps)) fail("program", "must be a list of steps");
    const docs = [];
    const doc = (i, where) => {
        if (!Number.isInteger(i) || docs[i] === undefined) fail(where, `no document ${JSON.stringify(i)}`);
        return docs[i];
    };
    const slot = (i, where) => {
        if (!Number.isInteger(i) || i < 0 || i > 255) fail(where, `document index ${JSON.stringify(i)}`);
        return i;
    };
    const actor = (step, where) => {
        if (typeof step.actor !== "string" || !ACTOR.test(step.actor)) fail(where, "actor must be lowercase hex");
        return step.actor;
    };
    steps.forEach((step, s) => {
        const where = `step ${s}`;
        if (step === null || typeof step !== "object" || Array.isArray(step)) fail(where, "a step must be an object");
        if ("new" in step) docs[slot(step.new, where)] = A.getBackend(A.init(actor(step, where)));
        else if ("fork" in step) docs[slot(step.fork, where)] = doc(step.from, where).fork(actor(step, where));
        else if ("change" in step) makeChange(doc(step.change, where), step, where);
        else if ("merge" in step) doc(step.merge, where).merge(doc(step.from, where));
        else fail(where, "unknown step");
    });
    const lines = [];
    docs.forEach((h, i) => {
        if (h === undefined) return;
        writeBytes(join(args[1], `${i}.automerge`), h.save());
        lines.push([...h.getHeads()].sort().join(" "));
    });
    process.stdout.write(lines.map((x) => x + "\n").join(""));
});
