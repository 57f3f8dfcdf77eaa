// The wind a visitor directs, as the window does: a constant wind
// (setWind), or a schedule the presets and gusts edit (a preset is reached
// kPresetEase seconds after it is asked for, from the wind of that moment).
const PRESETS = { calm: ['gale', 0], breeze: ['breeze', 10], gale: ['gale', 100], 'strong-gale': ['gale', 400],
  storm: ['gale', 800] };
const kPresetEase = 2.0;
const kGusts = { every: 6, strength: 0.5, rise: 1, fall: 2 };

export const presetNames = Object.keys(PRESETS);

export class WindControl {
  constructor(sim) {
    this.sim = sim;
    this.keys = null; // the schedule's keys while presets or gusts drive it, else null
    this.file = null; // a schedule file's document while it drives the wind, else null
    this.gustsOn = false;
  }

  // The wind of the moment as a key at time t.
  keyNow(t, regime) {
    const w = this.sim.wind();
    return { time: t, regime: regime || w.regime, magnitude: w.magnitude, direction: w.direction };
  }

  play(keys, gusts) {
    const doc = { keys };
    if (gusts) doc.gusts = kGusts;
    const r = this.sim.schedule(JSON.stringify(doc), 'wind schedule');
    if (r.ok) { this.keys = keys; this.file = null; this.gustsOn = gusts; }
    return r;
  }

  setWind({ regime, magnitude, direction }) {
    const w = this.sim.wind();
    regime = regime ?? w.regime;
    magnitude = magnitude ?? w.magnitude;
    direction = direction ?? w.direction;
    if (regime !== 'gale' && regime !== 'breeze') return { ok: false, message: `regime: "${regime}" is neither gale nor breeze` };
    if (this.gustsOn) return this.play([{ time: 0, regime, magnitude, direction }], true);
    const r = this.sim.setWind(regime === 'gale', Number(magnitude), direction.map(Number));
    if (r.ok) { this.keys = null; this.file = null; }
    return r;
  }

  preset(name, t) {
    if (!(name in PRESETS)) return { ok: false, message: `preset: "${name}" is not one of ${presetNames.join(', ')}` };
    const [regime, magnitude] = PRESETS[name];
    const keys = (this.keys || []).filter((k) => k.time < t);
    if (!keys.length && t > 0) keys.push(this.keyNow(0));
    keys.push(this.keyNow(Math.max(t, 0), regime));
    keys.push({ time: Math.max(t, 0) + kPresetEase, regime, magnitude });
    return this.play(keys, this.gustsOn);
  }

  // A schedule file keeps all it holds but its gusts (its own, when it had them, else the presets' gusts).
  gusts(on) {
    if (!this.file) return this.play(this.keys || [this.keyNow(0)], !!on);
    const doc = { ...this.file };
    if (on) doc.gusts = this.file.gusts || kGusts;
    else delete doc.gusts;
    const r = this.sim.schedule(JSON.stringify(doc), 'wind schedule');
    if (r.ok) this.gustsOn = !!on;
    return r;
  }

  // A schedule file's text, as --wind reads it: its wind gusts if it names gusts.
  schedule(text) {
    const r = this.sim.schedule(String(text), 'wind schedule');
    if (r.ok) {
      this.keys = null;
      this.file = JSON.parse(text);
      this.gustsOn = 'gusts' in this.file;
    }
    return r;
  }
}
