// The reference-made documents behind the committed fixtures. Each scenario returns the bytes of
// one file. Actors and change times are fixed, so the same reference version always writes the
// same bytes.
//
// Two habits of the reference's batch insertion (object literals, push, insertAt) that these
// scenarios work around or keep on purpose:
//  - Int/Uint/Float64 wrappers inside a literal or a list insert become maps ({value: n}), so
//    typed numbers only ever go in by direct assignment (doc.key = value, list[i] = value) or
//    straight through the backend;
//  - plain numbers that are zero or negative are stored as f64 there, while direct assignment
//    stores them as int. The files keep whatever was stored; the dumps show it.
import { A } from "./lib.mjs";

export const ACTOR_A = "a1".repeat(16);
export const ACTOR_B = "b2".repeat(16);
export const ACTOR_C = "c3".repeat(16);

const T0 = 1700000000; // change times are seconds, as the reference's own default is

const S = (s) => new A.ImmutableString(s);

function changer(start) {
    let t = start;
    return (doc, message, fn) => A.change(doc, { time: t++, message }, fn);
}

function nested() {
    const change = changer(T0);
    let d = A.init({ actor: ACTOR_A });
    d = change(d, "create", (d) => {
        d.title = S("nested");
        d.profile = { name: S("Ada"), tags: [S("math"), S("engines"), S("poetry")] };
        d.profile.address = { city: S("London"), zip: S("NW1") };
        d.matrix = [
            [1, 2],
            [3, 4],
        ];
        d.items = [
            { name: S("bolt"), qty: 10 },
            { name: S("nut"), qty: 20 },
        ];
        d.gone = { a: 1, b: [1, 2, 3] };
        d.empty_map = {};
        d.empty_list = [];
        d.deep = { b: { c: { d: [{ e: [[], {}] }] } } };
        // keys whose UTF-16 order differs from their UTF-8 order, and other odd keys
        d.keys = {};
        for (const k of ["Z", "a", "é", "中", "！", "🎉", "1", "10", "2", "", "a b", "tab\t", "e\u0301"]) {
            d.keys[k] = S(k);
        }
    });
    d = change(d, "edit", (d) => {
        delete d.gone;
        A.deleteAt(d.profile.tags, 1);
        d.profile.tags.push(S("chess"));
        d.matrix[1].push(5);
        A.insertAt(d.matrix, 0, []);
        d.items[0].qty = 11;
        delete d.items[1].name;
        d.profile.address = S("moved"); // a map replaced by a scalar
        d.title = S("nested, edited");
        d.empty_list = {}; // a list replaced by a map
    });
    d = change(d, "more", (d) => {
        A.deleteAt(d.matrix, 1, 1);
        d.deep.b.c.d[0].e[0].push(S("x"), S("y"));
        A.deleteAt(d.deep.b.c.d[0].e[0], 0);
        d.items.push({ name: S("washer"), qty: 0 });
        A.deleteAt(d.items, 0);
        delete d.keys[""];
    });
    return A.save(d);
}

function text() {
    const change = changer(T0);
    let d = A.init({ actor: ACTOR_A });
    d = change(d, "create", (d) => {
        d.text = "héllo wörld";
        d.empty = "";
        d.notes = ["first note", "second"];
        d.nested = { body: "中文 text" };
        d.escapes = 'quote " backslash \\ newline \n tab \t nul \u0000 bell \u0007 del \u007f ls \u2028';
    });
    d = change(d, "splices", (d) => {
        A.splice(d, ["text"], 0, 0, "🎉 "); // 🎉 is two UTF-16 units
        A.splice(d, ["text"], 3, 0, "¡");
        A.splice(d, ["text"], d.text.length, 0, " 中文");
        A.splice(d, ["text"], 11, 1, "Ö"); // the ö, moved 4 units on by the inserts
        A.splice(d, ["notes", 0], 0, 5, "1st");
        A.splice(d, ["nested", "body"], 2, 1, "!");
        A.splice(d, ["empty"], 0, 0, "");
    });
    d = change(d, "more", (d) => {
        A.splice(d, ["text"], 0, 3, ""); // drops "🎉 "
        A.updateText(d, ["notes", 1], "second, rewritten 🎉");
        d.notes.push("third 😀👍🏽");
        A.splice(d, ["notes", 2], 6, 2, ""); // drops 😀
        A.deleteAt(d.notes, 0);
    });
    return A.save(d);
}

