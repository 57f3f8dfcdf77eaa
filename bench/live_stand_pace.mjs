// The live page's pace in headless Chromium (software GL): plays the page
// for SECONDS of wall clock and prints the simulated time against it, with
// the page's step and frame medians. For a stand page (--live --stand) or
// the one-tree page alike. Run from a folder whose node_modules holds
// puppeteer-core (build/npm-cache/web-test), beside tests/web/chromium.mjs:
// node live_stand_pace.mjs PAGE.html [SECONDS] [SCREENSHOT.png]
import { statSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { launchChromium, offlinePage } from './chromium.mjs';

const [pageFile, seconds = '10', shot] = process.argv.slice(2);
const problems = [];
const { browser, close } = await launchChromium();
try {
  const page = await offlinePage(browser, problems);
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction('window.arborvane && window.arborvane.ready', { timeout: 120000, polling: 'raf' });
  await page.evaluate(() => arborvane.preset('gale') && arborvane.gusts(true));
  const t0 = await page.evaluate(() => [arborvane.time(), performance.now()]);
  await new Promise((r) => setTimeout(r, Number(seconds) * 1000));
  const t1 = await page.evaluate(() => [arborvane.time(), performance.now(), arborvane.stepMs(), arborvane.frameMs(),
    arborvane.trees ? arborvane.trees() : 1, arborvane.readyAt]);
  const wall = (t1[1] - t0[1]) / 1000, sim = t1[0] - t0[0];
  console.log(`${t1[4]} trees, page ${(statSync(pageFile).size / 1e6).toFixed(2)} MB, ready ${(t1[5] / 1000).toFixed(2)} s: ` +
    `${sim.toFixed(2)} s simulated in ${wall.toFixed(2)} s (${((100 * sim) / wall).toFixed(1)} %), ` +
    `step ${t1[2].toFixed(2)} ms, frame ${t1[3].toFixed(1)} ms`);
  if (shot) await page.screenshot({ path: shot });
} finally {
  await close();
}
for (const p of problems) console.log(`problem: ${p}`);
