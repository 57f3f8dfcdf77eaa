// Opens an --live page in headless Chromium from file:// with the network
// off and checks: no console error, ready within 5 s, the wind turned from
// +x to +z moves the tree top towards +z, a bad schedule or wind is refused
// naming the field and leaves the wind, presets and gusts are taken, grow
// gives a different tree that moves (and the page's tree choice follows), a
// paused picture holds, the tree top after reset(1) and 200 steps of the
// default gale is the native trace's row 200 within 1e-6 of the tree's
// height, and "Download .glb" saves the last 200 steps (to GLB, for the validator).
// node live_test.mjs PAGE.html NATIVE_TRACE.csv GLB [SCREENSHOT.png]
import { copyFileSync, existsSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium, offlinePage } from './chromium.mjs';
import { localPoses, readGlb, worldPositions } from './gltf_pose.mjs';

const [pageFile, traceFile, glbOut, shot] = process.argv.slice(2);
const problems = [];
const check = (ok, what) => { if (!ok) problems.push(what); };
const { browser, profile, close } = await launchChromium();

// Trace row `frame` as {tip: [x, y, z], ...}.
function traceRow(frame) {
  const lines = readFileSync(traceFile, 'utf8').trim().split('\n');
  const head = lines[0].split(',');
  const row = lines.find((l) => l.startsWith(`${frame},`)).split(',');
  const at = (name) => Number(row[head.indexOf(name)]);
  return { tip: [at('tip_x'), at('tip_y'), at('tip_z')] };
}

