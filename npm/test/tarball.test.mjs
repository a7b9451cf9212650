// The tarball as a user gets it: npm installs it with no network, the installed package
// converts, and its declarations type-check a program that uses it.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { describe, it } from 'node:test';

const tarball = process.env.KANA_TARBALL;
const project = mkdtempSync(join(tmpdir(), 'kana-npm-consumer-'));
process.on('exit', () => rmSync(project, { recursive: true, force: true }));

// The TypeScript compiler of the test tools (npm ci in npm/test).
let tsc;
try {
  tsc = createRequire(new URL('./package.json', import.meta.url)).resolve('typescript/bin/tsc');
} catch {
  tsc = undefined;
}

function run(command, args, options = {}) {
  const result = spawnSync(command, args, { cwd: project, encoding: 'utf8', ...options });
  assert.equal(result.status, 0, `${command} ${args.join(' ')}:\n${result.stdout}\n${result.stderr}`);
  return result.stdout;
}

describe('the tarball', { skip: !(tarball && existsSync(tarball)) && 'no tarball: build the wasm preset' }, () => {
  it('holds the package and nothing else', () => {
    const listed = run('tar', ['tzf', tarball]).split('\n').filter(Boolean).sort();
    assert.deepEqual(listed, ['LICENSE', 'README.md', 'api.js', 'index.d.ts', 'index.js', 'kana-simd.wasm',
      'kana.wasm', 'package.json'].map((file) => `package/${file}`));
  });

  it('installs with no network, and converts', () => {
    writeFileSync(join(project, 'package.json'), JSON.stringify({ name: 'consumer', private: true, type: 'module' }));
    run('npm', ['install', '--offline', '--no-audit', '--no-fund', '--ignore-scripts', tarball], {
      env: { ...process.env, npm_config_cache: join(project, '.npm-cache'), npm_config_update_notifier: 'false' },
    });
    const said = run(process.execPath, ['--input-type=module', '-e', `
      import { convert, implementation } from 'kana-wasm';
      const bytes = convert(new Uint8Array([0xb6, 0xde]), { kata: '2byte' });
      console.log(convert('ｶﾞｰﾙ ＡＢＣ', { kata: '2byte', mark: '1all' }), Buffer.from(bytes).toString('hex'), implementation);`]);
    assert.equal(said.trim(), 'ガール ABC 834b simd');
  });

  it('declares its types: a program that uses them right compiles, and each misuse is an error', { skip: !tsc && 'no TypeScript: npm ci in npm/test' }, () => {
    writeFileSync(join(project, 'use.ts'), `
      import { convert, Converter, KanaError, judge, z2h, h2z, hira2kata, kata2hira, implementation } from 'kana-wasm';
      import type { Options, ByteOptions } from 'kana-wasm';
      const text: string = convert('ｱ', { kata: '2byte', toHira: 'all', tab: 4, tabStops: 'none', keep: 'ー', newline: 'lf' });
      const bytes: Uint8Array = convert(new Uint8Array([0xb1]), { encoding: 'cp932', to: 'utf-8', classic: false });
      const options: Options = { letters: '1byte', digits: 'mark', symbols: 'none', convSize: 'big', mark: '2all' };
      const byteOptions: ByteOptions = { ...options, to: 'same' };
      const converter = new Converter(byteOptions);
      const again: string = converter.convert(text);
      const moreBytes: Uint8Array = converter.convert(bytes);
      converter.free();
      const helped: string[] = [z2h(again, { ascii: false, ignore: 'ア' }), h2z('a', { digit: false }), hira2kata('あ'), kata2hira('ア', { ignore: 'ヴ' })];
      const judged: 'utf-8' | 'sjis' | 'ascii' = judge(moreBytes);
      const which: 'simd' | 'scalar' = implementation;
      try { convert(bytes, { to: 'sjis' }); } catch (e) { if (e instanceof KanaError && e.code === 'unwritable') console.log(e.line, e.column, e.bytes); }
      console.log(helped, judged, which);
      // @ts-expect-error a value no option takes
      convert('a', { kata: 'half' });
      // @ts-expect-error an option that is not one
      convert('a', { hankaku: true });
      // @ts-expect-error bytes-only options on a string
      const wrong: string = convert('a', { encoding: 'sjis' });
      // @ts-expect-error bytes come back as bytes
      const notText: string = convert(new Uint8Array(1));
      // @ts-expect-error a number is no text
      convert(5);
      // @ts-expect-error a helper's flags are booleans
      z2h('a', { ascii: 'yes' });
      console.log(wrong, notText);
    `);
    run(process.execPath, [tsc, '--noEmit', '--strict', '--target', 'es2022', '--module', 'nodenext',
      '--moduleResolution', 'nodenext', 'use.ts']);
  });
});
