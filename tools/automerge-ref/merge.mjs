// merge.mjs A B OUT
// Loads A and B, merges B into A and saves the result to OUT as one document chunk. Prints the
// merged heads, sorted, one per line.
import { A, loadFile, runMain, sortedHeads, usage, writeBytes } from "./lib.mjs";

const args = process.argv.slice(2);
usage(args.length === 3, "merge.mjs A B OUT");

runMain(() => {
    const merged = A.merge(loadFile(args[0]), loadFile(args[1]));
    writeBytes(args[2], A.save(merged));
    process.stdout.write(sortedHeads(merged).map((h) => h + "\n").join(""));
});
