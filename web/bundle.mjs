// Writes the page's kana.js: the package's api.js as a classic script (a page opened from
// disk may not load modules), with both WebAssembly modules inside it, so that the page
// needs nothing but its own folder. Its global kanaReady is a promise of the conversions.
//   node bundle.mjs API.js SIMD.wasm SCALAR.wasm OUT.js
import { readFileSync, writeFileSync } from 'node:fs';

const [api, simd, scalar, out] = process.argv.slice(2);
const source = readFileSync(api, 'utf8');
if (/^\s*import\b/m.test(source)) throw new Error(`${api} imports: a classic script cannot`);
const body = source.replace(/^export (?=(async )?function |class |const )/gm, '');
if (/^export\b/m.test(body)) throw new Error(`${api} exports in a way this script does not unwrap`);
const base64 = (file) => readFileSync(file).toString('base64');

writeFileSync(out, `// kana for this page: ${api.split('/').pop()} of the npm package, and its WebAssembly modules.
'use strict';
var kanaReady = (function () {
${body}
  const modules = { simd: '${base64(simd)}', scalar: '${base64(scalar)}' };
  const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  return load(async (name) => bytes(modules[name]));
})();
`);
