// dump.mjs FILE [--conflicts]
// Loads FILE (a document chunk, change chunks, or any concatenation of them) and prints the
// document's canonical JSON on one line. See README.md for the format.
import { canonicalDump, loadFile, runMain, usage } from "./lib.mjs";

const args = process.argv.slice(2);
const conflicts = args.includes("--conflicts");
const files = args.filter((a) => a !== "--conflicts");
usage(files.length === 1, "dump.mjs FILE [--conflicts]");

runMain(() => {
    process.stdout.write(canonicalDump(loadFile(files[0]), { conflicts }) + "\n");
});
