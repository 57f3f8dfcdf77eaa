// The --live page's module stepping in node, for comparison with the native
// step (ARBORVANE_THREADS=1 build/bench/arborvane_bench
// --benchmark_filter=BM_stepGale400$): the default gale on the data folder
// given, whole (grass and all) unless --tree-only (the page's four blades).
// node bench/live_step.mjs BUILD_DIR/wasm/arborvane_live.js DATA_DIR [STEPS]
import { createRequire } from 'node:module';
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { join, resolve } from 'node:path';

const [moduleFile, dataDir, stepsText] = process.argv.slice(2);
const steps = Number(stepsText || 400);
const M = await createRequire(import.meta.url)(resolve(moduleFile))();
const copy = (dir, to) => {
  M.FS.mkdir(to);
  for (const n of readdirSync(dir)) {
    const p = join(dir, n);
    if (statSync(p).isDirectory()) copy(p, `${to}/${n}`);
    else if (/\.(txt|bmp)$/.test(n)) M.FS.writeFile(`${to}/${n}`, readFileSync(p));
  }
};
copy(dataDir, '/data');
const call = (name, args = []) => M.ccall(name, 'number', args.map(() => typeof args[0] === 'string' ? 'string' : 'number'), args);
if (!call('av_open', ['/data']) || !call('av_set_up', [1])) throw new Error(M.UTF8ToString(call('av_message')));
call('av_step', [20]); // warm up
const cpu = process.cpuUsage(), wall = performance.now();
for (let i = 0; i < steps; ++i) call('av_step', [1]);
const used = process.cpuUsage(cpu);
const ms = (performance.now() - wall) / steps, cpuMs = (used.user + used.system) / 1000 / steps;
console.log(`module step: ${ms.toFixed(3)} ms wall, ${cpuMs.toFixed(3)} ms cpu per step (${steps} steps)`);
