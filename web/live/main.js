// The live page: the simulation module steps the tree at real time (fixed
// 0.05 s steps paid from the wall clock) and three.js draws each frame from
// the module's arrays. window.arborvane is the page's face for scripts.
import { Sim, unpackData } from './sim.js';
import { TreeView } from './draw.js';
import { WindControl } from './wind.js';
import { attachControls } from './controls.js';

const kStep = 0.05;
// Slow frames (software GL draws a frame in most of a second) still get
// real time, up to a second of steps in one frame; a tab shown again starts
// afresh instead of catching up on the time it was hidden.
const kMaxBanked = 1.0; // seconds of lag paid at most
const kMaxStepsPerFrame = 20;

const median = (a) => { if (!a.length) return 0; const s = [...a].sort((x, y) => x - y); return s[s.length >> 1]; };
const push = (a, v) => { a.push(v); if (a.length > 100) a.shift(); };

async function start() {
  const t0 = performance.now();
  const info = JSON.parse(document.getElementById('av-info').textContent);
  const packed = JSON.parse(document.getElementById('av-data').textContent);
  const [M, files] = await Promise.all([ArborvaneModule(), Promise.resolve(packed)]);
  M.FS.mkdir('/data');
  const bytes = await unpackData(M, '/data', files);
  const sim = new Sim(M);
  const opened = sim.open('/data');
  if (!opened.ok) throw new Error(opened.message);
  const seed = info.seed ?? 1;
  sim.showGrass(!!info.grass);
  const set = sim.setUp(seed);
  if (!set.ok) throw new Error(set.message);
  const wind = new WindControl(sim);
  const first = info.schedule ? wind.schedule(info.schedule) : wind.setWind(info.wind);
  if (!first.ok) throw new Error(first.message);
  const view = new TreeView(document.getElementById('view'), info, bytes);
  view.build(sim);

  const state = { seed, paused: false, banked: 0, last: null, stepMs: [], frameMs: [], dirty: true, history: [] };
  const time = () => sim.stepCount() * kStep;
  const stepNow = (n) => {
    const a = performance.now();
    const r = sim.step(n);
    if (n > 0) push(state.stepMs, (performance.now() - a) / n);
    state.dirty = true;
    const tip = sim.tip(), rest = state.restTip;
    state.history.push([time(), sim.wind().magnitude, Math.hypot(tip[0] - rest[0], tip[1] - rest[1], tip[2] - rest[2])]);
    while (state.history.length && state.history[0][0] < time() - 20) state.history.shift();
    return r;
  };
  state.restTip = sim.tip();

  const api = {
    ready: false, live: true, readyAt: 0,
    setWind: (w) => wind.setWind(w || {}),
    preset: (name) => wind.preset(String(name), time()),
    gusts: (on) => wind.gusts(on),
    schedule: (text) => wind.schedule(text),
    pause: () => { state.paused = true; },
    play: () => { state.paused = false; state.last = null; state.banked = 0; },
    step: (n = 1) => { const r = stepNow(Math.max(0, n | 0)); return r; },
    reset: (s = state.seed) => {
      const r = sim.setUp(s >>> 0);
      if (r.ok) { state.seed = s >>> 0; view.build(sim); state.restTip = sim.tip(); state.history = []; state.dirty = true; }
      return r;
    },
    // Another tree from the grower's presets, grown in the module; its leaves from the present seed.
    grow: ({ preset = 'tulip', seed: treeSeed = 1987 } = {}) => new Promise((done) => setTimeout(() => {
      const r = sim.grow(preset, treeSeed);
      if (r.ok) ui.showTree(preset, treeSeed); // the page's own choice follows a script's
      done(r.ok ? api.reset(state.seed) : r);
    }, 0)),
    // The last 10 s as a .glb, offered as a download ({save: false}: only made).
    downloadGlb: ({ save = true } = {}) => new Promise((done) => setTimeout(() => {
      const r = sim.glb();
      if (r.ok && save) {
        const a = Object.assign(document.createElement('a'), { download: 'arborvane.glb',
          href: URL.createObjectURL(new Blob([r.bytes], { type: 'model/gltf-binary' })) });
        a.click();
        setTimeout(() => URL.revokeObjectURL(a.href), 60000);
      }
      done(r);
    }, 0)),
    clipBytes: () => sim.clipBytes(),
    presets: () => sim.presets(),
    time, stepCount: () => sim.stepCount(), tip: () => sim.tip(), wind: () => sim.wind(),
    stepMs: () => median(state.stepMs), frameMs: () => median(state.frameMs),
    paused: () => state.paused,
    gustsOn: () => wind.gustsOn,
  };
  window.arborvane = api;
  const ui = attachControls(api, state, sim, view);
  document.addEventListener('visibilitychange', () => { state.last = null; state.banked = 0; });

  const frame = (now) => {
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
    if (state.dirty) { view.update(sim); state.dirty = false; }
    view.render();
    ui.frame();
    push(state.frameMs, performance.now() - a);
    requestAnimationFrame(frame);
  };
  view.render();
  api.readyAt = performance.now(); // since the page began to load
  api.startMs = api.readyAt - t0; // of which the module, the data and the first picture
  api.ready = true;
  requestAnimationFrame(frame);
}

start().catch((e) => {
  console.error(`arborvane: ${e.message}`);
  const r = document.getElementById('readout');
  if (r) r.textContent = `failed: ${e.message}`;
});
