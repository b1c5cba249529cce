// fixtures.mjs OUTDIR [PERF_DIR]
// Regenerates the committed reference fixtures in OUTDIR (normally
// platform/automerge/tests/fixtures/reference):
//   NAME.automerge        the file scenario NAME writes (see scenarios.mjs)
//   NAME.json             its canonical dump, as dump.mjs prints it
//   NAME.conflicts.json   the same with --conflicts
//   manifest.json         reference version, and size and sha256 of every NAME.automerge
//   perf.json             with PERF_DIR: what the reference makes of each file there (heads,
//                         sha256 of the dumps, or the error it refuses the file with); the
//                         files themselves are not copied
import { createHash } from "node:crypto";
import { readdirSync, readFileSync, writeFileSync, mkdirSync } from "node:fs";
import { join } from "node:path";
import { A, canonicalDump, sortedHeads } from "./lib.mjs";
import { SCENARIOS } from "./scenarios.mjs";

const args = process.argv.slice(2);
if (args.length < 1 || args.length > 2) {
    process.stderr.write("usage: fixtures.mjs OUTDIR [PERF_DIR]\n");
    process.exit(2);
}
const [outDir, perfDir] = args;
mkdirSync(outDir, { recursive: true });

const sha256 = (data) => createHash("sha256").update(data).digest("hex");
const version = JSON.parse(
    readFileSync(new URL("./node_modules/@automerge/automerge/package.json", import.meta.url), "utf8"),
).version;

const manifest = { reference: `@automerge/automerge ${version}`, files: {} };
for (const [name, make] of Object.entries(SCENARIOS)) {
    const bytes = Buffer.from(make());
    const doc = A.load(new Uint8Array(bytes));
    writeFileSync(join(outDir, `${name}.automerge`), bytes);
    writeFileSync(join(outDir, `${name}.json`), canonicalDump(doc) + "\n");
    writeFileSync(join(outDir, `${name}.conflicts.json`), canonicalDump(doc, { conflicts: true }) + "\n");
    manifest.files[`${name}.automerge`] = { bytes: bytes.length, sha256: sha256(bytes) };
    process.stdout.write(`${name}: ${bytes.length} bytes, ${sortedHeads(doc).length} heads\n`);
}
writeFileSync(join(outDir, "manifest.json"), JSON.stringify(manifest, null, 2) + "\n");

if (perfDir) {
    const perf = { reference: manifest.reference, files: {} };
    const names = readdirSync(perfDir)
        .filter((f) => !f.endsWith(".md"))
        .sort();
    for (const name of names) {
        const bytes = readFileSync(join(perfDir, name));
        const entry = { bytes: bytes.length, sha256: sha256(bytes) };
        let doc;
        try {
            doc = A.load(new Uint8Array(bytes));
        } catch (e) {
            entry.loads = false;
            entry.error = String(e && e.message ? e.message : e);
        }
        if (doc) {
            entry.loads = true;
            entry.heads = sortedHeads(doc);
            const stats = A.stats(doc);
            entry.changes = stats.numChanges;
            entry.ops = stats.numOps;
            entry.actors = stats.numActors;
            const dump = canonicalDump(doc);
            entry.dump_bytes = Buffer.byteLength(dump);
            entry.dump_sha256 = sha256(dump);
            entry.conflicts_dump_sha256 = sha256(canonicalDump(doc, { conflicts: true }));
            const backend = A.getBackend(doc);
            entry.root_keys = backend.keys("_root");
            const texts = {};
            for (const key of entry.root_keys) {
                const full = backend.getWithType("_root", key);
                if (full && full[0] === "text") {
                    const s = backend.text(full[1]);
                    texts[key] = { code_points: [...s].length, utf16_units: s.length, utf8_bytes: Buffer.byteLength(s) };
                }
            }
            entry.texts = texts;
        }
        perf.files[name] = entry;
        process.stdout.write(`${name}: ${entry.loads ? `loads, ${entry.heads.length} heads` : `refused: ${entry.error}`}\n`);
    }
    writeFileSync(join(outDir, "perf.json"), JSON.stringify(perf, null, 2) + "\n");
}
