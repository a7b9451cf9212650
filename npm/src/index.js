// kana for JavaScript: the converter's text calls from a WebAssembly module, in Node 18 or
// later and in browsers. The module with WebAssembly SIMD is taken where the host compiles
// it, the scalar one elsewhere; KANA_WASM=simd or KANA_WASM=scalar in Node's environment
// picks one.
import { load } from './api.js';

export { KanaError } from './api.js';

async function moduleBytes(name) {
  const url = new URL(name === 'simd' ? './kana-simd.wasm' : './kana.wasm', import.meta.url);
  if (url.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return readFile(url);
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`kana: cannot load ${url}: ${response.status} ${response.statusText}`);
  return response.arrayBuffer();
}

const force = globalThis.process?.env?.KANA_WASM || undefined;
if (force !== undefined && force !== 'simd' && force !== 'scalar')
  throw new Error(`kana: KANA_WASM is '${force}'; it may be 'simd' or 'scalar'`);

const kana = await load(moduleBytes, force);

export const { convert, Converter, z2h, h2z, hira2kata, kata2hira, judge, implementation } = kana;
