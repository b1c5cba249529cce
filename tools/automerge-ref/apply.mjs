// apply.mjs IN OPS_JSON OUT
// Loads IN ("-" starts from an empty document), makes the changes described by OPS_JSON, saves
// the result to OUT as one document chunk and prints its heads, sorted, one per line.
// OPS_JSON is a file name or, when it starts with "{" or "[", the JSON itself. The op language
// is described in README.md.
import { readFileSync } from "node:fs";
import { A, readBytes, runMain, usage, writeBytes } from "./lib.mjs";
import { fail, makeChange } from "./ops.mjs";

const args = process.argv.slice(2);
usage(args.length === 3, "apply.mjs IN|- OPS_JSON OUT");

function readOps(arg) {
    const text = /^\s*[[{]/.test(arg) ? arg : readFileSync(arg, "utf8");
    const parsed = JSON.parse(text);
    return Array.isArray(parsed) ? parsed : [parsed];
}

runMain(() => {
    const changes = readOps(args[1]);
    let h = args[0] === "-" ? A.getBackend(A.init()) : A.getBackend(A.load(readBytes(args[0])));
    changes.forEach((change, c) => {
        const where = `change ${c}`;
        if (change === null || typeof change !== "object" || Array.isArray(change)) fail(where, "a change must be an object");
        if (typeof change.actor !== "string" || !/^([0-9a-f]{2})+$/.test(change.actor)) {
            fail(where, "actor must be lowercase hex");
        }
        if (h.getActorId() !== change.actor) h = h.fork(change.actor);
        makeChange(h, change, where);
    });
    writeBytes(args[2], h.save());
    process.stdout.write([...h.getHeads()].sort().map((x) => x + "\n").join(""));
});
