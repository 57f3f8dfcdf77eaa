// Headless Chromium for the page tests (Debian's, or $CHROMIUM): a fresh
// profile, software GL, and pages that may load only file:, data: and blob:
// URLs. Exits 77 (skipped) when Chromium cannot start.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';

export async function launchChromium() {
  const profile = mkdtempSync(join(tmpdir(), 'arborvane-chromium-'));
  try {
    const browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: profile,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
    });
    const close = async () => { await browser.close(); rmSync(profile, { recursive: true, force: true }); };
    return { browser, profile, close };
  } catch (e) {
    console.log(`SKIP: Chromium could not start: ${e.message.split('\n')[0]}`);
    rmSync(profile, { recursive: true, force: true });
    process.exit(77);
  }
}

// An 800 x 600 page; other requests, console errors and page errors go into problems.
export async function offlinePage(browser, problems) {
  const page = await browser.newPage();
  await page.setViewport({ width: 800, height: 600 });
  await page.setRequestInterception(true);
  page.on('request', (r) => {
    if (/^(file|data|blob):/.test(r.url())) return r.continue();
    problems.push(`network request: ${r.url()}`);
    return r.abort();
  });
  page.on('requestfailed', (r) => problems.push(`failed request: ${r.url()}`));
  page.on('console', (m) => m.type() === 'error' && problems.push(`console error: ${m.text()}`));
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  return page;
}
