// Opens a --web page in headless Chromium from file:// with the network
// off and checks it loads, draws the tree, moves it, pauses, and poses it
// as the .glb export of the same run does; and that it refuses a motion
// stream of a version it does not know.
// node browser_test.mjs PAGE.html REF.glb [SCREENSHOT.png]
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { deflateSync } from 'node:zlib';
import { launchChromium, offlinePage } from './chromium.mjs';
import { localPoses, pageBytes, pagePart, probeNodes, readGlb, worldPositions } from './gltf_pose.mjs';

const [pageFile, refFile, shot] = process.argv.slice(2);
const problems = [];
const { browser, profile, close } = await launchChromium();
try {
  const page = await offlinePage(browser, problems);

  const start = Date.now();
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction('window.arborvane && window.arborvane.ready', { timeout: 30000, polling: 100 });
  const readyAt = await page.evaluate(() => arborvane.readyAt);
  console.log(`ready ${(readyAt / 1000).toFixed(1)} s after the page started (${((Date.now() - start) / 1000).toFixed(1)} s here)`);

  // The canvas scaled down, as RGB rows: the tree is what is neither sky nor ground.
  const grab = () => page.evaluate(() => {
    const c = document.getElementById('view');
    const t = Object.assign(document.createElement('canvas'), { width: 200, height: 150 });
    const g = t.getContext('2d');
    g.drawImage(c, 0, 0, 200, 150);
    return Array.from(g.getImageData(0, 0, 200, 150).data);
  });
  const sky = [60, 168, 248];
  const near = (d, i, rgb) => Math.abs(d[i] - rgb[0]) + Math.abs(d[i + 1] - rgb[1]) + Math.abs(d[i + 2] - rgb[2]) < 24;
  const treeMask = (d) => {
    const ground = [d[(149 * 200 + 2) * 4], d[(149 * 200 + 2) * 4 + 1], d[(149 * 200 + 2) * 4 + 2]];
    return Array.from({ length: d.length / 4 }, (_, p) => !near(d, 4 * p, sky) && !near(d, 4 * p, ground));
  };
  await page.evaluate(() => { arborvane.pause(); arborvane.seek(0); });
  const a = await grab();
  await page.evaluate(() => arborvane.seek(1.5));
  const b = await grab();
  if (shot) await page.screenshot({ path: shot });
  const ma = treeMask(a), mb = treeMask(b);
  const cover = ma.filter(Boolean).length / ma.length;
  let area = 0, moved = 0;
  for (let p = 0; p < ma.length; ++p) {
    if (!ma[p] && !mb[p]) continue;
    ++area;
    const d = Math.abs(a[4 * p] - b[4 * p]) + Math.abs(a[4 * p + 1] - b[4 * p + 1]) + Math.abs(a[4 * p + 2] - b[4 * p + 2]);
    if (d > 40) ++moved;
  }
  console.log(`tree covers ${(100 * cover).toFixed(1)}% of the canvas; ${(100 * moved / area).toFixed(1)}% of its area changed from 0 s to 1.5 s`);
  if (cover < 0.05) problems.push('the canvas shows little or no tree');
  if (moved / area < 0.02) problems.push('the tree did not move between 0 s and 1.5 s');

  // Play from a seek: the clock starts at the seek point, never before it. A
  // frame that begins while the page is busy carries a stamp from before play().
  for (let trial = 0; trial < 5; ++trial) {
    const seen = await page.evaluate(() => new Promise((done) => {
      arborvane.pause();
      arborvane.seek(0);
      for (const t = performance.now(); performance.now() - t < 60;);
      arborvane.play();
      const samples = [];
      const sample = () => {
        samples.push([arborvane.time(), document.getElementById('label').textContent]);
        if (samples.length < 15) requestAnimationFrame(sample);
        else done(samples);
      };
      requestAnimationFrame(sample);
    }));
    const bad = seen.find(([t, label]) => !(t >= 0) || /-\d/.test(label));
    if (bad) {
      problems.push(`after pause, seek(0), play: time ${bad[0]}, label "${bad[1]}"`);
      break;
    }
  }

  await page.evaluate(() => arborvane.pause());
  const p1 = await grab();
  await new Promise((r) => setTimeout(r, 1000));
  const p2 = await grab();
  if (p1.some((v, i) => v !== p2[i])) problems.push('paused, the picture still changes');

  // Poses against the .glb's own animation, within 1e-3 of the tree's height.
  const ref = readGlb(refFile);
  const joints = ref.doc.nodes.map((_, i) => i).filter((i) => /^b\d+\.p\d+$/.test(ref.doc.nodes[i].name));
  const height = Math.max(...worldPositions(ref.doc, localPoses(ref, 0), joints).map((p) => p[1])) + 4.6;
  const probes = probeNodes(ref.doc);
  const frames = await page.evaluate(() => arborvane.frames);
  for (const f of [0, Math.floor(frames / 2), frames - 1]) {
    const got = await page.evaluate((t, n) => { arborvane.seek(t); return arborvane.nodePositions(n); }, f / 20, probes);
    const want = worldPositions(ref.doc, localPoses(ref, f), probes);
    const worst = Math.max(...got.map((p, i) => Math.hypot(p[0] - want[i][0], p[1] - want[i][1], p[2] - want[i][2])));
    console.log(`frame ${f}: largest joint difference ${(worst / height).toExponential(2)} of the tree's height`);
    if (!(worst <= 1e-3 * height)) problems.push(`frame ${f}: the page's tree is off by ${worst}`);
  }

  // The same page with its motion stream claiming version 99: refused, on the page and in the console.
  const html = readFileSync(pageFile, 'utf8');
  const stream = pageBytes(html, 'av-motion');
  stream.writeUInt32LE(99, 4);
  const future = join(profile, 'version99.html');
  writeFileSync(future, html.replace(pagePart(html, 'av-motion'), () => deflateSync(stream).toString('base64')));
  const refusing = await browser.newPage();
  const logged = [];
  refusing.on('console', (m) => m.type() === 'error' && logged.push(m.text()));
  await refusing.goto(pathToFileURL(future).href);
  await refusing.waitForFunction(() => /^failed/.test(document.getElementById('label').textContent),
    { timeout: 30000, polling: 100 }).catch(() => {});
  const shown = await refusing.evaluate(() => document.getElementById('label').textContent);
  console.log(`version 99 stream: the page shows "${shown}"`);
  if (!/version 99 is not known/.test(shown)) problems.push(`a version 99 motion stream: the page shows "${shown}"`);
  if (!logged.some((t) => /version 99/.test(t))) problems.push('a version 99 motion stream: nothing said in the console');
} finally {
  await close();
}
for (const p of problems) console.log(`FAIL: ${p}`);
process.exit(problems.length ? 1 : 0);
