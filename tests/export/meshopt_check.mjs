// The --compress file loaded by three.js's GLTFLoader with its meshopt
// decoder (the page's viewer's three.js) against the plain export of the
// same run: the same meshes, every vertex stream within its quantisation,
// the same triangles (a triangle's corners may come turned round, its
// winding kept), and every node at the same place half-way through the clip.
// usage: node meshopt_check.mjs PLAIN.glb COMPRESSED.glb NODE_MODULES
import { readFileSync } from 'node:fs';

globalThis.self = globalThis; // GLTFLoader reads self.URL; without a DOM the textures are left out
const [plainFile, packedFile, modules] = process.argv.slice(2);
const THREE = await import(`${modules}/three/build/three.module.js`);
const { GLTFLoader } = await import(`${modules}/three/examples/jsm/loaders/GLTFLoader.js`);
const { MeshoptDecoder } = await import(`${modules}/three/examples/jsm/libs/meshopt_decoder.module.js`);
console.error = console.warn = () => {}; // the textures' load failures

function load(file) {
  const b = readFileSync(file);
  const loader = new GLTFLoader().setMeshoptDecoder(MeshoptDecoder);
  return new Promise((ok, fail) => loader.parse(b.buffer.slice(b.byteOffset, b.byteOffset + b.length), '', ok, fail));
}
const [plain, packed] = [await load(plainFile), await load(packedFile)];

function pose(gltf) {
  const mixer = new THREE.AnimationMixer(gltf.scene);
  mixer.clipAction(gltf.animations[0]).play();
  mixer.setTime(gltf.animations[0].duration / 2);
  gltf.scene.updateMatrixWorld(true);
  const objects = [];
  gltf.scene.traverse((o) => objects.push(o));
  return objects;
}
const turned = (index) => Array.from({ length: index.count / 3 }, (_, t) => {
  const c = [index.getX(3 * t), index.getX(3 * t + 1), index.getX(3 * t + 2)], k = c.indexOf(Math.min(...c));
  return `${c[k]},${c[(k + 1) % 3]},${c[(k + 2) % 3]}`;
}).join(' ');

const a = pose(plain), b = pose(packed);
const worst = { pose: 0 };
let ok = a.length === b.length && a.length > 0, meshes = 0;
const compared = new Set(); // the leaves share one blade geometry
for (let i = 0; ok && i < a.length; ++i) {
  for (let e = 0; e < 16; ++e) worst.pose = Math.max(worst.pose, Math.abs(a[i].matrixWorld.elements[e] - b[i].matrixWorld.elements[e]));
  if (!a[i].isMesh) continue;
  ++meshes;
  const ga = a[i].geometry, gb = b[i].geometry;
  ok = ok && a[i].name === b[i].name;
  if (compared.has(ga)) continue;
  compared.add(ga);
  ok = ok && turned(ga.index) === turned(gb.index);
  for (const [name, attr] of Object.entries(ga.attributes)) {
    const other = gb.attributes[name];
    for (let v = 0; ok && v < attr.count; ++v) {
      // Positions keep 16 bits of mantissa shared by the vertex: relative to its largest component.
      const scale = name === 'position' ? Math.max(Math.abs(attr.getX(v)), Math.abs(attr.getY(v)), Math.abs(attr.getZ(v))) || 1 : 1;
      for (let c = 0; c < attr.itemSize; ++c)
        worst[name] = Math.max(worst[name] || 0, Math.abs(attr.getComponent(v, c) - other.getComponent(v, c)) / scale);
    }
  }
}
const limits = { pose: 1e-6, position: 1e-4, normal: 0.5 / 127 + 1e-6, uv: 0.5 / 65535 + 1e-7, skinIndex: 0, skinWeight: 0 };
console.log(`${meshes} meshes and ${a.length} objects alike; sizes ${readFileSync(plainFile).length} -> ${readFileSync(packedFile).length} bytes`);
for (const [name, e] of Object.entries(worst)) {
  console.log(`  ${name}: largest difference ${e.toExponential(2)} (limit ${limits[name].toExponential(2)})`);
  ok = ok && e <= limits[name];
}
process.exit(ok ? 0 : 1);
