// The npm package against npm's jaconv and moji, each on its own operation and the same
// text, and against node's normalize('NFKC'); MB/s of the text's UTF-8, best of several
// runs, and calls per second on short strings.
//   bench/npm-bench/run [MB]     (npm ci here first; the wasm preset built)
import { spawnSync } from 'node:child_process';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { gunzipSync } from 'node:zlib';

import jaconv from 'jaconv';

const moji = createRequire(import.meta.url)('moji');
const root = fileURLToPath(new URL('../..', import.meta.url));
const kana = await import(pathToFileURL(join(root, 'build/wasm/npm/package/index.js')).href);
const megabytes = Number(process.argv[2]) || 16;

// The benchmarks' sample text (bench/SampleText.h, from the native build), in UTF-8.
function sampleText() {
  const maker = join(root, 'build/default/bench/make_sample_text');
  if (!existsSync(maker)) throw new Error(`${maker} is missing: cmake --build build/default --target make_sample_text`);
  const sjis = spawnSync(maker, [String(megabytes)], { maxBuffer: 1 << 30 }).stdout;
  return new TextDecoder().decode(kana.convert(sjis, { to: 'utf-8' }));
}
// The Japanese manual pages, whole, up to the same size.
function manualPages() {
  const pages = [];
  const walk = (folder) => {
    for (const entry of readdirSync(folder, { withFileTypes: true })) {
      const path = join(folder, entry.name);
      if (entry.isDirectory()) walk(path);
      else if (entry.name.endsWith('.gz')) pages.push(gunzipSync(readFileSync(path)));
    }
  };
  if (!existsSync('/usr/share/man/ja')) return undefined;
  walk('/usr/share/man/ja');
  return Buffer.concat(pages).subarray(0, megabytes << 20).toString('utf8');
}

function best(work, runs) {
  work();
  let low = Infinity;
  for (let i = 0; i < runs; i += 1) {
    const start = performance.now();
    work();
    low = Math.min(low, performance.now() - start);
  }
  return low / 1000;
}

const texts = [['sample text', sampleText()]];
const pages = manualPages();
if (pages) texts.push(['manual pages', pages]);

// Each peer's operation, and the package's options that do the same.
const cases = [
  ['katakana to half width', 'jaconv.toHanKana', (t) => jaconv.toHanKana(t), { kata: '1byte' }],
  ['katakana to half width', "moji ZK→HK", (t) => moji(t).convert('ZK', 'HK').toString(), { kata: '1byte' }],
  ['half-width katakana to full width', 'jaconv.toZenKana', (t) => jaconv.toZenKana(t), { kata: '2byte' }],
  ['half-width katakana to full width', "moji HK→ZK", (t) => moji(t).convert('HK', 'ZK').toString(), { kata: '2byte' }],
  ['katakana to hiragana', 'jaconv.toHiragana', (t) => jaconv.toHiragana(t), { kata: 'hira', toHira: '2only' }],
  ['katakana to hiragana', "moji KK→HG", (t) => moji(t).convert('KK', 'HG').toString(), { kata: 'hira', toHira: '2only' }],
  ['full-width ASCII to ASCII', 'jaconv.toHanAscii', (t) => jaconv.toHanAscii(t), { mark: '1all', space: '1byte' }],
  ['widths as NFKC folds them', "normalize('NFKC')", (t) => t.normalize('NFKC'), { kata: '2byte', mark: '1all', space: '1byte' }],
];

console.log(`node ${process.version}, kana-wasm's ${kana.implementation} module; MB/s of UTF-8 input, best of runs`);
for (const [name, text] of texts) {
  const size = Buffer.byteLength(text);
  console.log(`\n${name}: ${(size / 1e6).toFixed(1)} MB`);
  console.log(`${'operation'.padEnd(36)} ${'peer'.padEnd(20)} ${'peer MB/s'.padStart(10)} ${'kana MB/s'.padStart(10)} ${'kana/peer'.padStart(10)}`);
  for (const [operation, peer, run, options] of cases) {
    const peerRate = size / 1e6 / best(() => run(text), 2);
    const converter = new kana.Converter(options);
    const kanaRate = size / 1e6 / best(() => converter.convert(text), 5);
    console.log(`${operation.padEnd(36)} ${peer.padEnd(20)} ${peerRate.toFixed(1).padStart(10)} ${kanaRate.toFixed(1).padStart(10)} ${(kanaRate / peerRate).toFixed(1).padStart(9)}x`);
  }
  const bytes = Buffer.from(text);
  const sjis = name === 'sample text' && kana.convert(bytes, { encoding: 'utf-8', to: 'sjis' });
  for (const options of [{ kata: '1byte' }, { kata: '2byte' }]) {
    const utf8 = size / 1e6 / best(() => kana.convert(bytes, { ...options, encoding: 'utf-8' }), 5);
    const shiftJis = sjis && `, Shift-JIS ${(sjis.length / 1e6 / best(() => kana.convert(sjis, options), 5)).toFixed(1)} MB/s`;
    console.log(`bytes, ${JSON.stringify(options)}: UTF-8 ${utf8.toFixed(1)} MB/s${shiftJis || ''}`);
  }
}

// Calls on short strings: about 20 characters each.
const sample = texts[0][1];
const shorts = Array.from({ length: 200000 }, (_, i) => sample.substr((i * 37) % (sample.length - 20), 20));
const perSecond = (work) => shorts.length / best(() => { for (const s of shorts) work(s); }, 3);
const converter = new kana.Converter({ kata: '2byte' });
console.log(`\nshort strings of 20 characters, calls per second (thousands):`);
console.log(`  kana Converter.convert ${(perSecond((s) => converter.convert(s)) / 1e3).toFixed(0)}, ` +
  `kana convert(s, options) ${(perSecond((s) => kana.convert(s, { kata: '2byte' })) / 1e3).toFixed(0)}, ` +
  `jaconv.toZenKana ${(perSecond((s) => jaconv.toZenKana(s)) / 1e3).toFixed(0)}, ` +
  `moji HK→ZK ${(perSecond((s) => moji(s).convert('HK', 'ZK').toString()) / 1e3).toFixed(0)}, ` +
  `normalize('NFKC') ${(perSecond((s) => s.normalize('NFKC')) / 1e3).toFixed(0)}`);
