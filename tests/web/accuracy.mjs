// The page's tree against the .glb export of the same run: decodes the
// page's meshes and motion with the viewer's own decoder and compares node
// positions at a few frames; also the page's size against a budget.
// node accuracy.mjs PAGE.html REF.glb MAX_MB FRAME...
import { readFileSync, statSync } from 'node:fs';
import { decodeMotion } from '../../web/motion.js';
import { applyMotion } from '../../web/motion.js';
import { localPoses, pageBytes, probeNodes, readGlb, worldPositions } from './gltf_pose.mjs';

const [pageFile, refFile, maxMb, ...frames] = process.argv.slice(2);
const html = readFileSync(pageFile, 'utf8');
const ref = readGlb(refFile);
const model = pageBytes(html, 'av-model');
const n = model.readUInt32LE(12);
const pageDoc = JSON.parse(model.subarray(20, 20 + n).toString());
const motionBytes = pageBytes(html, 'av-motion');
const motion = decodeMotion(motionBytes.buffer.slice(motionBytes.byteOffset, motionBytes.byteOffset + motionBytes.length));

let failed = false;
const size = statSync(pageFile).size;
console.log(`${pageFile}: ${(size / 1e6).toFixed(2)} MB`);
if (size > Number(maxMb) * 1e6) {
  console.log(`  over the budget of ${maxMb} MB`);
  failed = true;
}
// The tree's height: its highest joint at rest above the ground.
const all = ref.doc.nodes.map((_, i) => i).filter((i) => /^b\d+\.p\d+$/.test(ref.doc.nodes[i].name));
const height = Math.max(...worldPositions(ref.doc, localPoses(ref, 0), all).map((p) => p[1])) + 4.6;
const probes = probeNodes(ref.doc);
for (const f of frames.map(Number)) {
  const poses = localPoses({ doc: pageDoc }, 0);
  const nodes = poses.map((p) => ({
    position: { set: (x, y, z) => (p.t = [x, y, z]) },
    quaternion: { set: (x, y, z, w) => (p.q = [x, y, z, w]) },
  }));
  applyMotion(motion, nodes, f);
  const got = worldPositions(pageDoc, poses, probes);
  const want = worldPositions(ref.doc, localPoses(ref, f), probes);
  const worst = Math.max(...got.map((p, i) => Math.hypot(p[0] - want[i][0], p[1] - want[i][1], p[2] - want[i][2])));
  console.log(`  frame ${f}: largest difference ${(worst / height).toExponential(2)} of the tree's height (${height.toFixed(2)})`);
  if (!(worst <= 1e-3 * height)) failed = true;
}
process.exit(failed ? 1 : 0);
