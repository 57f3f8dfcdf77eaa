// The stand page: one simulation module per tree (each its own memory, each
// opened at its place in the shared field), all fed the same wind, drawn in
// one three.js scene; the controls and the stepping are the one-tree page's.
// The visitor's wind goes to every tree; a wind the first refuses goes to none.
import * as THREE from 'three';
import { Sim, unpackData } from './sim.js';
import { TreeView } from './draw.js';
import { WindControl } from './wind.js';
import { attachControls } from './controls.js';

const kStep = 0.05;
// A stand takes longer to draw than one tree (in software GL seconds a
// frame) while its steps stay cheap: a frame may pay up to 4 s of lag, so
// the stand keeps real time as long as the steps do. A tab shown again
// still starts afresh.
const kMaxBanked = 4.0; // seconds of lag paid at most
const kMaxStepsPerFrame = 80;
const kRefused = 'a stand page keeps its trees: grow and Download .glb are for the one-tree page';
const kDegrees = Math.PI / 180;

const median = (a) => { if (!a.length) return 0; const s = [...a].sort((x, y) => x - y); return s[s.length >> 1]; };
const push = (a, v) => { a.push(v); if (a.length > 100) a.shift(); };

class StandSim extends Sim {
  constructor(M) {
    super(M);
    this.f.openAt = M.cwrap('av_open_at', 'number', ['string', 'number', 'number', 'number', 'number', 'number']);
  }
  openAt(dir, p, lawn) { return this.result(this.f.openAt(dir, p.x, p.z, p.turn, lawn ? lawn[0] : 0, lawn ? lawn[1] : 0)); }
}

// A tree-frame point in the field: turned, then moved (as the core places trees).
function placed(p, at) {
  const c = Math.cos(at.turn * kDegrees), s = Math.sin(at.turn * kDegrees);
  return [p[0] * c + p[2] * s + at.x, p[1], p[2] * c - p[0] * s + at.z];
}

// The trees as one simulation for the wind control and the controls.
class Trees {
  constructor(sims, places) { this.sims = sims; this.places = places; }
  all(f) { let r = { ok: true, message: '' }; for (const s of this.sims) { r = f(s); if (!r.ok) return r; } return r; }
  setWind(gale, magnitude, d) { return this.all((s) => s.setWind(gale, magnitude, d)); }
  schedule(text, name) { return this.all((s) => s.schedule(text, name)); }
  step(n) { return this.all((s) => s.step(n)); }
  wind() { return this.sims[0].wind(); }
  stepCount() { return this.sims[0].stepCount(); }
  tips() { return this.sims.map((s, k) => placed(s.tip(), this.places[k])); }
  presets() { return this.sims[0].presets(); }
}

// Tree space onto the plane y = g along l given in the field, for a tree turned by turn.
function flattening(light, g, turn) {
  const c = Math.cos(-turn * kDegrees), s = Math.sin(-turn * kDegrees);
  const l = [light[0] * c + light[2] * s, light[1], light[2] * c - light[0] * s];
  const ax = l[0] / l[1], az = l[2] / l[1];
  return new THREE.Matrix4().set(1, -ax, 0, ax * g, 0, 0, 0, g, 0, -az, 1, az * g, 0, 0, 0, 1);
}

// The default view: the whole stand, from its +z side, a little above,
// looking at mid-height between the ground and the highest top (y in the field).
function frame(view, places, ground, top) {
  const xs = places.map((p) => p.x), zs = places.map((p) => p.z);
  const cx = (Math.min(...xs) + Math.max(...xs)) / 2, cz = (Math.min(...zs) + Math.max(...zs)) / 2;
  // Far enough for the row's width (a crown reaches about 6 units out) and
  // for the nearest tree to stand whole; 60 degrees high at 4:3.
  const halfWidth = (Math.max(...xs) - Math.min(...xs)) / 2 + 6;
  const d = Math.max(halfWidth / 0.8, Math.max(...zs) - cz + 13), y = (ground + top) / 2;
  view.camera.position.set(cx, y + 0.2 * d, cz + d);
  view.controls.target.set(cx, y, cz);
  view.controls.update();
}

// The lawn: the first tree's grass, grown over the stand's extent by its
// module, lies in the field as it is: drawn once at the field's origin,
// not at the first tree's place, as the window draws it.
function placeLawn(view, lawnRoot) {
  lawnRoot.clear();
  if (view.grass) lawnRoot.add(view.meshes[view.meshes.length - 1]);
}

