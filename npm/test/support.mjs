// What the package's tests share: the package under test, the native kanaconv, and real
// Japanese text in UTF-8 and in code page 932.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { gunzipSync } from 'node:zlib';

const root = fileURLToPath(new URL('../..', import.meta.url));

// The package folder of the wasm build (KANA_PACKAGE), loaded with the module KANA_WASM names.
export const packageDir = process.env.KANA_PACKAGE || join(root, 'build/wasm/npm/package');
export const kana = await import(pathToFileURL(join(packageDir, 'index.js')).href);

export const kanaconvPath = process.env.KANACONV || join(root, 'build/default/cli/kanaconv');
export const haveKanaconv = existsSync(kanaconvPath);

export const scratch = mkdtempSync(join(tmpdir(), 'kana-npm-test-'));
process.on('exit', () => rmSync(scratch, { recursive: true, force: true }));

// kanaconv's command-line options for the package's options.
export function kanaconvArguments(options) {
  const args = [];
  for (const [name, value] of Object.entries(options)) {
    if (value === undefined) continue;
    const flag = `--${name.replace(/[A-Z]/g, (c) => `-${c.toLowerCase()}`)}`;
    if (name === 'classic') {
      if (value) args.push(flag);
    } else {
      args.push(`${name === 'encoding' ? '--from' : flag}=${value}`);
    }
  }
  return args;
}

// The conversion and text options kanaconv --help lists, as kanaconv spells them.
export function kanaconvOptions() {
  const help = spawnSync(kanaconvPath, ['--help']).stdout.toString();
  const section = help.slice(help.indexOf('Conversion'), help.indexOf('Files:'));
  return [...section.matchAll(/^ {2}--([a-z-]+)/gm)].map((m) => m[1]);
}

// Runs kanaconv on the bytes of a file: its output, or its failure (status and message).
let runs = 0;
export function kanaconv(options, input) {
  const source = join(scratch, `in-${runs}`);
  const dest = join(scratch, `out-${(runs += 1)}`);
  writeFileSync(source, input);
  const run = spawnSync(kanaconvPath, [...kanaconvArguments(options), '-q', source, dest], {
    env: { ...process.env, LC_ALL: 'C.UTF-8' },
    encoding: 'buffer',
  });
  rmSync(source);
  const result = { status: run.status, message: run.stderr.toString() };
  if (run.status === 0) result.output = readFileSync(dest);
  rmSync(dest, { force: true });
  return result;
}

// kanaconv's verdict on how it read a file: 'utf-8', 'sjis' or 'ascii', as judge says.
export function kanaconvJudges(input) {
  const source = join(scratch, 'judged');
  writeFileSync(source, input);
  const run = spawnSync(kanaconvPath, ['-v', source, join(scratch, 'judged-out')], {
    env: { ...process.env, LC_ALL: 'C.UTF-8' },
  });
  const said = run.stderr.toString();
  if (said.includes('read as UTF-8')) return 'utf-8';
  if (said.includes('read as Shift-JIS')) return 'sjis';
  if (said.includes('ASCII only')) return 'ascii';
  throw new Error(`kanaconv -v said: ${said}`);
}

function iconv(from, to, input) {
  // -c leaves out what the target cannot hold; iconv then ends with status 1.
  const run = spawnSync('iconv', ['-c', '-f', from, '-t', to], { input, maxBuffer: 1 << 30 });
  if (run.error || run.status > 1) return undefined;
  return run.stdout;
}

// Every k-th of the units (pages, lines) so that they come to at most `limit` bytes: a
// sample from all over the text rather than its beginning.
function sample(units, limit) {
  const total = units.reduce((sum, unit) => sum + unit.length, 0);
  const stride = Math.ceil(total / limit);
  return stride <= 1 ? units : units.filter((_, i) => i % stride === 0);
}

// The Japanese manual pages, or Debian's edict dictionary, in UTF-8 and in code page 932
// (what iconv cannot convert to it left out), sampled down to about `limit` bytes by page
// or by line; undefined when the text is not installed.
export function corpus(name, limit = Infinity) {
  let units = [];
  if (name === 'manpages') {
    const walk = (folder) => {
      for (const entry of readdirSync(folder, { withFileTypes: true }).sort((a, b) => (a.name < b.name ? -1 : 1))) {
        const path = join(folder, entry.name);
        if (entry.isDirectory()) walk(path);
        else if (entry.name.endsWith('.gz')) units.push(gunzipSync(readFileSync(path)));
      }
    };
    if (existsSync('/usr/share/man/ja')) walk('/usr/share/man/ja');
  } else if (name === 'edict' && existsSync('/usr/share/edict/edict')) {
    const text = iconv('EUC-JP', 'UTF-8', readFileSync('/usr/share/edict/edict'));
    if (text) units = text.toString('latin1').split(/(?<=\n)/).map((line) => Buffer.from(line, 'latin1'));
  }
  if (units.length === 0) return undefined;
  const utf8 = Buffer.concat(sample(units, limit));
  const sjis = iconv('UTF-8', 'CP932', utf8);
  if (!sjis) return undefined;
  return { name, utf8, sjis, text: utf8.toString('utf8') };
}

// The first place two byte strings differ, with the line it is on, for a failure message.
export function firstDifference(actual, expected) {
  const a = Buffer.from(actual.buffer, actual.byteOffset, actual.length);
  const b = Buffer.from(expected.buffer, expected.byteOffset, expected.length);
  if (a.equals(b)) return undefined;
  let at = 0;
  while (at < a.length && at < b.length && a[at] === b[at]) at += 1;
  const line = b.subarray(0, at).toString('latin1').split('\n').length;
  const show = (x) => x.subarray(Math.max(0, at - 24), at + 24).toString('hex');
  return `sizes ${a.length} and ${b.length}, first difference at byte ${at} (line ${line}): got ${show(a)}, kanaconv wrote ${show(b)}`;
}

// What work threw, or undefined.
export function captured(work) {
  try {
    work();
  } catch (e) {
    return e;
  }
  return undefined;
}
