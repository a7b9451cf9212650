// The package's own face: its options and their errors, strings against bytes, lone
// surrogates, converters and their reuse, and the choice between its two modules.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { describe, it } from 'node:test';
import { pathToFileURL } from 'node:url';

import { captured, kana, packageDir } from './support.mjs';

const { convert, Converter, KanaError } = kana;
const utf8 = (text) => new TextEncoder().encode(text);
const bytesOf = (bytes) => Buffer.from(bytes).toString('hex');

// A generator of the same numbers every run.
function random(seed) {
  let s = seed >>> 0;
  return (n) => {
    s = (s + 0x6d2b79f5) >>> 0;
    let t = Math.imul(s ^ (s >>> 15), s | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return (((t ^ (t >>> 14)) >>> 0) % n);
  };
}

// Characters the rules treat each in their own way, and the edges of UTF-16 and UTF-8.
const POOL = [
  'ｶ', 'ﾞ', 'ﾟ', 'ﾜ', 'ｳ', 'ｰ', 'ア', 'ガ', 'ヴ', 'ヵ', 'ヽ', 'あ', 'ゔ', 'ー', '。', '　', ' ', 'A', 'z', '7',
  'Ａ', '７', '＼', '~', '¥', '¢', '〜', '漢', '\t', '\r', '\n', '\r\n', '\0', '\u0080', '\u07ff', '\u0800',
  '\ud7ff', '\ue000', '\ufeff', '\ufffd', '\uffff', '😀', '\u{10ffff}',
];
const SURROGATES = ['\ud800', '\udbff', '\udc00', '\udfff'];

function text(next, length, pool = POOL) {
  let s = '';
  for (let i = 0; i < length; i += 1) s += pool[next(pool.length)];
  return s;
}

const SETS = [
  {},
  { kata: '2byte', mark: '2all', space: '2byte' },
  { kata: '1byte', hira: '1kata', mark: '1all', space: '1byte', convSize: 'big' },
  { kata: 'hira', convSize: 'small', tab: 3 },
  { kata: '2byte', keep: 'ﾞア', newline: 'lf' },
  { hira: '2kata', tabStops: 4, newline: 'crlf' },
];

// The union types of index.d.ts: each option and the values it lists.
function declaredValues() {
  const declarations = readFileSync(join(packageDir, 'index.d.ts'), 'utf8');
  const unions = {};
  for (const [, name, body] of declarations.matchAll(/export type (\w+) =([^;]+);/g))
    unions[name] = [...body.matchAll(/'([^']+)'/g)].map((m) => m[1]);
  const options = {};
  for (const [, name, type] of declarations.matchAll(/^\s+(\w+)\?: (\w+)(?: \| '(?:same)')?;/gm))
    if (unions[type]) options[name] = unions[type];
  return options;
}

describe('options', () => {
  it('every value the declarations list converts, and none other does', () => {
    const declared = declaredValues();
    assert.ok(Object.keys(declared).length >= 12, `only ${Object.keys(declared)} read from index.d.ts`);
    for (const [name, values] of Object.entries(declared)) {
      const bytes = ['encoding', 'to'].includes(name);
      for (const value of bytes && name === 'to' ? [...values, 'same'] : values)
        assert.doesNotThrow(() => convert(bytes ? new Uint8Array([0x41]) : 'A', { [name]: value }), `${name}: ${value}`);
      for (const wrong of ['x', `${values[1]}x`, ''])
        assert.throws(() => convert(new Uint8Array([0x41]), { [name]: wrong }),
          (e) => e instanceof RangeError && e.message.includes(name), `${name}: '${wrong}'`);
    }
  });

  it('a value of the wrong type is a TypeError that names the option', () => {
    const wrong = {
      kata: [1, true, {}, null], toHira: [2], hira: [['1kata']], mark: [false], letters: [0],
      digits: [null], symbols: [{}], space: [1], convSize: [true], newline: [10], keep: [65, ['ア']],
      encoding: [932], to: [8], tab: [true, {}, null, [4]], tabStops: [false, null], classic: ['true', 1, null],
    };
    for (const [name, values] of Object.entries(wrong))
      for (const value of values)
        assert.throws(() => convert(new Uint8Array([0x41]), { [name]: value }),
          (e) => e instanceof TypeError && e.message.includes(name), `${name}: ${JSON.stringify(value)}`);
  });

  it('an unknown name, a bad value or options that do not go together are a RangeError naming them', () => {
    const bad = [
      [{ Kata: '1byte' }, 'Kata'], [{ conv_size: 'big' }, 'conv_size'], [{ 'to-hira': 'all' }, 'to-hira'],
      [{ from: 'sjis' }, 'from'], [{ tab: 1.5 }, 'tab'], [{ tab: NaN }, 'tab'], [{ tabStops: Infinity }, 'tabStops'],
      [{ tab: 2 ** 31 }, 'tab'], [{ tabStops: -1 }, 'tabStops'], [{ tab: 4, tabStops: 8 }, 'tabStops'],
      [{ classic: true, keep: 'ア' }, 'keep'], [{ classic: true, newline: 'lf' }, 'newline'],
      [{ classic: true, encoding: 'utf-8' }, 'classic'], [{ classic: true, to: 'utf-8' }, 'to'],
      [{ keep: 'ア\ud800' }, 'keep'],
    ];
    for (const [options, name] of bad)
      assert.throws(() => convert(new Uint8Array([0x41]), options),
        (e) => e instanceof RangeError && e.message.includes(name), JSON.stringify(options));
    for (const name of ['encoding', 'to', 'classic']) {
      const options = { [name]: name === 'classic' ? true : 'sjis' };
      assert.throws(() => convert('A', options), (e) => e instanceof RangeError && e.message.includes(name));
      assert.throws(() => new Converter(options).convert('A'), (e) => e instanceof RangeError && e.message.includes(name));
    }
  });

  it('undefined options are options not given', () => {
    assert.equal(convert('ｱ', undefined), 'ｱ');
    assert.equal(convert('ｱ', { kata: undefined, tab: undefined, nothing: undefined }), 'ｱ');
  });

  it('what is not an object of options, or not a text, is a TypeError', () => {
    for (const options of [null, 'kata', 5, ['kata'], true])
      assert.throws(() => convert('A', options), TypeError, JSON.stringify(options));
    for (const input of [5, null, undefined, {}, new Uint16Array(2), new ArrayBuffer(2), [0x41], new Int8Array(2)])
      assert.throws(() => convert(input), TypeError, String(input));
    assert.throws(() => new Converter({}).convert(5), TypeError);
    assert.throws(() => kana.judge('text'), TypeError);
    for (const helper of ['z2h', 'h2z', 'hira2kata', 'kata2hira']) {
      assert.throws(() => kana[helper](5), TypeError, helper);
      assert.throws(() => kana[helper]('a', null), TypeError, helper);
      assert.throws(() => kana[helper]('a', { ignore: 5 }), (e) => e instanceof TypeError && e.message.includes('ignore'));
      assert.throws(() => kana[helper]('a', { kata: '1byte' }), (e) => e instanceof RangeError && e.message.includes('kata'));
    }
    for (const helper of ['z2h', 'h2z'])
      for (const flag of ['ascii', 'digit', 'kana'])
        assert.throws(() => kana[helper]('a', { [flag]: 'yes' }), (e) => e instanceof TypeError && e.message.includes(flag));
  });
});

describe('texts that cannot be converted', () => {
  it('a character the output cannot hold: a KanaError with its line, column and bytes', () => {
    const cases = [
      [utf8('ab\r\ncd\nあい😀'), { encoding: 'utf-8', to: 'sjis' }, [3, 3, 'f09f9880']],
      [utf8('x\ry\n\u00e9'), { encoding: 'utf-8', to: 'sjis', kata: '1byte' }, [3, 1, 'c3a9']],
      [new Uint8Array([0x41, 0x0a, 0x82, 0xa0, 0x85, 0x40]), { to: 'utf-8' }, [2, 2, '8540']],
    ];
    for (const [input, options, [line, column, bytes]] of cases) {
      const e = captured(() => convert(input, options));
      assert.ok(e instanceof KanaError, String(e));
      assert.deepEqual([e.code, e.line, e.column, bytesOf(e.bytes)], ['unwritable', line, column, bytes]);
      assert.match(e.message, new RegExp(`line ${line}, column ${column}`));
    }
  });

  it('classic rules on text judged UTF-8: a KanaError', () => {
    const e = captured(() => convert(utf8('あ'), { classic: true, encoding: 'auto' }));
    assert.ok(e instanceof KanaError && e.code === 'classic', String(e));
    assert.deepEqual(convert(new Uint8Array([0x82, 0xa0]), { classic: true, encoding: 'auto' }),
      new Uint8Array([0x82, 0xa0, 0x0d, 0x0a]));
  });
});

describe('strings', () => {
  it('a string converts as its UTF-8 does', () => {
    const next = random(1);
    for (let round = 0; round < 300; round += 1) {
      const s = text(next, 1 + next(60));
      for (const options of SETS) {
        const fromBytes = new TextDecoder('utf-8', { ignoreBOM: true }).decode(
          convert(utf8(s), { ...options, encoding: 'utf-8' }));
        assert.equal(convert(s, options), fromBytes, `${JSON.stringify(s)} ${JSON.stringify(options)}`);
      }
    }
  });

  it('a lone surrogate keeps its place and, like a character no encoding holds, parts its neighbours', () => {
    const next = random(2);
    const pool = [...POOL.filter((c) => c !== '\uffff'), ...SURROGATES];
    for (let round = 0; round < 300; round += 1) {
      const s = text(next, 1 + next(40), pool);
      const lone = s.match(/\p{Surrogate}/gu) ?? [];
      const standIn = s.replace(/\p{Surrogate}/gu, '\uffff');
      for (const options of SETS.filter((set) => !set.tabStops)) {
        let k = 0;
        const expected = convert(standIn, options).replace(/\uffff/g, () => lone[k++]);
        assert.equal(convert(s, options), expected, `${JSON.stringify(s)} ${JSON.stringify(options)}`);
      }
    }
  });

  it('without Node\'s Buffer, as a browser converts, strings come out the same', async () => {
    const saved = globalThis.Buffer;
    let api;
    try {
      delete globalThis.Buffer;
      api = await import(`${pathToFileURL(join(packageDir, 'api.js')).href}?without-buffer`);
    } finally {
      globalThis.Buffer = saved;
    }
    const browser = await api.load(async (name) => readFileSync(join(packageDir, name === 'simd' ? 'kana-simd.wasm' : 'kana.wasm')),
      kana.implementation);
    const next = random(3);
    for (let round = 0; round < 200; round += 1) {
      const s = text(next, 1 + next(50), [...POOL, ...SURROGATES]);
      for (const options of SETS) assert.equal(browser.convert(s, options), convert(s, options), JSON.stringify(s));
    }
  });
});

describe('converters', () => {
  it('a converter converts strings and bytes in turn as convert does, until it is freed', () => {
    const next = random(4);
    for (const options of SETS) {
      const converter = new Converter(options);
      for (let round = 0; round < 30; round += 1) {
        const s = text(next, next(30));
        assert.equal(converter.convert(s), convert(s, options));
        const b = new Uint8Array(Array.from({ length: next(30) }, () => next(256)));
        assert.deepEqual(converter.convert(b), convert(b, options));
      }
      converter.free();
      converter.free();
      assert.throws(() => converter.convert('a'), TypeError);
    }
  });

  it('convert gives what a converter of its own would, however many option sets it keeps', () => {
    const sample = 'ｶﾞｰﾙ\tＡＢＣ　あいう\t１２３';
    for (let round = 0; round < 2; round += 1)
      for (let spaces = 1; spaces <= 70; spaces += 1) {
        const options = { tab: spaces, kata: spaces % 2 ? '2byte' : 'hira' };
        const own = new Converter(options);
        assert.equal(convert(sample, options), own.convert(sample), JSON.stringify(options));
        own.free();
      }
  });

  it('a result larger than the first guess, and a text that makes the memory grow', () => {
    const tabs = '\t'.repeat(5000);
    assert.equal(convert(tabs, { tab: 7 }).length, 35000);
    assert.equal(convert(new Uint8Array(5000).fill(9), { tab: 7 }).length, 35000);
    const long = 'ｶﾞｷﾞｸﾞ\n'.repeat(1 << 21);
    const widened = convert(long, { kata: '2byte' });
    assert.equal(widened.length, 4 * (1 << 21));
    assert.equal(widened.slice(-8), 'ガギグ\nガギグ\n');
  });
});

describe('modules', () => {
  it('the module in use is the one KANA_WASM names', () => {
    assert.equal(kana.implementation, process.env.KANA_WASM || 'simd');
  });

  it('the SIMD module where the host compiles it, the scalar one elsewhere', async () => {
    const api = await import(pathToFileURL(join(packageDir, 'api.js')).href);
    const files = async (name) => readFileSync(join(packageDir, name === 'simd' ? 'kana-simd.wasm' : 'kana.wasm'));
    assert.equal((await api.load(files)).implementation, 'simd');
    const simd = readFileSync(join(packageDir, 'kana-simd.wasm'));
    assert.equal(WebAssembly.validate(readFileSync(join(packageDir, 'kana.wasm'))), true);
    // A host without SIMD: a module it cannot compile.
    const withoutSimd = await api.load(async (name) => (name === 'simd' ? simd.subarray(0, 100) : files(name)));
    assert.equal(withoutSimd.implementation, 'scalar');
    assert.equal(withoutSimd.convert('ｶﾞ', { kata: '2byte' }), convert('ｶﾞ', { kata: '2byte' }));
  });
});
