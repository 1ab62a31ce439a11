// Debian's Chromium, headless and kept off the network, with a fresh profile per launch, for any
// test that opens the project's pages or talks to the bridge from a page.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const chromiumPath = process.env.TEMBRA_CHROMIUM || '/usr/bin/chromium';

// Flags that keep the browser from reaching anything but what a test serves it.
const quietFlags = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
  '--disable-quic',
];

// extraFlags: e.g. '--host-resolver-rules=MAP tembra.local 127.0.0.1'. The profile folder is
// removed again by close().
export async function launchChromium(extraFlags = []) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tembra-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    userDataDir: profile,
    args: [...quietFlags, ...extraFlags],
  });
  return {
    browser,
    async close() {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A new tab whose console lines (CORS refusals among them) are collected for failure reports.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  const consoleLines = [];
  page.on('console', (message) => consoleLines.push(message.text()));
  await page.goto(url);
  return { page, consoleLines };
}
