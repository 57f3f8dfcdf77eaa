// What both pages' bundlers (web/bundle.mjs, web/live/bundle.mjs) share:
// esbuild over a viewer's entry, the template's slot check, and C++ string
// literals for the generated header.
import { createRequire } from 'node:module';
import { join } from 'node:path';

// The viewer from entry with three.js, minified into one script's text.
export async function bundleViewer(entry, nodeModules) {
  const require = createRequire(join(nodeModules, 'noop.js'));
  const esbuild = require('esbuild');
  const result = await esbuild.build({
    entryPoints: [entry],
    bundle: true,
    minify: true,
    format: 'iife',
    target: 'es2020',
    nodePaths: [nodeModules],
    write: false,
    legalComments: 'none',
    logLevel: 'error',
  });
  return result.outputFiles[0].text;
}

// The exporter fills the template's slots in this order, each once.
export function checkSlots(page, slots) {
  const at = slots.map((s) => page.indexOf(s));
  if (slots.some((s, i) => at[i] < 0 || page.indexOf(s, at[i] + 1) >= 0 || (i && at[i] < at[i - 1])))
    throw new Error(`page.html must hold ${slots.join(' ')} once each, in this order`);
}

// Pieces under 64 KiB: compilers take long literals, but not all without a note.
export function literal(name, value) {
  const end = ')AVJS"';
  if (value.includes(end)) throw new Error(`${name} holds ${end}`);
  const pieces = [];
  for (let i = 0; i < value.length; i += 60000) pieces.push(`R"AVJS(${value.slice(i, i + 60000)})AVJS"`);
  return `inline constexpr char ${name}[] =\n${pieces.join('\n')};\n`;
}
