// The tree drawn from the module's arrays as the window draws it: one
// directional light of its rest position with the fixed-function ambient
// (0.2) on the bark, textures modulated, no gamma, the leaves, petioles and
// ground unlit, the tree's planar shadow flattened onto the ground in the
// window's shadow colour. Lower leaf surfaces are the blades' front faces.
import * as THREE from 'three';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
import { decodeBmp } from './bmp.js';

function texture(bytes, repeat) {
  const { width, height, data } = decodeBmp(bytes);
  const t = new THREE.DataTexture(data, width, height, THREE.RGBAFormat);
  t.wrapS = t.wrapT = THREE.RepeatWrapping;
  if (repeat) t.repeat.set(repeat, repeat);
  t.magFilter = THREE.LinearFilter;
  t.minFilter = THREE.LinearMipmapLinearFilter;
  t.generateMipmaps = true;
  t.needsUpdate = true;
  return t;
}

// Fixed-function lighting in three's units (its Lambert term divides by pi).
// Diffuse only: the window lights per vertex, where a shininess of 128 leaves
// next to no highlight; per pixel it would spatter the leaves with white.
function lit(map, side = THREE.FrontSide) {
  return new THREE.MeshLambertMaterial({ map, side });
}

// Both sides of a blade in one pass, unlit as the window draws them: front
// faces show the lower surface's texture, back faces the upper's.
function twoSided(lower, upper) {
  const m = new THREE.MeshBasicMaterial({ map: lower, side: THREE.DoubleSide });
  m.onBeforeCompile = (shader) => {
    shader.uniforms.mapBack = { value: upper };
    shader.fragmentShader = 'uniform sampler2D mapBack;\n' + shader.fragmentShader.replace('#include <map_fragment>',
      '#ifdef USE_MAP\n  diffuseColor *= gl_FrontFacing ? texture2D(map, vMapUv) : texture2D(mapBack, vMapUv);\n#endif');
  };
  return m;
}

// Projects tree space onto the plane y = g along the light's direction l.
function flattening(l, g) {
  const ax = l[0] / l[1], az = l[2] / l[1];
  return new THREE.Matrix4().set(1, -ax, 0, ax * g, 0, 0, 0, g, 0, -az, 1, az * g, 0, 0, 0, 1);
}

// The files of a tree's own look, and its textures made from a data folder's files.
export const treeTextureFiles = { trunk: 'tree/tulip_trunk.bmp', branch: 'tree/tulip_branch.bmp',
  upper: 'tree/poplar_leafup.bmp', lower: 'tree/poplar_leafdown.bmp', petiole: 'tree/poplar_petiole.bmp' };
export function treeTextures(files) {
  return Object.fromEntries(Object.entries(treeTextureFiles).map(([part, name]) => [part, texture(files[name])]));
}

export class TreeView {
  constructor(canvas, info, files) {
    const renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
    renderer.outputColorSpace = THREE.LinearSRGBColorSpace;
    renderer.setPixelRatio(Math.min(window.devicePixelRatio || 1, 2));
    this.renderer = renderer;
    const scene = new THREE.Scene();
    scene.background = new THREE.Color(info.sky[0] / 255, info.sky[1] / 255, info.sky[2] / 255);
    const sun = new THREE.DirectionalLight(0xffffff, Math.PI);
    sun.position.set(...info.light);
    scene.add(sun, sun.target, new THREE.AmbientLight(0xffffff, 0.2 * Math.PI));
    this.scene = scene;
    this.camera = new THREE.PerspectiveCamera(60, 1, 0.1, 1000);
    this.camera.position.set(0, 2, 12);
    this.controls = new OrbitControls(this.camera, canvas);
    this.controls.target.set(0, 2, 0);
    this.controls.update();
    const tex = (name, repeat) => texture(files[name], repeat);
    this.textures = {
      ...treeTextures(files), ground: tex('tree/ground.bmp', 8),
      grass: [1, 2, 3, 4].map((n) => (files[`grass/grass0${n}.bmp`] ? tex(`grass/grass0${n}.bmp`) : null)),
    };
    const ground = new THREE.Mesh(new THREE.PlaneGeometry(200, 200), new THREE.MeshBasicMaterial({ map: this.textures.ground }));
    ground.rotation.x = -Math.PI / 2;
    ground.position.y = info.groundY;
    scene.add(ground);
    this.ground = ground;
    // The tree stands kTreeDrop below the window's origin.
    this.root = new THREE.Group();
    this.root.position.y = -info.treeDrop;
    scene.add(this.root);
    this.shadowColour = new THREE.Color(...info.shadow);
    this.grassColour = new THREE.Color(...info.grassColour);
    this.flat = flattening(info.light, info.groundY + info.treeDrop + 0.005);
    this.resize();
  }

  resize() {
    const c = this.renderer.domElement;
    const w = c.clientWidth || 800, h = c.clientHeight || 600;
    this.renderer.setSize(w, h, false);
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
  }

