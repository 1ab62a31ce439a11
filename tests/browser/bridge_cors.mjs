// Headless Chromium against the running module's bridge: a page opened as a file (origin
// "null") and pages on other http origins read "/state" and send an action through the CORS
// preflight. Chromium's Local Network Access decides by the page's address space; each row
// below is one case that docs/bridge-cors.md describes for page authors.
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import { logMessages, waitForBridge } from './lib/bridge.mjs';
import { check, expectEqual, expectTrue, finish } from './lib/checks.mjs';
import { launchChromium, openPage } from './lib/chromium.mjs';
import { serveFolder } from './lib/static_server.mjs';

const logPath = process.env.TEMBRA_BRIDGE_LOG;
const pages = path.join(path.dirname(fileURLToPath(import.meta.url)), 'pages');
const clientPage = 'bridge_client.html';

// The host's local page origin by its name, a page on a private network address and one on a
// public address. Chromium's own switch places the two test ports in those address spaces.
const ports = { localName: 8123, privateSpace: 8124, publicSpace: 8125 };
const flags = [
  '--host-resolver-rules=MAP tembra.local 127.0.0.1',
  `--ip-address-space-overrides=127.0.0.1:${ports.privateSpace}=private,127.0.0.1:${ports.publicSpace}=public`,
];

function bridgeLinesFrom(origin) {
  return logMessages(logPath).filter((line) => line.startsWith('[BRIDGE] ') && line.endsWith(`(origin=${origin})`));
}

// Reads the state, sends an action through the preflight, and checks what reached the module.
async function expectReachable(browser, url, origin) {
  const { page, consoleLines } = await openPage(browser, url);
  const state = await page.evaluate(() => window.readState());
  expectEqual(state.status, 200, `state ${JSON.stringify(state)} ${consoleLines.join(' | ')}`);
  expectEqual(typeof state.state.menuOpen, 'boolean', 'the page read the JSON');
  expectEqual(state.state.supported, true, 'supported');
  const action = await page.evaluate(() => window.sendAction('capture_off'));
  expectEqual(action, { status: 200, answer: { ok: true } }, `action ${consoleLines.join(' | ')}`);
  expectEqual(bridgeLinesFrom(origin), [
    `[BRIDGE] GET /state (origin=${origin})`,
    `[BRIDGE] OPTIONS /action?name=capture_off (origin=${origin})`,
    `[BRIDGE] GET /action?name=capture_off (origin=${origin})`,
  ], 'requests the module saw');
  await page.close();
}

await waitForBridge();
const servers = await Promise.all(Object.values(ports).map((port) => serveFolder(pages, port)));
const chromium = await launchChromium(flags);
const { browser } = chromium;

await check('file page: origin "null" reads the state and sends an action, no permission needed', () =>
  expectReachable(browser, pathToFileURL(path.join(pages, clientPage)).href, 'null'));

await check('page on http://tembra.local (loopback address): reachable without permission', () =>
  expectReachable(browser, `http://tembra.local:${ports.localName}/${clientPage}`,
    `http://tembra.local:${ports.localName}`));

await check('page on a private network address: reachable without permission', () =>
  expectReachable(browser, `http://127.0.0.1:${ports.privateSpace}/${clientPage}`,
    `http://127.0.0.1:${ports.privateSpace}`));

const publicOrigin = `http://127.0.0.1:${ports.publicSpace}`;
await check('page on a public address: refused until the user allows it', async () => {
  const { page, consoleLines } = await openPage(browser, `${publicOrigin}/${clientPage}`);
  const state = await page.evaluate(() => window.readState());
  expectTrue(state.error !== undefined, `refused: ${JSON.stringify(state)}`);
  expectTrue(consoleLines.some((line) => line.includes('Permission was denied') && line.includes('loopback')),
    `the refusal names the loopback permission: ${consoleLines.join(' | ')}`);
  expectEqual(bridgeLinesFrom(publicOrigin), [], 'nothing reached the module');
  await page.close();
});

await check('page on a public address with the loopback permission granted: reachable', async () => {
  const session = await browser.target().createCDPSession();
  await session.send('Browser.grantPermissions', { origin: publicOrigin, permissions: ['loopbackNetwork'] });
  await expectReachable(browser, `${publicOrigin}/${clientPage}`, publicOrigin);
});

await chromium.close();
for (const server of servers) server.close();
finish();
