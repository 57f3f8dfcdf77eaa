// The stand page: one simulation module per tree (each its own memory, each
// opened at its place in the shared field), all fed the same wind, drawn in
// one three.js scene; the controls and the stepping are the one-tree page's.
// The visitor's wind goes to every tree; a wind the first refuses goes to none.
import * as THREE from 'three';
import { Sim, unpackData } from './sim.js';
import { TreeView, treeTextureFiles, treeTextures } from './draw.js';
import { WindControl } from './wind.js';
import { attachControls } from './controls.js';
import { commonApi, runFrames, startPage, stepper } from './page_loop.js';

// A stand takes longer to draw than one tree (in software GL seconds a
// frame) while its steps stay cheap: a frame may pay up to 4 s of lag, so
// the stand keeps real time as long as the steps do. A tab shown again
// still starts afresh.
const kMaxBanked = 4.0; // seconds of lag paid at most
const kMaxStepsPerFrame = 80;
const kRefused = 'a stand page keeps its trees: grow and Download .glb are for the one-tree page';
const kDegrees = Math.PI / 180;

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

// A tree's box in the field as it stands now: its bark's vertices and the
// reach of each leaf (the blade's bounding sphere where its matrix puts it).
function treeBox(v) {
  v.root.updateMatrixWorld(true);
  const box = new THREE.Box3(), p = new THREE.Vector3(), bark = v.bark.getAttribute('position');
  for (let i = 0; i < bark.count; ++i) box.expandByPoint(p.fromBufferAttribute(bark, i).applyMatrix4(v.root.matrixWorld));
  const leaves = v.meshes[1], m = new THREE.Matrix4(), reach = new THREE.Sphere(), part = new THREE.Box3();
  if (!leaves.geometry.boundingSphere) leaves.geometry.computeBoundingSphere();
  for (let i = 0; i < leaves.count; ++i) {
    leaves.getMatrixAt(i, m);
    m.premultiply(v.root.matrixWorld);
    box.union(reach.copy(leaves.geometry.boundingSphere).applyMatrix4(m).getBoundingBox(part));
  }
  return box;
}

// The box's outline on the canvas, in CSS pixels from its top left.
function onScreen(camera, box, width, height) {
  const r = { left: Infinity, top: Infinity, right: -Infinity, bottom: -Infinity }, p = new THREE.Vector3();
  for (let c = 0; c < 8; ++c) {
    p.set(c & 1 ? box.max.x : box.min.x, c & 2 ? box.max.y : box.min.y, c & 4 ? box.max.z : box.min.z).project(camera);
    if (Math.abs(p.z) > 1) return { left: -Infinity, top: -Infinity, right: Infinity, bottom: Infinity }; // behind the eye, or too near
    const x = (p.x + 1) / 2 * width, y = (1 - p.y) / 2 * height;
    r.left = Math.min(r.left, x); r.right = Math.max(r.right, x); r.top = Math.min(r.top, y); r.bottom = Math.max(r.bottom, y);
  }
  return r;
}

// The parts of the canvas no panel covers: left of the wind panel, or under
// it across the width; both above the bar (CSS pixels, a margin kept).
function freeRects(canvas) {
  const c = canvas.getBoundingClientRect(), m = 8;
  const at = (id) => { const b = document.getElementById(id).getBoundingClientRect(); return { left: b.left - c.left, top: b.top - c.top, right: b.right - c.left, bottom: b.bottom - c.top }; };
  const side = at('side'), bottom = at('bar').top - m;
  return [{ left: m, top: m, right: side.left - m, bottom }, { left: m, top: side.bottom + m, right: c.width - m, bottom }]
    .filter((r) => r.right - r.left > 40 && r.bottom - r.top > 40);
}

