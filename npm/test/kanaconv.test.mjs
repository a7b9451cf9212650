// The package against the native kanaconv: on real text (the Japanese manual pages and
// the edict dictionary, in UTF-8 and in code page 932), under option sets in which every
// two values of two options meet, the package writes what kanaconv writes, fails where it
// fails, and judges encodings as it does.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';

import { captured, corpus, firstDifference, haveKanaconv, kana, kanaconv, kanaconvJudges, kanaconvOptions } from './support.mjs';

const limit = Number(process.env.KANA_CORPUS_LIMIT) || Infinity;
const corpora = haveKanaconv ? ['manpages', 'edict'].map((name) => corpus(name, limit)).filter(Boolean) : [];
const skip = !haveKanaconv
  ? 'no native kanaconv (cmake --preset default && cmake --build build/default --target kanaconv)'
  : corpora.length === 0 && 'neither manpages-ja nor edict is installed';

// Option sets in which every two values of any two parameters meet at least once: a
// pairwise covering array, built greedily and the same every time. A parameter's values
// are objects of options, merged into each set.
function pairwise(parameters) {
  const values = Object.values(parameters);
  const key = (p, i, q, j) => `${p},${i},${q},${j}`;
  const uncovered = new Set();
  for (let p = 0; p < values.length; p += 1)
    for (let q = p + 1; q < values.length; q += 1)
      for (let i = 0; i < values[p].length; i += 1)
        for (let j = 0; j < values[q].length; j += 1) uncovered.add(key(p, i, q, j));
  const sets = [];
  while (uncovered.size > 0) {
    const choice = values.map(() => -1);
    const [p0, i0, q0, j0] = uncovered.values().next().value.split(',').map(Number);
    choice[p0] = i0;
    choice[q0] = j0;
    for (let p = 0; p < values.length; p += 1) {
      if (choice[p] >= 0) continue;
      let best = 0;
      let bestGain = -1;
      for (let i = 0; i < values[p].length; i += 1) {
        let gain = 0;
        for (let q = 0; q < values.length; q += 1)
          if (choice[q] >= 0 && uncovered.has(q < p ? key(q, choice[q], p, i) : key(p, i, q, choice[q]))) gain += 1;
        if (gain > bestGain) [best, bestGain] = [i, gain];
      }
      choice[p] = best;
    }
    for (let p = 0; p < values.length; p += 1)
      for (let q = p + 1; q < values.length; q += 1) uncovered.delete(key(p, choice[p], q, choice[q]));
    sets.push(Object.assign({}, ...choice.map((i, p) => values[p][i])));
  }
  return sets;
}

const each = (name, list) => list.map((value) => (value === undefined ? {} : { [name]: value }));
const classes = [undefined, 'none', '1byte', '2byte'];
const FAITHFUL = pairwise({
  kata: each('kata', ['none', '1byte', '2byte', 'hira']),
  toHira: each('toHira', [undefined, '1only', '2only']),
  hira: each('hira', ['none', '1kata', '2kata']),
  mark: each('mark', [undefined, '1all', '2all']),
  letters: each('letters', classes),
  digits: each('digits', classes),
  symbols: each('symbols', classes),
  space: each('space', [undefined, '1byte', '2byte']),
  convSize: each('convSize', ['none', 'small', 'big']),
  tabs: [{}, { tab: 4 }, { tab: 'none' }, { tab: 0 }, { tab: -1 }, { tabStops: 8 }, { tabStops: 3 }],
  keep: each('keep', [undefined, 'ーｰ゛ﾞ', 'アｱあＡａ１']),
  newline: each('newline', [undefined, 'crlf', 'lf']),
});
const CLASSIC = pairwise({
  kata: each('kata', ['none', '1byte', '2byte', 'hira']),
  toHira: each('toHira', [undefined, '1only', '2only']),
  hira: each('hira', ['none', '1kata', '2kata']),
  mark: each('mark', [undefined, '1all', '2all']),
  space: each('space', [undefined, '1byte', '2byte']),
  convSize: each('convSize', ['none', 'small', 'big']),
  tab: each('tab', [undefined, 4, 0, 'none']),
}).map((set) => ({ ...set, classic: true }));

