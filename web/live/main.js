// The live page: the simulation module steps the tree at real time (fixed
// 0.05 s steps paid from the wall clock) and three.js draws each frame from
// the module's arrays. window.arborvane is the page's face for scripts.
import { Sim, unpackData } from './sim.js';
import { TreeView } from './draw.js';
import { WindControl } from './wind.js';
import { attachControls } from './controls.js';
import { commonApi, runFrames, startPage, stepper } from './page_loop.js';

// Slow frames (software GL draws a frame in most of a second) still get
// real time, up to a second of steps in one frame.
const kMaxBanked = 1.0; // seconds of lag paid at most
const kMaxStepsPerFrame = 20;

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

  const clock = stepper(sim, () => sim.tip(), seed), { state } = clock;

  const api = Object.assign(commonApi(sim, wind, clock), {
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
    tip: () => sim.tip(),
  });
  window.arborvane = api;
  const ui = attachControls(api, state, sim, view);
  runFrames(api, clock, { maxBanked: kMaxBanked, maxSteps: kMaxStepsPerFrame, ui, view, update: () => view.update(sim), t0 });
}

startPage(start);
