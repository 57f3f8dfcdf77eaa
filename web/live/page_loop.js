// What both live pages share from start-up on: fixed 0.05 s steps paid from
// the wall clock, the last 20 s for the plot, the calls of window.arborvane
// both answer alike, and the frame loop. sim is a Sim or the stand's trees.
export const kStep = 0.05;

const median = (a) => { if (!a.length) return 0; const s = [...a].sort((x, y) => x - y); return s[s.length >> 1]; };
const push = (a, v) => { a.push(v); if (a.length > 100) a.shift(); };

// The page's clock and state; tip is the top the plot follows.
export function stepper(sim, tip, seed) {
  const state = { seed, paused: false, banked: 0, last: null, stepMs: [], frameMs: [], dirty: true, history: [] };
  const time = () => sim.stepCount() * kStep;
  const stepNow = (n) => {
    const a = performance.now();
    const r = sim.step(n);
    if (n > 0) push(state.stepMs, (performance.now() - a) / n);
    state.dirty = true;
    const t = tip(), rest = state.restTip;
    state.history.push([time(), sim.wind().magnitude, Math.hypot(t[0] - rest[0], t[1] - rest[1], t[2] - rest[2])]);
    while (state.history.length && state.history[0][0] < time() - 20) state.history.shift();
    return r;
  };
  state.restTip = tip();
  return { state, time, stepNow };
}

export function commonApi(sim, wind, { state, time, stepNow }) {
  return {
    ready: false, live: true, readyAt: 0,
    setWind: (w) => wind.setWind(w || {}),
    preset: (name) => wind.preset(String(name), time()),
    gusts: (on) => wind.gusts(on),
    schedule: (text) => wind.schedule(text),
    pause: () => { state.paused = true; },
    play: () => { state.paused = false; state.last = null; state.banked = 0; },
    step: (n = 1) => stepNow(Math.max(0, n | 0)),
    time, stepCount: () => sim.stepCount(), wind: () => sim.wind(),
    stepMs: () => median(state.stepMs), frameMs: () => median(state.frameMs),
    paused: () => state.paused,
    gustsOn: () => wind.gustsOn,
  };
}

// Each frame: the steps owed (at most maxBanked seconds of lag, maxSteps
// steps; a tab shown again starts afresh), the arrays refilled by update when
// stepped, the picture and the controls. The page is ready after its first picture.
export function runFrames(api, { state, stepNow }, { maxBanked, maxSteps, ui, view, update, t0 }) {
  document.addEventListener('visibilitychange', () => { state.last = null; state.banked = 0; });
  const frame = (now) => {
    const a = performance.now();
    if (state.last === null) state.last = now;
    if (!state.paused) {
      state.banked = Math.min(state.banked + (now - state.last) / 1000, maxBanked);
      let n = 0;
      while (state.banked >= kStep && n < maxSteps) {
        const r = stepNow(1);
        if (!r.ok) { ui.say(r.message); state.paused = true; break; }
        state.banked -= kStep;
        ++n;
      }
    }
    state.last = now;
    if (state.dirty) { update(); state.dirty = false; }
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

// A page that fails to start says why, in the console and the readout.
export function startPage(start) {
  start().catch((e) => {
    console.error(`arborvane: ${e.message}`);
    const r = document.getElementById('readout');
    if (r) r.textContent = `failed: ${e.message}`;
  });
}
