// The viewer of arborvane-export --web: loads the page's embedded meshes
// and motion, then plays the clip with orbit controls, a time slider, a
// speed choice and a label with the frame, time and wind.
import * as THREE from 'three';
import { GLTFLoader } from 'three/examples/jsm/loaders/GLTFLoader.js';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import { applyMotion, decodeMotion, inflateBase64 } from './motion.js';

const api = { ready: false, duration: 0 };
window.arborvane = api;

function text(id) {
  return document.getElementById(id).textContent;
}

function makeView(info) {
  const canvas = document.getElementById('view');
  const renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
  renderer.setPixelRatio(window.devicePixelRatio || 1);
  const scene = new THREE.Scene();
  const [r, g, b] = info.sky;
  scene.background = new THREE.Color().setRGB(r / 255, g / 255, b / 255, THREE.SRGBColorSpace);
  const camera = new THREE.PerspectiveCamera(40, 1, 0.1, 3000);
  const controls = new OrbitControls(camera, canvas);
  controls.enableDamping = false;
  // The window program's light: directional, from its rest position.
  const sun = new THREE.DirectionalLight(0xffffff, 2.2);
  sun.position.set(...info.light);
  scene.add(sun, sun.target, new THREE.HemisphereLight(0xdfefff, 0x4a5a2a, 1.2));
  const ground = new THREE.Mesh(
    new THREE.PlaneGeometry(1000, 1000),
    new THREE.MeshLambertMaterial({ color: new THREE.Color().setRGB(0.36, 0.5, 0.22, THREE.SRGBColorSpace) }));
  ground.rotation.x = -Math.PI / 2;
  ground.position.y = info.groundY;
  scene.add(ground);
  return { canvas, renderer, scene, camera, controls };
}

function frameCamera(view, root, groundY) {
  const box = new THREE.Box3().setFromObject(root);
  const centre = box.getCenter(new THREE.Vector3());
  const size = box.getSize(new THREE.Vector3());
  const bottom = Math.max(groundY, box.min.y);
  const height = box.max.y - bottom;
  const radius = Math.max(height, size.x, size.z) * 0.5;
  // Aimed a little low and a little far: the control bar covers the bottom.
  const target = new THREE.Vector3(centre.x, bottom + height * 0.45, centre.z);
  const distance = (radius / Math.sin(THREE.MathUtils.degToRad(view.camera.fov / 2))) * 1.25;
  view.camera.position.copy(target).add(new THREE.Vector3(0.35, 0.12, 1).normalize().multiplyScalar(distance));
  view.controls.target.copy(target);
  view.controls.update();
}

function windLabel(info, frame) {
  const w = info.wind[Math.min(frame, info.wind.length - 1)];
  if (!w) return '';
  return `wind: ${w[0] ? 'moderate gale' : 'light breeze'}, magnitude ${Math.round(w[1])}`;
}

async function start() {
  const info = JSON.parse(text('av-info'));
  const view = makeView(info);
  const [modelBytes, motionBytes] = await Promise.all([inflateBase64(text('av-model')), inflateBase64(text('av-motion'))]);
  const gltf = await new GLTFLoader().parseAsync(modelBytes, '');
  const nodes = await gltf.parser.getDependencies('node');
  const motion = decodeMotion(motionBytes);
  view.scene.add(gltf.scene);
  gltf.scene.traverse((o) => {
    if (o.isMesh) o.frustumCulled = false; // skinned: the rest bounds do not follow the wind
  });
  const fps = info.fps;
  const duration = (motion.frames - 1) / fps;
  const state = { time: 0, playing: true, speed: 1, last: performance.now() };
  const slider = document.getElementById('time');
  const label = document.getElementById('label');
  const button = document.getElementById('play');
  slider.max = String(duration);

  function pose() {
    const frame = state.time * fps;
    applyMotion(motion, nodes, frame);
    gltf.scene.updateMatrixWorld(true);
    const shown = Math.round(frame);
    label.textContent = `frame ${shown}/${motion.frames - 1} \u00b7 ${state.time.toFixed(2)} s \u00b7 ${windLabel(info, shown)}`;
    slider.value = String(state.time);
  }
  function resize() {
    const w = view.canvas.clientWidth, h = view.canvas.clientHeight;
    if (view.canvas.width !== Math.floor(w * view.renderer.getPixelRatio()) || view.camera.aspect !== w / h) {
      view.renderer.setSize(w, h, false);
      view.camera.aspect = w / h;
      view.camera.updateProjectionMatrix();
    }
  }
  function draw() {
    resize();
    view.renderer.render(view.scene, view.camera);
  }
  function setPlaying(on) {
    state.playing = on;
    state.last = performance.now();
    button.textContent = on ? 'Pause' : 'Play';
  }
  function seek(t) {
    state.time = Math.max(0, Math.min(duration, Number(t) || 0));
    pose();
    draw();
  }

  button.addEventListener('click', () => {
    setPlaying(!state.playing);
    button.blur(); // else space would press it as well as toggle
  });
  slider.addEventListener('input', () => seek(slider.value));
  document.getElementById('speed').addEventListener('change', (e) => (state.speed = Number(e.target.value)));
  window.addEventListener('keydown', (e) => {
    if (e.code !== 'Space' || e.repeat) return;
    e.preventDefault();
    setPlaying(!state.playing);
  });
  view.controls.addEventListener('change', draw);

  frameCamera(view, gltf.scene, info.groundY);
  seek(0);
  function tick(now) {
    if (state.playing) {
      // A frame's stamp is when the frame began, which can be before play()
      // read the clock: such a frame adds no time rather than going back.
      const elapsed = Math.max(0, now - state.last);
      state.time = duration > 0 ? (state.time + (elapsed / 1000) * state.speed) % duration : 0;
      state.last = Math.max(state.last, now);
      pose();
    }
    draw();
    requestAnimationFrame(tick);
  }
  requestAnimationFrame(tick);

  Object.assign(api, {
    duration,
    frames: motion.frames,
    seek,
    play: () => setPlaying(true),
    pause: () => setPlaying(false),
    time: () => state.time,
    // World positions of the given glTF nodes at the present time, for tests.
    nodePositions: (indices) => indices.map((i) => nodes[i].getWorldPosition(new THREE.Vector3()).toArray()),
    readyAt: performance.now(), // ms from the page's start to ready
    ready: true,
  });
}

start().catch((e) => {
  const message = `failed: ${e.message || e}`;
  document.getElementById('label').textContent = message;
  console.error(message); // the text itself: an Error object alone shows as a handle in some consoles
});