// The default view: the whole stand from its +z side, a little above, as
// near as it can be with every tree whole inside one of the free parts.
function frame(view, boxes) {
  const camera = view.camera, canvas = view.renderer.domElement;
  const width = canvas.clientWidth || 800, height = canvas.clientHeight || 600;
  const all = boxes.reduce((a, b) => a.union(b), new THREE.Box3());
  const centre = all.getCenter(new THREE.Vector3()), back = new THREE.Vector3(0, 0.2, 1);
  const target = new THREE.Vector3(), right = new THREE.Vector3(), up = new THREE.Vector3();
  const outline = () => boxes.map((b) => onScreen(camera, b, width, height)).reduce((a, r) => ({ left: Math.min(a.left, r.left),
    top: Math.min(a.top, r.top), right: Math.max(a.right, r.right), bottom: Math.max(a.bottom, r.bottom) }));
  // From d away, the stand's outline moved to the middle of the part: how much room it leaves.
  const place = (d, part) => {
    target.copy(centre);
    const metres = 2 * d * back.length() * Math.tan(camera.fov * Math.PI / 360) / height; // a pixel at the centre's depth
    for (let i = 0; i < 4; ++i) {
      camera.position.copy(target).addScaledVector(back, d);
      camera.lookAt(target);
      camera.updateMatrixWorld(true);
      const o = outline();
      right.setFromMatrixColumn(camera.matrixWorld, 0);
      up.setFromMatrixColumn(camera.matrixWorld, 1);
      target.addScaledVector(right, ((o.left + o.right) - (part.left + part.right)) / 2 * metres)
        .addScaledVector(up, ((part.top + part.bottom) - (o.top + o.bottom)) / 2 * metres);
    }
    camera.position.copy(target).addScaledVector(back, d);
    camera.lookAt(target);
    camera.updateMatrixWorld(true);
    const o = outline();
    return Math.min(o.left - part.left, part.right - o.right, o.top - part.top, part.bottom - o.bottom);
  };
  const size = all.getSize(new THREE.Vector3()).length();
  let best = null;
  for (const part of freeRects(canvas)) {
    let near = 0.5 * size, far = 20 * size;
    if (place(far, part) < 0) continue;
    for (let i = 0; i < 30; ++i) { const d = (near + far) / 2; if (place(d, part) >= 0) far = d; else near = d; }
    if (!best || far < best.d) best = { d: far, part };
  }
  if (!best) best = { d: 2 * size, part: { left: 0, top: 0, right: width, bottom: height } };
  place(best.d, best.part);
  view.controls.target.copy(target);
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
  // A stand is seen from further off: the ground reaches the horizon, as in the window.
  view.ground.scale.set(12, 12, 1);
  view.textures.ground.repeat.multiplyScalar(12);
  // Each tree in its own folder's textures, made once for the trees whose files are the same.
  const looks = new Map();
  const look = (k) => {
    const key = Object.values(treeTextureFiles).map((n) => packed.trees[k][n]).join();
    if (!looks.has(key)) looks.set(key, k ? treeTextures(files[k]) : view.textures);
    return looks.get(key);
  };
  // Tree 0 draws into the view's own group; the others into groups of their own.
  const views = places.map((p, k) => {
    const v = k ? Object.assign(Object.create(view), { root: new THREE.Group(), meshes: [], grass: null, bark: null,
      textures: { ...view.textures, ...look(k) } }) : (look(0), view);
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

  const clock = stepper(trees, () => sims[0].tip(), seed), { state } = clock;
  const refused = () => Promise.resolve({ ok: false, message: kRefused });

  const api = Object.assign(commonApi(trees, wind, clock), {
    stand: true,
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
    tip: () => trees.tips()[0], tips: () => trees.tips(), trees: () => sims.length,
    // For the page's tests: each tree's outline on the canvas (CSS pixels), and
    // a digest of the textures its bark and leaves are drawn with.
    treeBoxes: () => {
      const c = view.renderer.domElement;
      return views.map((v) => onScreen(view.camera, treeBox(v), c.clientWidth, c.clientHeight));
    },
    treeTextures: () => views.map((v) => {
      const digest = (t) => t.image.data.reduce((h, b) => (Math.imul(h, 31) + b) >>> 0, 7);
      const [trunk, branch, petiole] = v.meshes[0].material.map((m) => digest(m.map));
      return { trunk, branch, petiole, lower: digest(v.meshes[1].material.map) };
    }),
  });
  window.arborvane = api;
  const ui = attachControls(api, state, trees, view);
  for (const id of ['grow', 'glb']) { document.getElementById(id).disabled = true; document.getElementById(id).title = kRefused; }
  ui.frame(); // the panels as they will stand, for the view to keep clear of
  frame(view, views.map(treeBox));
  // A window resized before the visitor has turned the view frames the stand again.
  let turned = false;
  view.controls.addEventListener('start', () => { turned = true; });
  window.addEventListener('resize', () => {
    if (turned) return;
    view.resize();
    frame(view, views.map(treeBox));
  });
  runFrames(api, clock, { maxBanked: kMaxBanked, maxSteps: kMaxStepsPerFrame, ui, view, t0,
    update: () => views.forEach((v, k) => v.update(sims[k])) });
}

startPage(start);
