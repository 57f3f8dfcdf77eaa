// The --compress file decoded by three.js's meshopt decoder (the page's
// viewer's) against the plain export of the same run: every compressed
// stream, read through its accessor, matches within its quantisation (the
// animation's tracks and the indices exactly).
// usage: node meshopt_check.mjs PLAIN.glb COMPRESSED.glb meshopt_decoder.module.js
import { readFileSync } from 'node:fs';

const [plainFile, packedFile, decoderPath] = process.argv.slice(2);
const { MeshoptDecoder } = await import(decoderPath);
await MeshoptDecoder.ready;

function readGlb(file) {
  const b = readFileSync(file);
  const n = b.readUInt32LE(12);
  return { doc: JSON.parse(b.subarray(20, 20 + n).toString()), bin: b.subarray(28 + n), size: b.length };
}
const plain = readGlb(plainFile);
const packed = readGlb(packedFile);

const comps = { SCALAR: 1, VEC2: 2, VEC3: 3, VEC4: 4 };
const sizes = { 5120: 1, 5121: 1, 5122: 2, 5123: 2, 5125: 4, 5126: 4 };
// An accessor's values as numbers, normalised integers as the spec maps them.
function values(a, bytes, stride) {
  const dv = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const k = comps[a.type], size = sizes[a.componentType], step = stride || k * size;
  const out = [];
  for (let i = 0; i < a.count; ++i)
    for (let c = 0; c < k; ++c) {
      const at = (a.byteOffset || 0) + i * step + c * size;
      const v = { 5120: () => dv.getInt8(at), 5121: () => dv.getUint8(at), 5122: () => dv.getInt16(at, true),
        5123: () => dv.getUint16(at, true), 5125: () => dv.getUint32(at, true), 5126: () => dv.getFloat32(at, true),
      }[a.componentType]();
      const scale = { 5120: 127, 5121: 255, 5122: 32767, 5123: 65535 }[a.componentType];
      out.push(a.normalized ? Math.max(v / scale, -1) : v);
    }
  return out;
}
function plainValues(index) {
  const a = plain.doc.accessors[index];
  const v = plain.doc.bufferViews[a.bufferView];
  return values(a, plain.bin.subarray(v.byteOffset || 0, (v.byteOffset || 0) + v.byteLength), v.byteStride);
}

const worst = {};
let streams = 0;
const roles = new Map();
for (const mesh of packed.doc.meshes)
  for (const p of mesh.primitives) {
    for (const [name, index] of Object.entries(p.attributes)) roles.set(index, name);
    roles.set(p.indices, 'indices');
  }
for (const anim of packed.doc.animations || []) for (const s of anim.samplers) roles.set(s.output, 'tracks');
for (const [index, role] of roles) {
  const a = packed.doc.accessors[index];
  const view = packed.doc.bufferViews[a.bufferView];
  const ext = view.extensions && view.extensions.EXT_meshopt_compression;
  if (!ext) throw new Error(`${role} accessor ${index} is not compressed`);
  const target = new Uint8Array(ext.count * ext.byteStride);
  const source = packed.bin.subarray(ext.byteOffset || 0, (ext.byteOffset || 0) + ext.byteLength);
  MeshoptDecoder.decodeGltfBuffer(target, ext.count, ext.byteStride, source, ext.mode, ext.filter || 'NONE');
  // The index codec may turn a triangle's corners round (its winding kept): compare each turned to its least corner.
  const turned = (v) => role !== 'indices' ? v : v.flatMap((_, t) => {
    if (t % 3) return [];
    const c = v.slice(t, t + 3), k = c.indexOf(Math.min(...c));
    return [c[k], c[(k + 1) % 3], c[(k + 2) % 3]];
  });
  const got = turned(values(a, target, view.byteStride));
  const want = turned(plainValues(index));
  if (got.length !== want.length) throw new Error(`${role} accessor ${index}: ${got.length} values, not ${want.length}`);
  let err = 0;
  for (let i = 0; i < got.length; ++i) {
    const e = Math.abs(got[i] - want[i]);
    // Positions keep 16 bits of mantissa shared by the vertex: relative to its largest component.
    const base = role === 'POSITION' ? Math.max(...want.slice(i - (i % 3), i - (i % 3) + 3).map(Math.abs)) : 1;
    err = Math.max(err, base > 0 ? e / base : e);
  }
  worst[role] = Math.max(worst[role] || 0, err);
  ++streams;
}
const limits = { POSITION: 1e-4, NORMAL: 0.5 / 127 + 1e-6, TEXCOORD_0: 0.5 / 65535 + 1e-7, JOINTS_0: 0, WEIGHTS_0: 0,
  indices: 0, tracks: 0 };
console.log(`${streams} streams decoded; sizes ${plain.size} -> ${packed.size} bytes`);
let ok = streams > 0;
for (const [role, e] of Object.entries(worst)) {
  console.log(`  ${role}: largest error ${e.toExponential(2)} (limit ${limits[role].toExponential(2)})`);
  ok = ok && e <= limits[role];
}
process.exit(ok ? 0 : 1);
