// Runs the Khronos glTF validator on .glb files; exits 1 when any has errors.
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function check(file) {
  const data = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(data, {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: () => Promise.reject(new Error('no external resources expected')),
  });
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos`);
  for (const m of issues.messages.filter((m) => m.severity <= 1).slice(0, 20))
    console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code}: ${m.message} (${m.pointer || ''})`);
  return issues.numErrors === 0;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: node validate.js FILE.glb...');
    process.exit(2);
  }
  let ok = true;
  for (const f of files) ok = (await check(f)) && ok;
  process.exit(ok ? 0 : 1);
})().catch((e) => {
  console.error(`validator failed: ${e.message || e}`);
  process.exit(1);
});
