// bench.mjs FILE [--puts] [--repeat N]
// Times the reference on FILE for bench/automerge_bench.cpp and prints one JSON line:
//   {"file_bytes":n,"memory_bytes":n,"rss_bytes":n,"load_ms":x,"save_ms":x[,"puts_ms":x]}
// Times are medians of N runs (default 5). --puts also times one change that sets "edited" to
// true on every message of a chat document (messages -> channel id -> list of message maps).
// Run with node --expose-gc: memory is measured between forced collections.
import { A, readBytes, runMain, usage } from "./lib.mjs";

const args = process.argv.slice(2);
const puts = args.includes("--puts");
const at = args.indexOf("--repeat");
const repeat = at >= 0 ? Number(args[at + 1]) : 5;
const files = args.filter((a, i) => a !== "--puts" && a !== "--repeat" && (at < 0 || i !== at + 1));
usage(files.length === 1 && Number.isInteger(repeat) && repeat > 0 && typeof gc === "function",
    "node --expose-gc bench.mjs FILE [--puts] [--repeat N]");

function median(times) {
    const sorted = [...times].sort((a, b) => a - b);
    return sorted[Math.floor(sorted.length / 2)];
}

function timed(run) {
    const start = process.hrtime.bigint();
    run();
    return Number(process.hrtime.bigint() - start) / 1e6;
}

// The reference keeps its documents in WebAssembly memory, which V8 reports under `external`
// (not `arrayBuffers`), so the figure is heapUsed + external: JS objects plus the wasm heap.
// Wasm memory only grows, so this must run first, before other loads have grown it.
function memoryGrowth(bytes) {
    gc();
    const before = process.memoryUsage();
    const doc = A.load(bytes);
    gc();
    const after = process.memoryUsage();
    const figure = (m) => m.heapUsed + m.external;
    return { doc, memory: figure(after) - figure(before), rss: after.rss - before.rss };
}

function setEdited(doc) {
    return A.change(doc, (d) => {
        for (const channel of Object.keys(d.messages)) {
            const list = d.messages[channel];
            for (let i = 0; i < list.length; i++)
                list[i].edited = true;
        }
    });
}

runMain(() => {
    const bytes = readBytes(files[0]);
    const { doc, memory, rss } = memoryGrowth(bytes);
    const result = { file_bytes: bytes.length, memory_bytes: memory, rss_bytes: rss };
    const loads = [], saves = [], changes = [];
    // Each copy is freed at once, so the wasm heap does not grow with every run.
    for (let i = 0; i < repeat; i++) {
        let loaded;
        loads.push(timed(() => (loaded = A.load(bytes))));
        A.free(loaded);
    }
    for (let i = 0; i < repeat; i++)
        saves.push(timed(() => A.save(doc)));
    result.load_ms = median(loads);
    result.save_ms = median(saves);
    if (puts) {
        for (let i = 0; i < repeat; i++) {
            const fresh = A.load(bytes);
            let changed;
            changes.push(timed(() => (changed = setEdited(fresh))));
            A.free(changed);
        }
        result.puts_ms = median(changes);
    }
    process.stdout.write(JSON.stringify(result) + "\n");
});