  // The meshes for the tree the module holds now (after setUp).
  build(sim) {
    for (const m of this.meshes || []) { this.root.remove(m); if (m.isInstancedMesh) m.dispose(); }
    if (this.grass) this.grass.dispose();
    if (this.bark) this.bark.dispose();
    const vertices = new Float32Array(sim.floats(0));
    const buffer = new THREE.InterleavedBuffer(vertices, 8).setUsage(THREE.DynamicDrawUsage);
    const bark = new THREE.BufferGeometry();
    bark.setAttribute('uv', new THREE.InterleavedBufferAttribute(buffer, 2, 0));
    bark.setAttribute('normal', new THREE.InterleavedBufferAttribute(buffer, 3, 2));
    bark.setAttribute('position', new THREE.InterleavedBufferAttribute(buffer, 3, 5));
    const indices = sim.uints(1);
    bark.setIndex(new THREE.BufferAttribute(new Uint32Array(indices), 1));
    const trunk = sim.count(6), branches = sim.count(7);
    bark.addGroup(0, trunk, 0);
    bark.addGroup(trunk, branches, 1);
    bark.addGroup(trunk + branches, indices.length - trunk - branches, 2);
    this.bark = bark;
    this.barkBuffer = buffer;
    const barkMesh = new THREE.Mesh(bark, [lit(this.textures.trunk), lit(this.textures.branch),
      new THREE.MeshBasicMaterial({ map: this.textures.petiole })]);
    const blade = new THREE.BufferGeometry();
    blade.setAttribute('position', new THREE.BufferAttribute(new Float32Array(sim.floats(3)), 3));
    blade.setAttribute('uv', new THREE.BufferAttribute(new Float32Array(sim.floats(4)), 2));
    blade.setIndex(new THREE.BufferAttribute(new Uint32Array(sim.uints(5)), 1));
    const leaves = sim.count(2) / 16;
    const leafMesh = new THREE.InstancedMesh(blade, twoSided(this.textures.lower, this.textures.upper), leaves);
    leafMesh.instanceMatrix.setUsage(THREE.DynamicDrawUsage);
    // The shadow of a leaf is its outline, as in the window: 16 triangles, not 95.
    const outline = new THREE.BufferGeometry();
    outline.setAttribute('position', blade.getAttribute('position'));
    outline.setIndex(new THREE.BufferAttribute(new Uint32Array(sim.uints(8)), 1));
    const shadow = new THREE.MeshBasicMaterial({ color: this.shadowColour, side: THREE.DoubleSide, depthWrite: false,
      polygonOffset: true, polygonOffsetFactor: -1, polygonOffsetUnits: -4 });
    const barkShadow = new THREE.Mesh(bark, shadow);
    const leafShadow = new THREE.InstancedMesh(outline, shadow, leaves);
    leafShadow.instanceMatrix = leafMesh.instanceMatrix;
    for (const s of [barkShadow, leafShadow]) {
      s.matrixAutoUpdate = false;
      s.matrix.copy(this.flat);
      s.renderOrder = 1; // after the ground, which it lies on
    }
    this.meshes = [barkMesh, leafMesh, barkShadow, leafShadow];
    this.grass = null;
    if (sim.count(11)) {
      // Unlit, tinted with the grass's lit colour, as the window draws the
      // blades: each with the texture its grass file names, others untextured.
      const grass = new THREE.BufferGeometry();
      grass.setAttribute('position', new THREE.BufferAttribute(new Float32Array(sim.floats(9)), 3).setUsage(THREE.DynamicDrawUsage));
      grass.setAttribute('uv', new THREE.BufferAttribute(new Float32Array(sim.floats(10)), 2));
      grass.setIndex(new THREE.BufferAttribute(new Uint32Array(sim.uints(11)), 1));
      let start = 0;
      sim.uints(12).forEach((count, g) => { grass.addGroup(start, count, g); start += count; });
      this.grass = grass;
      const materials = [...this.textures.grass, null].map((map) => new THREE.MeshBasicMaterial({ map,
        color: this.grassColour, side: THREE.DoubleSide }));
      this.meshes.push(new THREE.Mesh(grass, materials));
    }
    for (const m of this.meshes) { m.frustumCulled = false; this.root.add(m); }
    this.leafMatrices = leafMesh.instanceMatrix;
    this.update(sim);
  }

  // This frame's vertices and leaf matrices from the module.
  update(sim) {
    sim.update();
    this.barkBuffer.array.set(sim.floats(0));
    this.barkBuffer.needsUpdate = true;
    this.leafMatrices.array.set(sim.floats(2));
    this.leafMatrices.needsUpdate = true;
    if (this.grass) {
      this.grass.getAttribute('position').array.set(sim.floats(9));
      this.grass.getAttribute('position').needsUpdate = true;
    }
  }

  render() {
    const c = this.renderer.domElement;
    if (c.width !== Math.floor(c.clientWidth * this.renderer.getPixelRatio())) this.resize();
    this.renderer.render(this.scene, this.camera);
  }
}
