// heads.mjs FILE
// Prints the heads of the document in FILE as lowercase hex, sorted, one per line.
import { loadFile, runMain, sortedHeads, usage } from "./lib.mjs";

const args = process.argv.slice(2);
usage(args.length === 1, "heads.mjs FILE");

runMain(() => {
    const heads = sortedHeads(loadFile(args[0]));
    process.stdout.write(heads.map((h) => h + "\n").join(""));
});
