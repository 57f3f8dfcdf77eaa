// The page's motion stream (written by src/export/web_motion.cpp) turned
// back into node poses: per channel a translation or rotation per frame.

// Inflates a base64 zlib block embedded in the page.
export async function inflateBase64(text) {
  const raw = atob(text.trim());
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
  return new Response(stream).arrayBuffer();
}

// The stream's magic number and the one layout this viewer reads.
export const MOTION_MAGIC = 'AVMS';
export const MOTION_VERSION = 1;

// Decodes the stream: { channels, frames, node, rotation, first, values }
// where values[(c * frames + f) * 3 + k] is the frame's offset (translation)
// or relative turn x y z (rotation) of channel c. A stream of another
// format or version is refused rather than played as noise.
export function decodeMotion(buffer) {
  const head = new DataView(buffer);
  const magic = buffer.byteLength >= 8 ? String.fromCharCode(...new Uint8Array(buffer, 0, 4)) : '';
  if (magic !== MOTION_MAGIC) throw new Error('motion stream: not an Arborvane motion stream (no AVMS header)');
  const version = head.getUint32(4, true);
  if (version !== MOTION_VERSION) {
    throw new Error(`motion stream: version ${version} is not known to this viewer (it reads version ${MOTION_VERSION})`);
  }
  const channels = head.getUint32(8, true);
  const frames = head.getUint32(12, true);
  let at = 16;
  const node = new Int32Array(buffer, at, channels);
  at += 4 * channels;
  const step = new Float32Array(buffer, at, channels);
  at += 4 * channels;
  const first = new Float32Array(buffer, at, 4 * channels);
  at += 16 * channels;
  const rotation = new Uint8Array(buffer, at, channels);
  at += (channels + 3) & ~3;
  const bytes = new Uint8Array(buffer);
  const values = new Float32Array(channels * frames * 3);
  const q = new Float64Array(frames);
  for (let c = 0; c < channels; ++c) {
    for (let k = 0; k < 3; ++k) {
      for (let f = 0; f < frames; ++f) {
        let z = 0;
        let scale = 1;
        for (;;) {
          const b = bytes[at++];
          z += (b & 0x7f) * scale;
          if (b < 0x80) break;
          scale *= 128;
        }
        const r = z % 2 === 1 ? -(z + 1) / 2 : z / 2;
        q[f] = r + (f === 0 ? 0 : f === 1 ? q[0] : 2 * q[f - 1] - q[f - 2]);
        values[(c * frames + f) * 3 + k] = q[f] * step[c];
      }
    }
  }
  if (at !== bytes.length) throw new Error('motion stream: unexpected length');
  return { channels, frames, node, rotation, first, values };
}

// Sets every channel's node to its pose at fractional frame `frame`
// (linear between frames; turns blended then renormalised).
export function applyMotion(motion, nodes, frame) {
  const { channels, frames, rotation, first, values } = motion;
  const f0 = Math.max(0, Math.min(frames - 1, Math.floor(frame)));
  const f1 = Math.min(frames - 1, f0 + 1);
  const u = Math.max(0, Math.min(1, frame - f0));
  for (let c = 0; c < channels; ++c) {
    const a = (c * frames + f0) * 3;
    const b = (c * frames + f1) * 3;
    const x = values[a] + (values[b] - values[a]) * u;
    const y = values[a + 1] + (values[b + 1] - values[a + 1]) * u;
    const z = values[a + 2] + (values[b + 2] - values[a + 2]) * u;
    const target = nodes[motion.node[c]];
    const o = 4 * c;
    if (!rotation[c]) {
      target.position.set(first[o] + x, first[o + 1] + y, first[o + 2] + z);
      continue;
    }
    // The turn relative to frame 0, w >= 0; then first * relative.
    const w = Math.sqrt(Math.max(0, 1 - x * x - y * y - z * z));
    const n = 1 / Math.hypot(x, y, z, w);
    const rx = x * n, ry = y * n, rz = z * n, rw = w * n;
    const ax = first[o], ay = first[o + 1], az = first[o + 2], aw = first[o + 3];
    target.quaternion.set(
      aw * rx + ax * rw + ay * rz - az * ry,
      aw * ry - ax * rz + ay * rw + az * rx,
      aw * rz + ax * ry - ay * rx + az * rw,
      aw * rw - ax * rx - ay * ry - az * rz);
  }
}