// What kanaconv wrote, or where it failed, against what convert gave or threw.
function agrees(options, input, convert) {
  const expected = kanaconv(options, input);
  let actual;
  try {
    actual = convert();
  } catch (e) {
    if (!(e instanceof kana.KanaError)) throw e;
    assert.notEqual(expected.status, 0, `kanaconv converted where the package threw ${e.message}`);
    const said = expected.message.match(/line (\d+), column (\d+): the (?:character|bytes) ([0-9A-F ]+?) (?:has|are)/);
    assert.ok(said, `kanaconv failed otherwise: ${expected.message}`);
    assert.deepEqual([e.line, e.column, Buffer.from(e.bytes).toString('hex')],
      [Number(said[1]), Number(said[2]), said[3].replace(/ /g, '').toLowerCase()]);
    return;
  }
  assert.equal(expected.status, 0, `kanaconv failed where the package converted: ${expected.message}`);
  const bytes = typeof actual === 'string' ? Buffer.from(actual, 'utf8') : actual;
  const difference = firstDifference(bytes, expected.output);
  assert.equal(difference, undefined, difference);
}

describe('the package writes what kanaconv writes', { skip }, () => {
  for (const options of FAITHFUL) {
    it(`${JSON.stringify(options)}`, () => {
      for (const text of corpora) {
        const utf8 = { ...options, encoding: 'utf-8' };
        agrees(utf8, text.utf8, () => kana.convert(text.text, options));
        agrees(utf8, text.utf8, () => kana.convert(text.utf8, utf8));
        agrees({ ...options, encoding: 'sjis' }, text.sjis, () => kana.convert(text.sjis, options));
      }
    });
  }
  it('with the encoding judged, and written in the other one', () => {
    for (const options of FAITHFUL.slice(0, 8)) {
      for (const text of corpora) {
        const auto = { ...options, encoding: 'auto' };
        agrees(auto, text.utf8, () => kana.convert(text.utf8, auto));
        agrees(auto, text.sjis, () => kana.convert(text.sjis, auto));
        const toUtf8 = { ...options, encoding: 'sjis', to: 'utf-8' };
        agrees(toUtf8, text.sjis, () => kana.convert(text.sjis, toUtf8));
        const toSjis = { ...options, encoding: 'utf-8', to: 'sjis' };
        agrees(toSjis, text.utf8, () => kana.convert(text.utf8, toSjis));
      }
    }
  });
  for (const options of CLASSIC) {
    it(`${JSON.stringify(options)}`, () => {
      for (const text of corpora) agrees(options, text.sjis, () => kana.convert(text.sjis, options));
    });
  }
});

// Texts at the edges of the rules, in both encodings, under a few sets each.
const EDGES = [
  [],
  [0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09],
  [0x0d, 0x0d, 0x0a, 0x0a, 0x0d, 0x61],
  [0x61, 0x00, 0x0d, 0x00, 0x1a, 0x62, 0x0a, 0x1a],
  [0xef, 0xbb, 0xbf, 0xef, 0xbd, 0xb6, 0xef, 0xbe, 0x9e, 0x41, 0x09],
  [0xef, 0xbd, 0xb6, 0xff, 0xef, 0xbe, 0x9e, 0xe3, 0x81, 0x82, 0xe3],
  [0xb6, 0xde, 0xb6, 0xdf, 0xb3, 0xde, 0x82, 0xa0, 0x81, 0x5b, 0x20, 0x41, 0x82],
  [0x83, 0x94, 0x81, 0x54, 0x81, 0x52, 0x82, 0x9f, 0x83, 0x95, 0xdc, 0xde, 0xa6, 0xde, 0x80, 0xa0, 0xfd],
];
const EDGE_SETS = [
  { kata: '2byte', mark: '2all', tab: 5 },
  { kata: '1byte', hira: '1kata', mark: '1all', space: '1byte', newline: 'crlf' },
  { kata: 'hira', convSize: 'big', tabStops: 4, newline: 'lf' },
  { kata: '2byte', keep: 'ﾞ', digits: '2byte', letters: '1byte' },
];

