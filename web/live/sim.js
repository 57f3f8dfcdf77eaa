// The simulation module: unpacks the data folder into its file system and
// wraps the C functions of wasm/live_binding.cpp. Results as {ok, message}.

// gzip + base64 text to bytes, in the browser's own decompressor.
async function gunzip(base64) {
  const packed = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
  const stream = new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// Writes every file under dir, making the folders on the way.
export async function unpackData(M, dir, files) {
  const bytes = await Promise.all(Object.values(files).map(gunzip));
  const out = {};
  Object.keys(files).forEach((name, i) => {
    let at = dir;
    for (const part of name.split('/').slice(0, -1)) {
      at += '/' + part;
      if (!M.FS.analyzePath(at).exists) M.FS.mkdir(at);
    }
    M.FS.writeFile(`${dir}/${name}`, bytes[i]);
    out[name] = bytes[i];
  });
  return out;
}

export class Sim {
  constructor(M) {
    this.M = M;
    const c = (name, ret, args) => M.cwrap(name, ret, args);
    this.f = {
      open: c('av_open', 'number', ['string']),
      setUp: c('av_set_up', 'number', ['number']),
      setWind: c('av_set_wind', 'number', ['number', 'number', 'number', 'number', 'number']),
      schedule: c('av_set_schedule', 'number', ['string', 'string']),
      step: c('av_step', 'number', ['number']),
      wind: c('av_wind', 'number', []),
      stepCount: c('av_step_count', 'number', []),
      tip: c('av_tip', 'number', []),
      update: c('av_update', null, []),
      array: c('av_array', 'number', ['number']),
      length: c('av_array_length', 'number', ['number']),
      message: c('av_message', 'string', []),
      grow: c('av_grow', 'number', ['string', 'number']),
      presets: c('av_presets', 'string', []),
      showGrass: c('av_show_grass', null, ['number']),
      glb: c('av_glb', 'number', []),
      glbBytes: c('av_glb_bytes', 'number', []),
      glbSize: c('av_glb_size', 'number', []),
      glbRelease: c('av_glb_release', null, []),
      clipFrames: c('av_clip_frames', 'number', []),
      clipBytes: c('av_clip_bytes', 'number', []),
    };
  }
  result(ok) { return { ok: !!ok, message: ok ? '' : this.f.message() }; }
  open(dir) { return this.result(this.f.open(dir)); }
  setUp(seed) { return this.result(this.f.setUp(seed >>> 0)); }
  setWind(gale, magnitude, d) { return this.result(this.f.setWind(gale ? 1 : 0, magnitude, d[0], d[1], d[2])); }
  schedule(text, name) { return this.result(this.f.schedule(text, name)); }
  step(n) { return this.result(this.f.step(n)); }
  stepCount() { return this.f.stepCount(); }
  grow(preset, seed) { return this.result(this.f.grow(String(preset), Number(seed) || 0)); }
  showGrass(on) { this.f.showGrass(on ? 1 : 0); }
  presets() { return this.f.presets().split(', '); }
  doubles(ptr, n) { return Array.from(this.M.HEAPF64.subarray(ptr / 8, ptr / 8 + n)); }
  wind() {
    const w = this.doubles(this.f.wind(), 6);
    return { regime: w[0] ? 'gale' : 'breeze', magnitude: w[1], direction: w.slice(2, 5), scheduled: !!w[5] };
  }
  tip() { return this.doubles(this.f.tip(), 3); }
  // The kept steps as a .glb: {ok, message, bytes (a copy), frames}.
  glb() {
    const r = this.result(this.f.glb());
    if (!r.ok) return r;
    const p = this.f.glbBytes(), bytes = this.M.HEAPU8.slice(p, p + this.f.glbSize());
    this.f.glbRelease();
    return { ...r, bytes, frames: this.f.clipFrames() };
  }
  clipBytes() { return this.f.clipBytes(); }
  update() { this.f.update(); }
  // Array which of the binding, as a view over the module's memory (valid until it grows).
  floats(which) { const p = this.f.array(which) / 4; return this.M.HEAPF32.subarray(p, p + this.f.length(which)); }
  uints(which) { const p = this.f.array(which) / 4; return this.M.HEAPU32.subarray(p, p + this.f.length(which)); }
  count(which) { return this.f.length(which); }
}
