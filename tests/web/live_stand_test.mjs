// Opens an --live --stand page of two trees (the second moved and turned) in
// headless Chromium from file:// with the network off and checks: no console
// error, it gets ready, both tree tops move, and a wind turned from +x to +z
// moves both towards +z in the field (so each tree is drawn and reported
// where it stands, turned as it is). grow and the .glb are refused.
// node live_stand_test.mjs PAGE.html [SCREENSHOT.png]
import { pathToFileURL } from 'node:url';
import { launchChromium, offlinePage } from './chromium.mjs';

const [pageFile, shot] = process.argv.slice(2);
const problems = [];
const check = (ok, what) => { if (!ok) problems.push(what); };
const { browser, close } = await launchChromium();
try {
  const page = await offlinePage(browser, problems);
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction('window.arborvane && window.arborvane.ready', { timeout: 60000, polling: 'raf' });
  const got = await page.evaluate(async () => {
    arborvane.pause();
    const run = (dirs) => {
      arborvane.reset(1);
      for (const [d, n] of dirs) { arborvane.setWind({ regime: 'gale', magnitude: 400, direction: d }); arborvane.step(n); }
      return arborvane.tips();
    };
    arborvane.reset(1);
    const rest = arborvane.tips();
    const x = run([[[1, 0, 0], 160]]), z = run([[[1, 0, 0], 100], [[0, 0, 1], 60]]);
    return { trees: arborvane.trees(), rest, x, z, tip: arborvane.tip(), grow: await arborvane.grow({ preset: 'tulip' }) };
  });
  console.log(`rest tops ${JSON.stringify(got.rest)}; +x ${JSON.stringify(got.x)}; turned to +z ${JSON.stringify(got.z)}`);
  check(got.trees === 2 && got.rest.length === 2, `the page holds ${got.trees} trees, not 2`);
  check(Math.hypot(got.rest[1][0] - 8, got.rest[1][2] - 3) < 3, `the second tree's top ${got.rest[1]} is not near its place (8, 3)`);
  got.rest.forEach((r, k) => {
    check(Math.hypot(...r.map((v, i) => v - got.x[k][i])) > 0.1, `tree ${k}'s top did not move in the wind`);
    check(got.z[k][2] - got.x[k][2] > 0.2, `turning the wind to +z moved tree ${k}'s top z only from ${got.x[k][2]} to ${got.z[k][2]}`);
  });
  check(got.tip.every((v, i) => v === got.z[0][i]), 'tip() is not the first tree\'s top');
  check(!got.grow.ok && got.grow.message, 'grow was not refused on a stand page');
  if (shot) {
    await page.evaluate(() => { arborvane.reset(1); arborvane.preset('storm'); arborvane.step(80); });
    await new Promise((r) => setTimeout(r, 1500));
    await page.screenshot({ path: shot });
  }
} finally {
  await close();
}
for (const p of problems) console.log(`FAIL: ${p}`);
process.exit(problems.length ? 1 : 0);
