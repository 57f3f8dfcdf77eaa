// Node positions of a .glb at a frame, from its own animation: the oracle
// the page's poses are compared with. Also reads the parts of a --web page.
import { readFileSync } from 'node:fs';
import { inflateSync } from 'node:zlib';

export function readGlb(file) {
  const b = readFileSync(file);
  const n = b.readUInt32LE(12);
  return { doc: JSON.parse(b.subarray(20, 20 + n).toString()), bin: b.subarray(28 + n) };
}

// The text of <script id="ID"> in the page.
export function pagePart(html, id) {
  const m = html.match(new RegExp(`<script[^>]*id="${id}">([^<]*)</script>`));
  if (!m) throw new Error(`page has no ${id}`);
  return m[1];
}
export const pageBytes = (html, id) => inflateSync(Buffer.from(pagePart(html, id), 'base64'));

function accessor({ doc, bin }, index) {
  const a = doc.accessors[index];
  const v = doc.bufferViews[a.bufferView];
  const comps = { SCALAR: 1, VEC3: 3, VEC4: 4 }[a.type];
  const at = (v.byteOffset || 0) + (a.byteOffset || 0);
  const out = new Float64Array(a.count * comps);
  for (let i = 0; i < out.length; ++i)
    out[i] = a.componentType === 5126 ? bin.readFloatLE(at + 4 * i) : Math.max(bin.readInt16LE(at + 2 * i) / 32767, -1);
  return { comps, out };
}

// Local poses { t, q, s } of every node at integer frame f (no animation: rest).
export function localPoses(glb, frame) {
  const poses = glb.doc.nodes.map((n) => ({
    t: n.translation || [0, 0, 0], q: n.rotation || [0, 0, 0, 1], s: n.scale || [1, 1, 1],
  }));
  for (const anim of glb.doc.animations || []) {
    for (const c of anim.channels) {
      const { comps, out } = accessor(glb, anim.samplers[c.sampler].output);
      const v = Array.from(out.subarray(frame * comps, frame * comps + comps));
      poses[c.target.node][c.target.path === 'rotation' ? 'q' : c.target.path === 'scale' ? 's' : 't'] = v;
    }
  }
  return poses;
}

function compose({ t, q, s }) {
  const [x, y, z, w] = q;
  const m = [
    1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,
    2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,
    2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,
    t[0], t[1], t[2], 1];
  for (let c = 0; c < 3; ++c) for (let r = 0; r < 3; ++r) m[4 * c + r] *= s[c];
  return m;
}

function multiply(a, b) {
  const m = new Array(16).fill(0);
  for (let c = 0; c < 4; ++c) for (let r = 0; r < 4; ++r) for (let k = 0; k < 4; ++k) m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
  return m;
}

// World positions of the nodes `indices` for the local poses.
export function worldPositions(doc, poses, indices) {
  const parent = new Array(doc.nodes.length).fill(-1);
  doc.nodes.forEach((n, i) => (n.children || []).forEach((c) => (parent[c] = i)));
  return indices.map((i) => {
    let m = compose(poses[i]);
    for (let p = parent[i]; p >= 0; p = parent[p]) m = multiply(compose(poses[p]), m);
    return [m[12], m[13], m[14]];
  });
}

// A spread of animated tree joints and leaf blades to compare.
export function probeNodes(doc, count = 24) {
  const animated = [...new Set(doc.animations[0].channels.map((c) => c.target.node))];
  const step = Math.max(1, Math.floor(animated.length / count));
  return animated.filter((_, i) => i % step === 0).slice(0, count);
}
