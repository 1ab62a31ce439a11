// The pages' sources without a game. They use nothing newer than the browser floor in
// pages/.browserslistrc: JavaScript syntax of ES2019 (no optional chaining, no ??) and no DOM call
// the floor lacks (eslint with its compat plugin), no CSS feature the floor lacks (stylelint's
// browser-feature check); the documented examples and a sample page compile with `tsc --strict`;
// every language table says everything the English one says.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readdirSync, readFileSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import vm from "node:vm";
import { ESLint } from "eslint";
import compat from "eslint-plugin-compat";
import stylelint from "stylelint";

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, "..", "..");
const pages = join(root, "pages");

test("the pages' scripts use only the syntax and DOM of the browser floor", async () => {
  const eslint = new ESLint({
    cwd: pages,
    overrideConfigFile: true,
    overrideConfig: [{
      files: ["**/*.js"],
      languageOptions: { ecmaVersion: 2019, sourceType: "script", globals: { globalThis: "readonly" } },
      plugins: { compat },
      rules: {
        "compat/compat": "error",
        // The compat plugin knows a method only on a global it can name (document.body...), not
        // on any element or string; these are the later ones the pages are likeliest to reach for.
        "no-restricted-properties": ["error",
          ...["replaceChildren", "replaceAll", "at", "findLast", "hasOwn", "toSorted", "structuredClone"]
            .map((property) => ({ property, message: "newer than the pages' browser floor" }))],
      },
    }],
  });
  const results = await eslint.lintFiles(["**/*.js"]);
  assert.ok(results.length >= 6, `${results.length} scripts linted`);
  const problems = results.flatMap((result) => result.messages.map((message) =>
    `${result.filePath.slice(pages.length + 1)}:${message.line} ${message.message}`));
  assert.deepEqual(problems, []);
});

test("the pages' styles use only CSS the browser floor knows", async () => {
  const { results } = await stylelint.lint({
    files: [join(pages, "**", "*.css")],
    config: {
      plugins: ["stylelint-no-unsupported-browser-features"],
      rules: {
        // A property the feature check does not know: inset is Chrome 87.
        "property-disallowed-list": ["inset"],
        "plugin/no-unsupported-browser-features": [true, {
          severity: "error",
          // Partly supported means prefixed or with small gaps the pages do not touch; a media
          // query the floor does not know is simply not matched (prefers-reduced-motion).
          ignorePartialSupport: true,
          ignore: ["prefers-reduced-motion"],
        }],
      },
    },
  });
  assert.ok(results.length >= 4, `${results.length} style sheets linted`);
  const problems = results.flatMap((result) => result.warnings.map((warning) =>
    `${result.source.slice(pages.length + 1)}:${warning.line} ${warning.text}`));
  assert.deepEqual(problems, []);
});

// The script bodies of the ```html and ```js examples in docs/bridge.md, each its own module.
function documentedExamples() {
  const text = readFileSync(join(root, "docs", "bridge.md"), "utf8");
  const blocks = [...text.matchAll(/```(html|js)\n([\s\S]*?)```/g)];
  return blocks.map(([, kind, body]) => kind === "js" ? body :
    [...body.matchAll(/<script>([\s\S]*?)<\/script>/g)].map((match) => match[1]).join("\n"));
}

test("the documented examples and a sample page type-check with tsc --strict", () => {
  const work = mkdtempSync(join(tmpdir(), "tembra-types-"));
  const examples = documentedExamples().filter((body) => body.includes("TembraUI"));
  assert.ok(examples.length >= 1, "docs/bridge.md shows the client");
  const files = examples.map((body, index) => {
    const file = join(work, `example-${index}.ts`);
    writeFileSync(file, body + "\nexport {};\n");
    return file;
  });
  // No @types from the test project: a page knows the DOM and the client, not Node.
  const config = join(work, "tsconfig.json");
  writeFileSync(config, JSON.stringify({
    compilerOptions: { strict: true, noEmit: true, target: "es2019", lib: ["es2019", "dom"], types: [] },
    files: [join(pages, "sdk", "tembra.d.ts"), join(here, "types", "sample-page.ts"), ...files],
  }));
  const args = [join(here, "node_modules", "typescript", "bin", "tsc"), "--project", config];
  try {
    execFileSync(process.execPath, args, { encoding: "utf8" });
  } catch (error) {
    assert.fail(error.stdout || error.message);
  }
});

test("the key and mouse codes the types name are the client's", async () => {
  await import(join(pages, "sdk", "tembra.js"));
  const { KEYS, MOUSE, NO_KEY_GAME } = globalThis.TembraUI;
  const types = readFileSync(join(pages, "sdk", "tembra.d.ts"), "utf8");
  const typed = (name) => Object.fromEntries([...types.match(new RegExp(`interface ${name} \\{([^}]*)\\}`))[1]
    .matchAll(/readonly (\w+): (\d+);/g)].map(([, key, code]) => [key, Number(code)]));
  assert.deepEqual(typed("KeyCodes"), { ...KEYS });
  assert.deepEqual(typed("MouseCodes"), { ...MOUSE });
  assert.equal(NO_KEY_GAME, KEYS.NONE);
});

test("every language table has each English string, with the same placeholders and list lengths", () => {
  const folder = join(pages, "common", "lang");
  const tables = {};
  const TembraStrings = { add: (language, table) => { tables[language] = table; } };
  const files = readdirSync(folder).filter((name) => name.endsWith(".js"));
  for (const file of files) vm.runInNewContext(readFileSync(join(folder, file), "utf8"), { TembraStrings });
  assert.deepEqual(Object.keys(tables).sort(), files.map((file) => file.slice(0, -3)).sort(), "each file adds its own language");
  assert.ok(["en", "es", "ru"].every((language) => language in tables));
  const shape = (value) => Array.isArray(value) ? `list of ${value.length}` : [...String(value).matchAll(/\{\w+\}|\[/g)].sort().join();
  const { en } = tables;
  for (const [language, table] of Object.entries(tables)) {
    if (language === "en") continue;
    assert.deepEqual(Object.keys(table).filter((key) => key !== "actions" && !(key in en)), [], `${language}: strings English lacks`);
    assert.deepEqual(Object.keys(en).filter((key) => !(key in table)), [], `${language}: strings it leaves out`);
    for (const key of Object.keys(en)) assert.equal(shape(table[key]), shape(en[key]), `${language}.${key}`);
    if (table.actions) assert.equal(table.actions.length, 59, `${language}: one name per game action`);
  }
});