try {
  const page = await offlinePage(browser, problems);

  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction('window.arborvane && window.arborvane.ready', { timeout: 60000, polling: 'raf' });
  const readyAt = await page.evaluate(() => arborvane.readyAt);
  console.log(`ready ${(readyAt / 1000).toFixed(2)} s after the page began to load`);
  check(readyAt < 5000, `ready only ${(readyAt / 1000).toFixed(1)} s after opening (at most 5 s)`);
  check(await page.evaluate(() => arborvane.live === true), 'arborvane.live is not true');
  await page.evaluate(() => arborvane.pause());

  // The native motion: 200 steps of the default gale from seed 1.
  const native = traceRow(200).tip, rest = traceRow(0).tip;
  const height = rest[1] + 0.1; // the trunk stands on y = -0.1 of tree space
  const got = await page.evaluate(() => { arborvane.reset(1); arborvane.step(200); return arborvane.tip(); });
  const off = Math.hypot(...got.map((v, i) => v - native[i]));
  console.log(`after 200 steps the tree top is ${off.toExponential(2)} (${(off / height).toExponential(2)} of the height) from the native trace`);
  check(off <= 1e-6 * height, `tree top ${got} after 200 steps, the native trace says ${native}`);
  check(await page.evaluate(() => arborvane.stepCount() === 200 && Math.abs(arborvane.time() - 10) < 1e-9),
    'stepCount()/time() after 200 steps');

  // Wind turned from +x to +z: the top goes towards +z, against the same time in +x.
  const turned = await page.evaluate(() => {
    const run = (dirs) => {
      arborvane.reset(1);
      for (const [d, n] of dirs) { arborvane.setWind({ regime: 'gale', magnitude: 400, direction: d }); arborvane.step(n); }
      return arborvane.tip();
    };
    return { x: run([[[1, 0, 0], 160]]), z: run([[[1, 0, 0], 100], [[0, 0, 1], 60]]) };
  });
  console.log(`tree top z after 3 s of +z wind: ${turned.z[2].toFixed(3)}, kept in +x: ${turned.x[2].toFixed(3)}`);
  check(turned.z[2] - turned.x[2] > 0.2, `turning the wind to +z moved the top's z only from ${turned.x[2]} to ${turned.z[2]}`);

  // Refusals name the field and leave the wind as it was.
  const refusals = await page.evaluate(() => {
    const before = JSON.stringify(arborvane.wind());
    const tries = {
      schedule: arborvane.schedule('{"keys": [{"time": 0, "magnitude": 900}]}'),
      syntax: arborvane.schedule('{"keys": ['),
      wind: arborvane.setWind({ magnitude: -1 }),
      preset: arborvane.preset('hurricane'),
    };
    return { tries, kept: JSON.stringify(arborvane.wind()) === before };
  });
  for (const [what, r] of Object.entries(refusals.tries)) console.log(`${what}: ${JSON.stringify(r)}`);
  check(!refusals.tries.schedule.ok && /magnitude/.test(refusals.tries.schedule.message), 'a schedule with magnitude 900 was not refused by name');
  check(!refusals.tries.syntax.ok && refusals.tries.syntax.message, 'a broken schedule was not refused');
  check(!refusals.tries.wind.ok && /magnitude/.test(refusals.tries.wind.message), 'setWind with magnitude -1 was not refused by name');
  check(!refusals.tries.preset.ok, 'an unknown preset was taken');
  check(refusals.kept, 'a refused call changed the wind');

  // A preset is reached 2 s after it is asked for; gusts play on it.
  const eased = await page.evaluate(() => {
    arborvane.reset(1);
    arborvane.step(20);
    const r = arborvane.preset('storm');
    arborvane.step(10);
    const half = arborvane.wind().magnitude;
    arborvane.step(40);
    const g = arborvane.gusts(true);
    return { ok: r.ok && g.ok, half, end: arborvane.wind().magnitude, scheduled: arborvane.wind().scheduled };
  });
  console.log(`storm preset: magnitude ${eased.half.toFixed(1)} after 0.5 s, ${eased.end.toFixed(1)} after 2.5 s`);
  check(eased.ok && eased.half > 400 && eased.half < 800 && eased.end === 800 && eased.scheduled, 'the storm preset was not eased to 800');

  // A schedule file with gusts: the button says so, and off keeps the file's keys.
  const filed = await page.evaluate(async () => {
    arborvane.reset(1);
    const r = arborvane.schedule('{"keys": [{"time": 0, "magnitude": 300}], "gusts": {"every": 4, "strength": 0.5, "rise": 1, "fall": 2}}');
    await new Promise((done) => { let n = 8; const f = () => (--n ? requestAnimationFrame(f) : done()); requestAnimationFrame(f); });
    const on = [arborvane.gustsOn(), document.getElementById('gusts').textContent];
    const off = arborvane.gusts(false);
    arborvane.step(100);
    return { ok: r.ok && off.ok, on, off: arborvane.gustsOn(), wind: arborvane.wind() };
  });
  check(filed.ok && filed.on[0] && filed.on[1] === 'Gusts: on', `a schedule with gusts shows ${filed.on}`);
  check(!filed.off && filed.wind.scheduled && filed.wind.magnitude === 300, `gusts off left ${JSON.stringify(filed.wind)}, not the file's 300`);

  // Another tree, grown in the page: a different rest shape, and it moves.
  const grown = await page.evaluate(async () => {
    arborvane.reset(1);
    const before = arborvane.tip();
    const start = performance.now();
    const r = await arborvane.grow({ preset: 'cone', seed: 7 });
    const ms = performance.now() - start;
    const rest = arborvane.tip();
    arborvane.step(40);
    const chosen = [document.getElementById('grow-preset').value, document.getElementById('grow-seed').value];
    return { r, ms, before, rest, chosen, moved: arborvane.tip(), bad: await arborvane.grow({ preset: 'baobab' }) };
  });
  console.log(`grew a cone tree in ${grown.ms.toFixed(0)} ms: top at rest ${grown.rest.map((v) => v.toFixed(3))}, was ${grown.before.map((v) => v.toFixed(3))}`);
  check(grown.r.ok, `grow failed: ${grown.r.message}`);
  check(Math.hypot(...grown.rest.map((v, i) => v - grown.before[i])) > 0.05, 'the grown tree stands as the one before');
  check(Math.hypot(...grown.moved.map((v, i) => v - grown.rest[i])) > 0.01, 'the grown tree does not move');
  check(!grown.bad.ok && /baobab/.test(grown.bad.message), 'an unknown tree preset was grown');
  check(grown.chosen.join() === 'cone,7', `after grow({cone, 7}) the page's tree choice shows ${grown.chosen}`);

  // Paused, the picture holds (after two frames drawn in the pause).
  await page.evaluate(() => { arborvane.reset(1); arborvane.step(40); });
  const frames = () => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
  const grab = () => page.evaluate(() => {
    const c = document.getElementById('view');
    const t = Object.assign(document.createElement('canvas'), { width: 200, height: 150 });
    t.getContext('2d').drawImage(c, 0, 0, 200, 150);
    return Array.from(t.getContext('2d').getImageData(0, 0, 200, 150).data);
  });
  await frames();
  const a = await grab();
  await new Promise((r) => setTimeout(r, 1000));
  await frames();
  const b = await grab();
  check(a.some((v, i) => v !== a[0]), 'the canvas is blank');
  check(a.every((v, i) => v === b[i]), 'paused, the picture still changes');
  if (shot) await page.screenshot({ path: shot });

  // "Download .glb": the button saves what the module makes, the last 200
  // steps. Oracle: the tree top the page had 51 and 250 steps after reset(1)
  // is where the file's joints carry the rest top (pivots from a file made at rest).
  const made = await page.evaluate(async () => {
    const base64 = (b) => { let s = ''; for (let i = 0; i < b.length; i += 0x8000) s += String.fromCharCode(...b.subarray(i, i + 0x8000)); return btoa(s); };
    arborvane.reset(1);
    const rest = await arborvane.downloadGlb({ save: false });
    const tips = [arborvane.tip()];
    arborvane.step(51);
    tips.push(arborvane.tip());
    arborvane.step(199);
    tips.push(arborvane.tip());
    const r = await arborvane.downloadGlb({ save: false });
    return { ok: r.ok && rest.ok, message: r.message + rest.message, size: r.ok ? r.bytes.length : 0, frames: r.frames,
      restFrames: rest.frames, rest: rest.ok ? base64(rest.bytes) : '', tips };
  });
  console.log(`.glb of ${made.frames} frames: ${(made.size / 1e6).toFixed(2)} MB (the ring holds ${(await page.evaluate(() => arborvane.clipBytes()) / 1e6).toFixed(1)} MB)`);
  check(made.ok && made.frames === 200 && made.restFrames === 1, `the .glb was not made of 200 frames: ${made.message} ${made.frames}`);
  const downloads = join(profile, 'downloads');
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.click('#glb');
  const saved = join(downloads, 'arborvane.glb');
  for (let t = 0; t < 300 && !(existsSync(saved) && statSync(saved).size === made.size); ++t)
    await new Promise((r) => setTimeout(r, 100));
  check(existsSync(saved) && statSync(saved).size === made.size, 'the button saved no .glb of the size made');
  if (existsSync(saved) && made.rest) {
    copyFileSync(saved, glbOut);
    const restFile = join(profile, 'rest.glb');
    writeFileSync(restFile, Buffer.from(made.rest, 'base64'));
    const restGlb = readGlb(restFile), glb = readGlb(saved);
    const joints = glb.doc.nodes.map((_, i) => i).filter((i) => /^b\d+\.p\d+$/.test(glb.doc.nodes[i].name));
    const pivots = worldPositions(restGlb.doc, localPoses(restGlb, 0), joints);
    // A node under each joint where the rest top is: where the joint's motion takes it.
    const nodes = glb.doc.nodes.map((n) => ({ ...n, children: [...(n.children || [])] }));
    const probes = joints.map((j, i) => {
      nodes[j].children.push(nodes.length);
      nodes.push({ translation: made.tips[0].map((v, k) => v - pivots[i][k]) });
      return nodes.length - 1;
    });
    for (const [frame, tip] of [[0, made.tips[1]], [made.frames - 1, made.tips[2]]]) {
      const poses = localPoses({ ...glb, doc: { ...glb.doc, nodes } }, frame);
      const off = Math.min(...worldPositions({ nodes }, poses, probes).map((p) => Math.hypot(...p.map((v, k) => v - tip[k]))));
      console.log(`.glb frame ${frame}: the tree top is ${(off / height).toExponential(2)} of the height from the page's`);
      check(off <= 1e-6 * height, `.glb frame ${frame} does not carry the tree top where the page has it (off by ${off})`);
    }
  }

  // Playing, the clock moves on.
  const t0 = await page.evaluate(() => { arborvane.play(); return arborvane.time(); });
  await new Promise((r) => setTimeout(r, 1500));
  await frames();
  const timing = await page.evaluate(() => ({ t: arborvane.time(), stepMs: arborvane.stepMs(), frameMs: arborvane.frameMs() }));
  console.log(`playing: ${(timing.t - t0).toFixed(2)} s simulated; step ${timing.stepMs.toFixed(2)} ms, frame ${timing.frameMs.toFixed(1)} ms (medians)`);
  check(timing.t > t0, 'playing, the simulated time does not move');
} finally {
  await close();
}
for (const p of problems) console.log(`FAIL: ${p}`);
process.exit(problems.length ? 1 : 0);
