// The game's default bindings for the mock, read from the simulated game's own table
// (sim/default_bindings.h), so the two cannot differ.
import { readFileSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const header = readFileSync(join(dirname(fileURLToPath(import.meta.url)), "..", "..", "sim", "default_bindings.h"), "utf8");
const names = new Map([...header.matchAll(/(k\w+) = (\d+)/g)].map(([, name, value]) => [name, Number(value)]));
const entry = (text) => {
  text = text.trim();
  if (/^\d+$/.test(text)) return Number(text);
  if (text.startsWith("key::")) return names.get(text.slice(5));
  const character = /^'(\\?.)'$/.exec(text);
  if (character) return character[1].at(-1).charCodeAt(0);
  throw new Error("default_bindings.h: cannot read " + text);
};
const table = header.slice(header.indexOf("kDefaultBindings"));
export const DEFAULT_BINDINGS = Object.freeze([...table.matchAll(/^\s*\{([^{}\n]+)\},/gm)]
  .map(([, row]) => Object.freeze(row.match(/'(?:\\.|[^'])'|[^,]+/g).map(entry))));
if (DEFAULT_BINDINGS.length !== 59) throw new Error(`default_bindings.h: ${DEFAULT_BINDINGS.length} actions, not 59`);
