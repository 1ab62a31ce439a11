// The release archive unpacked into a game folder: its files where the docs say, a stripped
// 32-bit DLL, and the module running there finds the pause page below the game folder, which
// then works from its file URL in Chromium, bridge included.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { copyFileSync, existsSync, mkdirSync, mkdtempSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { ID, root, startGame } from "./harness.mjs";

test("the archive unpacked into a game folder gives the module its pause page there", async () => {
  const archive = execFileSync("bash", [join(root, "tools", "package.sh")], { cwd: root, encoding: "utf8" }).trim();
  assert.match(archive, /^dist\/TembraUI-\d+\.\d+\.\d+\.zip$/);
  const folder = join(mkdtempSync(join(tmpdir(), "tembra-package-")), "GTA San Andreas");
  mkdirSync(folder);
  execFileSync("unzip", ["-q", join(root, archive), "-d", folder]);

  for (const file of ["TembraUI.dll", "cef/pause/index.html", "cef/pause/pause.js", "cef/hud/index.html",
                      "cef/loading/index.html", "cef/common/theme.css", "cef/sdk/tembra.js", "cef/sdk/tembra.d.ts",
                      "cef/sdk/state.schema.json", "TembraUI-docs/install.md", "TembraUI-docs/bridge.md"]) {
    assert.ok(existsSync(join(folder, file)), file);
  }
  const dll = join(folder, "TembraUI.dll");
  assert.match(execFileSync("file", [dll], { encoding: "utf8" }), /PE32 executable \(DLL\).*Intel 80386/);
  assert.equal(execFileSync("i686-w64-mingw32-objdump", ["-h", dll], { encoding: "utf8" }).includes(".debug_"), false);
  assert.match(execFileSync("i686-w64-mingw32-nm", [dll], { encoding: "utf8", stdio: ["ignore", "pipe", "pipe"] }), /^$/);

  // This machine runs the simulated game as a 64-bit program, so the same sources' 64-bit DLL
  // stands in for the shipped one in the unpacked folder.
  const bin = join(root, "build", "win64", "bin");
  copyFileSync(join(bin, "simgame.exe"), join(folder, "simgame.exe"));
  copyFileSync(join(bin, "TembraUI.dll"), dll);
  const game = await startGame({ bin: folder });
  try {
    const created = await game.sim.waitForEvent((event) => event.kind === "create" && event.id === ID.pause, 15000);
    const expected = "file:///Z:" + folder.replaceAll(" ", "%20") + "/cef/pause/index.html";
    assert.equal(created.url, expected);
    assert.match(game.log(), new RegExp(`\\[CEF\\] Menu URL=${expected.replace(/[.]/g, "\\.")}`));
    const pause = await game.pageOf("pause");
    await pause.waitForSelector("#rail .rail-item");
    assert.equal(await pause.$$eval(".binding", (rows) => rows.length), 59);
    // From its file URL (origin "null") the page reaches the bridge and shows the game's state.
    await pause.waitForSelector('body[data-menu-open="false"]', { timeout: 15000 });
    assert.equal(await pause.$eval("#notice", (node) => node.hidden), true);
    assert.deepEqual(game.pageErrors, []);
  } finally {
    await game.stop();
  }
});
