// A --web --stand page in headless Chromium against the --out .glb of the
// same stand: every tree's top moves, sits where the .glb's own animation
// puts it (read by gltf_pose.mjs, not the viewer's decoder) to within the
// stream's quantisation, and the default view shows every tree whole.
// node web_stand_test.mjs PAGE.html REF.glb [SCREENSHOT.png]
import { pathToFileURL } from 'node:url';
import { launchChromium, offlinePage } from './chromium.mjs';
import { localPoses, readGlb, worldPositions } from './gltf_pose.mjs';

const [pageFile, refFile, shot] = process.argv.slice(2);
const problems = [];
const ref = readGlb(refFile);
const { nodes } = ref.doc;

// Tree K's branch joints: the joints under its node "tree K"; its top, the highest at rest.
const rest = localPoses(ref, 0);
const trees = nodes.map((n, i) => [n.name, i]).filter(([name]) => /^tree \d+$/.test(name)).map(([, i]) => i);
const tops = trees.map((root) => {
  const joints = [];
  const walk = (i) => {
    if (/^b\d+\.p\d+$/.test(nodes[i].name)) joints.push(i);
    (nodes[i].children || []).forEach(walk);
  };
  walk(root);
  const ys = worldPositions(ref.doc, rest, joints).map((p) => p[1]);
  return { node: joints[ys.indexOf(Math.max(...ys))], height: Math.max(...ys) + 4.6 };
});
if (trees.length < 2) problems.push(`the .glb has ${trees.length} trees`);

const { browser, close } = await launchChromium();
try {
  const page = await offlinePage(browser, problems);
  const start = Date.now();
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction('window.arborvane && window.arborvane.ready', { timeout: 60000, polling: 100 });
  console.log(`ready in ${((Date.now() - start) / 1000).toFixed(1)} s`);
  await page.evaluate(() => arborvane.pause());
  const frames = await page.evaluate(() => arborvane.frames);
  const at = (f) => page.evaluate((t, n) => { arborvane.seek(t); return arborvane.nodePositions(n); }, f / 20,
    tops.map((t) => t.node));

  const first = await at(0);
  const last = await at(frames - 1);
  tops.forEach((t, k) => {
    const moved = Math.hypot(...last[k].map((v, c) => v - first[k][c]));
    console.log(`tree ${k}: top (node ${t.node}) moved ${moved.toFixed(4)} from frame 0 to ${frames - 1}`);
    if (!(moved > 1e-3 * t.height)) problems.push(`tree ${k}: its top did not move`);
  });
  // Branch turns are stored to 1e-4 per joint, a rounding of up to 1.7e-4
  // rad each: over the chain to the top, about 2e-4 of the height.
  for (const f of [0, Math.floor(frames / 2), frames - 1]) {
    const got = await at(f);
    const want = worldPositions(ref.doc, localPoses(ref, f), tops.map((t) => t.node));
    tops.forEach((t, k) => {
      const off = Math.hypot(...got[k].map((v, c) => v - want[k][c]));
      console.log(`frame ${f}, tree ${k}: the page's top is ${(off / t.height).toExponential(2)} of the height off the .glb's`);
      if (!(off <= 5e-4 * t.height)) problems.push(`frame ${f}, tree ${k}: the page's top is off by ${off}`);
    });
  }

  // The default view: no tree pixel on the canvas's top, left or right edge (cut off there).
  const edges = await page.evaluate(() => {
    const c = document.getElementById('view');
    const t = Object.assign(document.createElement('canvas'), { width: 200, height: 150 });
    const g = t.getContext('2d');
    g.drawImage(c, 0, 0, 200, 150);
    const d = g.getImageData(0, 0, 200, 150).data;
    const px = (x, y) => Array.from(d.subarray(4 * (y * 200 + x), 4 * (y * 200 + x) + 3));
    const sky = [60, 168, 248], ground = px(2, 149);
    const near = (p, q) => Math.abs(p[0] - q[0]) + Math.abs(p[1] - q[1]) + Math.abs(p[2] - q[2]) < 24;
    const tree = (x, y) => !near(px(x, y), sky) && !near(px(x, y), ground);
    let cover = 0, cut = 0;
    for (let y = 0; y < 150; ++y) for (let x = 0; x < 200; ++x) if (tree(x, y)) ++cover;
    // The horizon's one blended pixel between sky and ground is no tree.
    const horizon = (x, y) => y > 0 && near(px(x, y - 1), sky) && near(px(x, y + 1), ground);
    for (let x = 0; x < 200; ++x) if (tree(x, 0)) ++cut;
    for (let y = 0; y < 120; ++y) for (const x of [0, 199]) cut += tree(x, y) && !horizon(x, y); // above the bar
    return { cover: cover / 30000, cut };
  });
  console.log(`trees cover ${(100 * edges.cover).toFixed(1)}% of the canvas, ${edges.cut} edge pixels`);
  if (edges.cover < 0.03) problems.push('the canvas shows little or no tree');
  if (edges.cut > 0) problems.push(`the default view cuts trees off at the canvas's edge (${edges.cut} pixels)`);
  if (shot) await page.screenshot({ path: shot });
} finally {
  await close();
}
for (const p of problems) console.log(`FAIL: ${p}`);
process.exit(problems.length ? 1 : 0);