async function start() {
  const t0 = performance.now();
  const info = JSON.parse(document.getElementById('av-info').textContent);
  const packed = JSON.parse(document.getElementById('av-data').textContent);
  const places = info.trees;
  const sims = [], files = [];
  for (let k = 0; k < places.length; ++k) {
    const M = await ArborvaneModule();
    M.FS.mkdir('/data');
    const names = packed.trees[k];
    files.push(await unpackData(M, '/data', Object.fromEntries(Object.keys(names).map((n) => [n, packed.blobs[names[n]]]))));
    const sim = new StandSim(M);
    const opened = sim.openAt('/data', places[k], k === 0 ? info.lawn : null);
    if (!opened.ok) throw new Error(`tree ${k}: ${opened.message}`);
    sim.showGrass(!!info.grass && k === 0); // the stand's one lawn is the first tree's
    sims.push(sim);
  }
  const trees = new Trees(sims, places);
  const setUp = (seed0) => trees.all((s) => s.setUp(s === sims[0] ? seed0 : places[sims.indexOf(s)].seed));
  const seed = places[0].seed;
  const set = setUp(seed);
  if (!set.ok) throw new Error(set.message);
  const wind = new WindControl(trees);
  const first = info.schedule ? wind.schedule(info.schedule) : wind.setWind(info.wind);
  if (!first.ok) throw new Error(first.message);
  const view = new TreeView(document.getElementById('view'), info, files[0]);
  // Tree 0 draws into the view's own group; the others into groups of their own.
  const views = places.map((p, k) => {
    const v = k ? Object.assign(Object.create(view), { root: new THREE.Group(), meshes: [], grass: null, bark: null }) : view;
    if (k) view.scene.add(v.root);
    v.root.position.set(p.x, -info.treeDrop, p.z);
    v.root.rotation.y = p.turn * kDegrees;
    v.flat = flattening(info.light, info.groundY + info.treeDrop + 0.005, p.turn);
    return v;
  });
  const lawnRoot = new THREE.Group();
  lawnRoot.position.set(0, -info.treeDrop, 0);
  view.scene.add(lawnRoot);
  const build = () => { views.forEach((v, k) => v.build(sims[k])); placeLawn(view, lawnRoot); };
  build();
  frame(view, places, info.groundY, Math.max(...trees.tips().map((t) => t[1])) - info.treeDrop);

  const state = { seed, paused: false, banked: 0, last: null, stepMs: [], frameMs: [], dirty: true, history: [] };
  const time = () => trees.stepCount() * kStep;
  const stepNow = (n) => {
    const a = performance.now();
    const r = trees.step(n);
    if (n > 0) push(state.stepMs, (performance.now() - a) / n);
    state.dirty = true;
    const tip = sims[0].tip(), rest = state.restTip;
    state.history.push([time(), trees.wind().magnitude, Math.hypot(tip[0] - rest[0], tip[1] - rest[1], tip[2] - rest[2])]);
    while (state.history.length && state.history[0][0] < time() - 20) state.history.shift();
    return r;
  };
  state.restTip = sims[0].tip();
  const refused = () => Promise.resolve({ ok: false, message: kRefused });

  const api = {
    ready: false, live: true, stand: true, readyAt: 0,
    setWind: (w) => wind.setWind(w || {}),
    preset: (name) => wind.preset(String(name), time()),
    gusts: (on) => wind.gusts(on),
    schedule: (text) => wind.schedule(text),
    pause: () => { state.paused = true; },
    play: () => { state.paused = false; state.last = null; state.banked = 0; },
    step: (n = 1) => stepNow(Math.max(0, n | 0)),
    // seed is the first tree's; the others keep the stand file's.
    reset: (s = state.seed) => {
      const r = setUp(s >>> 0);
      if (r.ok) { state.seed = s >>> 0; build(); state.restTip = sims[0].tip(); state.history = []; state.dirty = true; }
      return r;
    },
    grow: refused,
    downloadGlb: refused,
    clipBytes: () => 0,
    presets: () => trees.presets(),
    time, stepCount: () => trees.stepCount(), wind: () => trees.wind(),
    tip: () => trees.tips()[0], tips: () => trees.tips(), trees: () => sims.length,
    stepMs: () => median(state.stepMs), frameMs: () => median(state.frameMs),
    paused: () => state.paused,
    gustsOn: () => wind.gustsOn,
  };
  window.arborvane = api;
  const ui = attachControls(api, state, trees, view);
  for (const id of ['grow', 'glb']) { document.getElementById(id).disabled = true; document.getElementById(id).title = kRefused; }
  document.addEventListener('visibilitychange', () => { state.last = null; state.banked = 0; });

  const tick = (now) => {
    const a = performance.now();
    if (state.last === null) state.last = now;
    if (!state.paused) {
      state.banked = Math.min(state.banked + (now - state.last) / 1000, kMaxBanked);
      let n = 0;
      while (state.banked >= kStep && n < kMaxStepsPerFrame) {
        const r = stepNow(1);
        if (!r.ok) { ui.say(r.message); state.paused = true; break; }
        state.banked -= kStep;
        ++n;
      }
    }
    state.last = now;
    if (state.dirty) { views.forEach((v, k) => v.update(sims[k])); state.dirty = false; }
    view.render();
    ui.frame();
    push(state.frameMs, performance.now() - a);
    requestAnimationFrame(tick);
  };
  view.render();
  api.readyAt = performance.now();
  api.startMs = api.readyAt - t0;
  api.ready = true;
  requestAnimationFrame(tick);
}

start().catch((e) => {
  console.error(`arborvane: ${e.message}`);
  const r = document.getElementById('readout');
  if (r) r.textContent = `failed: ${e.message}`;
});