describe('at the edges of the rules', { skip: !haveKanaconv && skip }, () => {
  it('the package writes what kanaconv writes', () => {
    for (const bytes of EDGES.map((edge) => new Uint8Array(edge))) {
      for (const options of EDGE_SETS) {
        for (const encoding of ['utf-8', 'sjis', 'auto'])
          agrees({ ...options, encoding }, bytes, () => kana.convert(bytes, { ...options, encoding }));
        const { kata, hira, mark, space, tab } = options;
        // Bytes are Shift-JIS unless told: kanaconv --classic --from=sjis (alone, it refuses
        // text it judges UTF-8).
        const classic = { kata, hira, mark, space, tab, classic: true };
        agrees({ ...classic, encoding: 'sjis' }, bytes, () => kana.convert(bytes, classic));
      }
    }
  });

  it('judges each encoding as kanaconv does', () => {
    const late = Buffer.concat([Buffer.from('ア'.repeat(50000)), Buffer.from([0x82, 0xa0])]);
    const texts = [
      ...EDGES.map((edge) => new Uint8Array(edge)),
      ...corpora.flatMap((text) => [text.utf8, text.sjis]),
      Buffer.from('plain ASCII\n'),
      Buffer.from([0xef, 0xbb, 0xbf, 0x41]),
      late,
      Buffer.concat([Buffer.from('x'.repeat(70000)), Buffer.from('ア')]),
      Buffer.concat([Buffer.from('x'.repeat(70000)), Buffer.from([0x83, 0x41])]),
    ];
    for (const bytes of texts) assert.equal(kana.judge(bytes), kanaconvJudges(bytes));
  });
});

describe('the package refuses what kanaconv refuses', { skip: !haveKanaconv && skip }, () => {
  it('and takes every option of conversion and text it takes', () => {
    const names = kanaconvOptions();
    assert.ok(names.length >= 15, `kanaconv --help lists ${names}`);
    for (const name of names) {
      const option = name === 'from' ? 'encoding' : name.replace(/-([a-z])/g, (_, c) => c.toUpperCase());
      const value = name === 'classic' ? true : name === 'keep' ? 'ア' : 'no such value';
      const e = captured(() => kana.convert(new Uint8Array([0x41]), { [option]: value }));
      assert.ok(!e || !/unknown option/.test(e.message), `--${name}: ${e?.message}`);
    }
  });

  // Bad values, and options kanaconv does not take together. (The package takes
  // letters, digits and symbols 'mark', which is leaving them out, and tabStops 0.)
  const BAD = [
    { kata: 'half' }, { toHira: 'none' }, { hira: '2byte' }, { mark: 'all' }, { letters: 'small' },
    { digits: 'big' }, { symbols: '3byte' }, { space: 'hira' }, { convSize: 'upper' }, { tab: 'four' },
    { tab: '4x' }, { tabStops: -3 }, { tabStops: 'x' }, { newline: 'cr' }, { encoding: 'latin1' },
    { to: 'euc-jp' }, { tab: 4, tabStops: 8 }, { tab: 'none', tabStops: 2 },
    { classic: true, letters: '1byte' }, { classic: true, digits: 'none' }, { classic: true, symbols: '2byte' },
    { classic: true, keep: 'ア' }, { classic: true, tabStops: 4 }, { classic: true, newline: 'crlf' },
    { classic: true, to: 'sjis' },
  ];
  it('as a RangeError', () => {
    for (const options of BAD) {
      assert.equal(kanaconv(options, Buffer.from('a\n')).status, 2, JSON.stringify(options));
      assert.throws(() => kana.convert(new Uint8Array([0x61]), options), RangeError, JSON.stringify(options));
    }
  });
});

describe('the helpers are the kanaconv options they stand for', { skip }, () => {
  // ascii: letters, symbols and the space; digit: the digits; kana: katakana and the kana
  // punctuation; ignore: the characters kept.
  const FLAGS = [{}, { ascii: false }, { digit: false }, { kana: false }, { ascii: false, kana: false, ignore: 'ーＡ1' }];
  function standsFor(width, { ascii = true, digit = true, kana: katakana = true, ignore = '' }) {
    const or = (flag) => (flag ? width : 'none');
    return { letters: or(ascii), symbols: or(ascii), space: or(ascii), digits: or(digit), kata: or(katakana),
      keep: ignore || undefined, encoding: 'utf-8' };
  }
  it('z2h and h2z', () => {
    for (const text of corpora)
      for (const flags of FLAGS) {
        agrees(standsFor('1byte', flags), text.utf8, () => kana.z2h(text.text, flags));
        agrees(standsFor('2byte', flags), text.utf8, () => kana.h2z(text.text, flags));
      }
  });
  it('hira2kata and kata2hira', () => {
    for (const text of corpora)
      for (const ignore of [undefined, 'あア']) {
        agrees({ hira: '2kata', keep: ignore, encoding: 'utf-8' }, text.utf8, () => kana.hira2kata(text.text, { ignore }));
        agrees({ kata: 'hira', toHira: '2only', keep: ignore, encoding: 'utf-8' }, text.utf8, () =>
          kana.kata2hira(text.text, { ignore }));
      }
  });
});
