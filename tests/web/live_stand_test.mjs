// Opens an --live --stand page of two trees (the second moved and turned,
// from a folder of other bark and leaf textures; the wind gusty) in headless
// Chromium from file:// with the network off and checks: no console error,
// it gets ready, the Gusts button shows the page's gusts and turns them off,
// each tree is drawn with its own folder's textures, at 800 x 600 and
// resized to 1024 x 640 and 640 x 640 the default view has every tree whole on the canvas and none
// under a panel, both tree tops move, and a wind turned from +x to +z
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
  // The default view at rest: each tree's outline inside the canvas, clear of the panels.
  const layout = async (width, height) => {
    if (width !== 800) { // the page opened at 800 x 600: resized, it frames the stand again
      await page.setViewport({ width, height });
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
    }
    const got = await page.evaluate(() => {
      arborvane.pause();
      arborvane.reset(1);
      const rect = (id) => document.getElementById(id).getBoundingClientRect();
      return { boxes: arborvane.treeBoxes(), panels: [rect('side'), rect('bar')].map((r) => r.toJSON()), canvas: rect('view').toJSON() };
    });
    got.boxes.forEach((b, k) => {
      const inside = b.left >= 0 && b.top >= 0 && b.right <= got.canvas.width && b.bottom <= got.canvas.height;
      const under = got.panels.some((p) => b.left < p.right && p.left < b.right && b.top < p.bottom && p.top < b.bottom);
      check(inside && !under, `at ${width} x ${height} tree ${k}'s outline ${JSON.stringify(b)} is ${inside ? 'under a panel' : 'not all on the canvas'}`);
    });
  };
  await layout(800, 600);
  await layout(1024, 640);
  await layout(640, 640);

  // The page's wind gusts (--gusts): the button says so, and the button turns them off.
  const gusty = await page.evaluate(async () => {
    const frames = (n) => new Promise((done) => { const f = () => (--n ? requestAnimationFrame(f) : done()); requestAnimationFrame(f); });
    const label = () => document.getElementById('gusts').textContent;
    const range = () => { const m = []; for (let i = 0; i < 160; ++i) { arborvane.step(1); m.push(arborvane.wind().magnitude); } return Math.max(...m) - Math.min(...m); };
    await frames(8);
    const on = [label(), arborvane.gustsOn(), range()];
    document.getElementById('gusts').click();
    await frames(8);
    return { on, off: [label(), arborvane.gustsOn(), range()] };
  });
  console.log(`gusts: ${JSON.stringify(gusty)}`);
  check(gusty.on[0] === 'Gusts: on' && gusty.on[1] && gusty.on[2] > 1, `a gusty page starts with ${gusty.on}`);
  check(gusty.off[0] === 'Gusts: off' && !gusty.off[1] && gusty.off[2] === 0, `the Gusts button left ${gusty.off}`);

  // Each tree in its own folder's textures: two trees draw alike where their files are the same.
  const looks = await page.evaluate(() => ({ drawn: arborvane.treeTextures(),
    packed: JSON.parse(document.getElementById('av-data').textContent).trees }));
  const files = { trunk: 'tree/tulip_trunk.bmp', branch: 'tree/tulip_branch.bmp', petiole: 'tree/poplar_petiole.bmp', lower: 'tree/poplar_leafdown.bmp' };
  check(looks.packed[0][files.trunk] !== looks.packed[1][files.trunk], 'the two trees were packed with the same bark');
  for (const [part, name] of Object.entries(files))
    check((looks.drawn[0][part] === looks.drawn[1][part]) === (looks.packed[0][name] === looks.packed[1][name]),
      `the trees' ${part} textures are drawn ${looks.drawn[0][part] === looks.drawn[1][part] ? 'alike' : 'apart'} though packed otherwise`);

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