// Every scalar type, with values at the edges of their ranges, in a map and in a list.
function scalars() {
    const change = changer(T0);
    let d = A.init({ actor: ACTOR_A });
    // What plain JS values become.
    d = change(d, "plain", (d) => {
        d.plain_int = 42;
        d.plain_neg = -7;
        d.plain_f64 = 3.25;
        d.plain_true = true;
        d.plain_false = false;
        d.plain_null = null;
        d.plain_date = new Date(1700000000123);
        d.plain_bytes = new Uint8Array([0, 1, 127, 128, 255]);
        d.plain_counter = new A.Counter(10);
        d.plain_str = S("immutable");
        d.big_int = 2n ** 63n - 1n;
        d.big_neg = -(2n ** 63n);
        d.big_uint = 2n ** 64n - 1n;
        d.list = [1, -1, 2.5, true, null, S("s"), new Date(0), new Uint8Array([]), new A.Counter(0), 2n ** 63n];
    });
    // The rest straight through the backend, which takes an explicit type for each value.
    const h = A.getBackend(d);
    const puts = [
        ["str_empty", "", "str"],
        ["str_unicode", "é 🎉 中文", "str"],
        ["int_zero", 0, "int"],
        ["int_min", -(2n ** 63n), "int"],
        ["int_max", 2n ** 63n - 1n, "int"],
        ["int_2p53p1", 2n ** 53n + 1n, "int"],
        ["int_neg_2p53p1", -(2n ** 53n) - 1n, "int"],
        ["uint_zero", 0n, "uint"],
        ["uint_small", 7n, "uint"],
        ["uint_2p53p1", 2n ** 53n + 1n, "uint"],
        ["uint_max", 2n ** 64n - 1n, "uint"],
        ["f64_whole", 3, "f64"],
        ["f64_neg", -0.1, "f64"],
        ["f64_neg_zero", -0, "f64"],
        ["f64_tiny", 5e-324, "f64"],
        ["f64_huge", 1.7976931348623157e308, "f64"],
        ["f64_1e21", 1e21, "f64"],
        ["f64_1e-7", 1e-7, "f64"],
        ["f64_pi", Math.PI, "f64"],
        ["f64_nan", NaN, "f64"],
        ["f64_inf", Infinity, "f64"],
        ["f64_neg_inf", -Infinity, "f64"],
        ["ts_zero", 0, "timestamp"],
        ["ts_neg", -86400000, "timestamp"],
        ["ts_far", 8640000000000000, "timestamp"],
        ["counter_neg", -5, "counter"],
        ["bytes_empty", new Uint8Array([]), "bytes"],
    ];
    for (const [k, v, t] of puts) h.put("_root", k, v, t);
    const typed = h.putObject("_root", "typed_list", []);
    puts.forEach(([, v, t], i) => h.insert(typed, i, v, t));
    h.commit("typed", T0 + 10);
    h.increment("_root", "plain_counter", 5);
    h.increment("_root", "counter_neg", -10);
    h.commit("increment", T0 + 11);
    h.increment("_root", "plain_counter", -3);
    const list = h.getWithType("_root", "list")[1];
    h.increment(list, 8, 100);
    h.commit("increment again", T0 + 12);
    return h.save();
}

// Three actors editing the same keys, list positions and text at once, then merged. Nothing
// is changed after the merge, so the document keeps three heads.
function concurrentDoc() {
    let base = A.init({ actor: ACTOR_A });
    base = A.change(base, { time: T0, message: "base" }, (d) => {
        d.title = S("base");
        d.list = [S("a"), S("b"), S("c")];
        d.text = "hello world";
        d.counter = new A.Counter(0);
        d.config = { mode: S("none"), depth: 1 };
        d.doomed = S("delete me");
    });
    let a = base;
    let b = A.clone(base, { actor: ACTOR_B });
    let c = A.clone(base, { actor: ACTOR_C });
    a = A.change(a, { time: T0 + 10, message: "A" }, (d) => {
        d.title = S("from A");
        A.insertAt(d.list, 1, S("A1"));
        A.splice(d, ["text"], 5, 0, " A");
        d.counter.increment(1);
        d.config.mode = S("a");
        delete d.doomed;
        d.shared = { by: S("A") };
    });
    b = A.change(b, { time: T0 + 11, message: "B" }, (d) => {
        d.title = S("from B");
        A.insertAt(d.list, 1, S("B1"));
        A.splice(d, ["text"], 5, 0, " B");
        d.counter.increment(10);
        d.list[3] = S("c set by B");
        d.doomed = S("kept by B");
        d.shared = { by: S("B") };
    });
    c = A.change(c, { time: T0 + 12, message: "C" }, (d) => {
        d.title = S("from C");
        A.insertAt(d.list, 1, S("C1"));
        A.splice(d, ["text"], 0, 5, "HELLO");
        d.counter.increment(-3);
        A.deleteAt(d.list, 3); // "c", which B sets at the same time
        d.config.mode = S("c");
        d.shared = [S("C")];
    });
    a = A.change(a, { time: T0 + 13, message: "A again" }, (d) => {
        d.config.depth = 2;
        d.list.push(S("A end"));
    });
    return A.merge(A.merge(a, b), c);
}

function concurrent() {
    return A.save(concurrentDoc());
}

// The same history as "concurrent", as concatenated change chunks rather than a document.
function changes() {
    return Buffer.concat(A.getAllChanges(concurrentDoc()));
}

