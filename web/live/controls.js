// The visitor's controls: the bar's buttons and keys, the compass (drag to
// turn the wind), the magnitude slider and regime, schedule files (pick or
// drop), the live plot of the last 20 s and the step and frame readout.
import { presetNames } from './wind.js';

function drawCompass(c, direction) {
  const g = c.getContext('2d'), r = c.width / 2;
  g.clearRect(0, 0, c.width, c.height);
  g.strokeStyle = '#fff'; g.lineWidth = 1.5;
  g.beginPath(); g.arc(r, r, r - 4, 0, 2 * Math.PI); g.stroke();
  g.fillStyle = '#fff'; g.font = '11px sans-serif'; g.textAlign = 'center'; g.textBaseline = 'middle';
  g.fillText('+x', 2 * r - 14, r); g.fillText('+z', r, 2 * r - 12); g.fillText('-z', r, 12); g.fillText('-x', 14, r);
  const len = Math.hypot(direction[0], direction[2]) || 1;
  const x = direction[0] / len, z = direction[2] / len;
  g.strokeStyle = '#f33'; g.lineWidth = 4;
  g.beginPath(); g.moveTo(r - x * (r - 22), r - z * (r - 22)); g.lineTo(r + x * (r - 22), r + z * (r - 22)); g.stroke();
  g.fillStyle = '#f33';
  g.beginPath(); g.arc(r + x * (r - 22), r + z * (r - 22), 6, 0, 2 * Math.PI); g.fill();
}

function drawPlot(c, history, now) {
  const g = c.getContext('2d'), w = c.width, h = c.height;
  g.clearRect(0, 0, w, h);
  g.strokeStyle = 'rgba(255,255,255,.3)'; g.strokeRect(0.5, 0.5, w - 1, h - 1);
  const line = (index, scale, colour) => {
    g.strokeStyle = colour; g.lineWidth = 1.5; g.beginPath();
    history.forEach((p, i) => {
      const x = w - ((now - p[0]) / 20) * w, y = h - 4 - (p[index] / scale) * (h - 8);
      if (i) g.lineTo(x, y); else g.moveTo(x, y);
    });
    g.stroke();
  };
  const offsetMax = Math.max(1, ...history.map((p) => p[2]));
  line(1, 800, '#fff');
  line(2, offsetMax, '#ffd27a');
  g.fillStyle = '#fff'; g.font = '10px sans-serif';
  g.fillText(`wind 0–800, top offset 0–${offsetMax.toFixed(1)}`, 4, 11);
}

export function attachControls(api, state, sim, view) {
  const $ = (id) => document.getElementById(id);
  const message = $('message');
  const say = (text) => { message.textContent = text; };
  const show = (r) => { say(r.ok ? '' : r.message); return r; };
  $('play').onclick = () => (api.paused() ? api.play() : api.pause());
  $('step').onclick = () => { api.pause(); api.step(1); };
  $('reset').onclick = () => show(api.reset());
  $('regime').onchange = (e) => show(api.setWind({ regime: e.target.value }));
  $('magnitude').oninput = (e) => show(api.setWind({ magnitude: Number(e.target.value) }));
  for (const b of document.querySelectorAll('[data-preset]')) b.onclick = () => show(api.preset(b.dataset.preset));
  $('gusts').onclick = () => show(api.gusts(!state.gustsOn));
  const readFile = (file) => file && file.text().then((t) => show(api.schedule(t)));
  $('schedule').onchange = (e) => readFile(e.target.files[0]);
  const drop = $('drop');
  window.addEventListener('dragover', (e) => { e.preventDefault(); drop.style.display = 'flex'; });
  window.addEventListener('dragleave', () => { drop.style.display = 'none'; });
  window.addEventListener('drop', (e) => { e.preventDefault(); drop.style.display = 'none'; readFile(e.dataTransfer.files[0]); });
  window.addEventListener('keydown', (e) => {
    if (e.target.tagName === 'INPUT' || e.target.tagName === 'SELECT') return;
    const n = '12345'.indexOf(e.key);
    if (n >= 0) show(api.preset(presetNames[n]));
    else if (e.key === 'g') show(api.gusts(!state.gustsOn));
    else if (e.key === ' ') { e.preventDefault(); $('play').click(); }
    else if (e.key === 's') $('step').click();
    else if (e.key === 'r') $('reset').click();
  });
  // The compass: the wind blows from the centre towards the point dragged to.
  const compass = $('compass');
  let dragging = false;
  const turn = (e) => {
    const b = compass.getBoundingClientRect();
    const x = e.clientX - b.left - b.width / 2, z = e.clientY - b.top - b.height / 2;
    if (Math.hypot(x, z) > 4) show(api.setWind({ direction: [x, 0, z] }));
  };
  compass.onpointerdown = (e) => { dragging = true; compass.setPointerCapture(e.pointerId); turn(e); };
  compass.onpointermove = (e) => dragging && turn(e);
  compass.onpointerup = () => { dragging = false; };
  for (const name of api.presets()) $('grow-preset').add(new Option(name, name));
  $('grow').onclick = () => {
    $('grow').disabled = true;
    say('growing…');
    api.grow({ preset: $('grow-preset').value, seed: Number($('grow-seed').value) })
      .then((r) => { show(r); $('grow').disabled = false; });
  };
  $('glb').onclick = () => {
    say('writing .glb…');
    api.downloadGlb().then((r) => say(r.ok ? `.glb of ${(r.frames / 20).toFixed(1)} s, ${(r.bytes.length / 1e6).toFixed(1)} MB` : r.message));
  };
  let tick = 0;
  return {
    say,
    showTree(preset, seed) { $('grow-preset').value = preset; $('grow-seed').value = seed; },
    frame() {
      state.gustsOn = api.gustsOn();
      if (tick++ % 6) return; // the first frame shows the page as it starts
      const w = sim.wind();
      $('play').textContent = api.paused() ? 'Play' : 'Pause';
      $('gusts').textContent = `Gusts: ${state.gustsOn ? 'on' : 'off'}`;
      if (document.activeElement !== $('magnitude')) $('magnitude').value = Math.round(w.magnitude);
      $('magnitude-value').textContent = Math.round(w.magnitude);
      if (document.activeElement !== $('regime')) $('regime').value = w.regime;
      $('readout').textContent = `t ${api.time().toFixed(2)} s, step ${api.stepMs().toFixed(2)} ms, frame ${api.frameMs().toFixed(1)} ms`;
      drawCompass(compass, w.direction);
      drawPlot($('plot'), state.history, api.time());
    },
  };
}
