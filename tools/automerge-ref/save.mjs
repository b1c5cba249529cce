// save.mjs IN OUT [--changes | --no-compress]
// Loads IN and writes it back out the way the reference saves it:
//   (default)      one document chunk, large columns deflated (Automerge.save)
//   --no-compress  one document chunk, nothing deflated
//   --changes      every change as its own change chunk, concatenated in causal order
// Prints the heads, sorted, one per line.
import { A, loadFile, runMain, sortedHeads, usage, writeBytes } from "./lib.mjs";

const args = process.argv.slice(2);
const flags = args.filter((a) => a.startsWith("--"));
const files = args.filter((a) => !a.startsWith("--"));
const known = ["--changes", "--no-compress"];
usage(files.length === 2 && flags.length <= 1 && flags.every((f) => known.includes(f)),
    "save.mjs IN OUT [--changes | --no-compress]");

runMain(() => {
    const doc = loadFile(files[0]);
    let bytes;
    if (flags[0] === "--changes") {
        bytes = Buffer.concat(A.getAllChanges(doc));
    } else if (flags[0] === "--no-compress") {
        bytes = A.getBackend(doc).saveNoCompress();
    } else {
        bytes = A.save(doc);
    }
    writeBytes(files[1], bytes);
    process.stdout.write(sortedHeads(doc).map((h) => h + "\n").join(""));
});