// A document chunk followed by the saveIncremental() chunks of later edits, as an append-only
// log of the document would be.
function incremental() {
    const parts = [];
    let d = A.init({ actor: ACTOR_A });
    d = A.change(d, { time: T0, message: "first" }, (d) => {
        d.log = [S("one")];
        d.text = "start";
    });
    parts.push(A.save(d));
    d = A.change(d, { time: T0 + 1 }, (d) => {
        d.log.push(S("two"));
    });
    parts.push(A.saveIncremental(d));
    d = A.change(d, { time: T0 + 2 }, (d) => {
        d.log.push(S("three"));
        A.splice(d, ["text"], 5, 0, "ed");
    });
    d = A.change(d, { time: T0 + 3 }, (d) => {
        d.count = 3;
    });
    parts.push(A.saveIncremental(d)); // two changes in one chunk run
    let other = A.clone(d, { actor: ACTOR_B });
    other = A.change(other, { time: T0 + 4, message: "from B" }, (d) => {
        d.log.push(S("four (B)"));
        d.count = 4;
    });
    d = A.change(d, { time: T0 + 4, message: "concurrent A" }, (d) => {
        d.count = 40;
    });
    d = A.merge(d, other);
    parts.push(A.saveIncremental(d));
    parts.push(A.saveIncremental(d)); // nothing new: an empty chunk run
    return Buffer.concat(parts);
}

// A small chat workspace as the app lays it out: workspaces, channels, and per channel a list
// of messages, written by two devices.
function chat() {
    const alice = "a11ce".padEnd(32, "0");
    const bob = "b0b".padEnd(32, "0");
    const msg = (id, author, ts, body) => ({ id: S(id), author: S(author), ts, text: body, reactions: [] });
    let a = A.init({ actor: alice });
    a = A.change(a, { time: T0, message: "workspace" }, (d) => {
        d.workspaces = { w1: { name: S("Vrel"), channels: [S("c1"), S("c2")] } };
        d.channels = {
            c1: { name: S("general"), workspace: S("w1"), topic: "Say hi" },
            c2: { name: S("random"), workspace: S("w1"), topic: "" },
        };
        d.messages = { c1: [], c2: [] };
    });
    a = A.change(a, { time: T0 + 60, message: "first messages" }, (d) => {
        d.messages.c1.push(msg("m1", "alice", 1700000060000, "Hello, world!"));
        d.messages.c1.push(msg("m2", "alice", 1700000061000, "Café at 10? ☕"));
    });
    let b = A.clone(a, { actor: bob });
    b = A.change(b, { time: T0 + 120, message: "bob replies" }, (d) => {
        d.messages.c1.push(msg("m3", "bob", 1700000120000, "Sure 🎉"));
        d.messages.c1[0].reactions.push({ emoji: S("👍"), author: S("bob") });
        d.messages.c2.push(msg("m4", "bob", 1700000121000, "随机 channel"));
    });
    a = A.change(a, { time: T0 + 121, message: "alice edits" }, (d) => {
        A.splice(d, ["messages", "c1", 1, "text"], 5, 5, "at 11");
        d.messages.c1[1].edited = 1700000121500;
        d.messages.c1[0].reactions.push({ emoji: S("❤️"), author: S("alice") });
        A.updateText(d, ["channels", "c2", "topic"], "Anything goes");
    });
    a = A.merge(a, b);
    a = A.change(a, { time: T0 + 180, message: "tidy" }, (d) => {
        A.deleteAt(d.messages.c2, 0);
        d.workspaces.w1.channels.push(S("c3"));
        d.channels.c3 = { name: S("announcements"), workspace: S("w1"), topic: "News" };
        d.messages.c3 = [msg("m5", "alice", 1700000180000, "Welcome!")];
    });
    return A.save(a);
}

// A document with no changes at all.
function empty() {
    return A.save(A.init({ actor: ACTOR_A }));
}

// Big enough that the reference deflates its columns: long text typed one character per change
// by two actors, and a long list of numbers.
function longDoc() {
    let d = A.init({ actor: ACTOR_A });
    let t = T0;
    d = A.change(d, { time: t++ }, (d) => {
        d.text = "";
        d.numbers = [];
        for (let i = 0; i < 600; i++) d.numbers.push(i * 7 - 1000);
    });
    let b = A.clone(d, { actor: ACTOR_B });
    const line = "The quick brown fox jumps over the lazy dog. Ünïcödé 中文 🎉\n";
    for (let i = 0; i < 300; i++) {
        const ch = [...line][i % [...line].length];
        d = A.change(d, { time: t++ }, (d) => A.splice(d, ["text"], d.text.length, 0, ch));
        if (i % 3 === 0) b = A.change(b, { time: t++ }, (d) => A.splice(d, ["text"], 0, 0, ch));
        if (i % 50 === 49) {
            d = A.merge(d, b);
            b = A.merge(b, d);
        }
    }
    d = A.merge(d, b);
    d = A.change(d, { time: t++, message: "trim" }, (d) => {
        A.splice(d, ["text"], 10, 40, "");
        A.deleteAt(d.numbers, 100, 50);
    });
    return d;
}

function long() {
    return A.save(longDoc());
}

function longUncompressed() {
    return A.getBackend(longDoc()).saveNoCompress();
}

export const SCENARIOS = {
    nested,
    text,
    scalars,
    concurrent,
    changes,
    incremental,
    chat,
    empty,
    long,
    "long-uncompressed": longUncompressed,
};
