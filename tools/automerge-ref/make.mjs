// make.mjs SCENARIO OUT
// Writes the reference-made file for SCENARIO to OUT (the scenarios are in scenarios.mjs).
// Run with no arguments to list the scenarios.
import { runMain, usage, writeBytes } from "./lib.mjs";
import { SCENARIOS } from "./scenarios.mjs";

const args = process.argv.slice(2);
if (args.length === 0) {
    process.stdout.write(Object.keys(SCENARIOS).join("\n") + "\n");
    process.exit(0);
}
usage(args.length === 2 && args[0] in SCENARIOS, `make.mjs SCENARIO OUT, SCENARIO one of ${Object.keys(SCENARIOS).join(" ")}`);

runMain(() => {
    writeBytes(args[1], SCENARIOS[args[0]]());
});
