// The page in headless Chromium, opened from disk: typed text, every value of every
// control, a dropped Shift-JIS file and the downloads give what the npm package gives,
// changed characters are marked, and the page asks for nothing outside its own folder.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../..', import.meta.url));
const pagePath = process.env.KANA_PAGE || join(root, 'build/wasm/web/index.html');
const packageDir = process.env.KANA_PACKAGE || join(root, 'build/wasm/npm/package');
const chromium = '/usr/bin/chromium';
const kanaconvPath = process.env.KANACONV || join(root, 'build/default/cli/kanaconv');

// puppeteer-core from the test tools (npm ci in npm/test).
let puppeteer;
try {
  const resolved = createRequire(join(root, 'npm/test/package.json')).resolve('puppeteer-core');
  puppeteer = (await import(pathToFileURL(resolved).href)).default;
} catch {
  puppeteer = undefined;
}
const skip = !puppeteer ? 'no puppeteer-core: npm ci in npm/test'
  : !existsSync(chromium) ? 'no chromium' : !existsSync(pagePath) && 'no page: build the wasm preset';
const kana = skip ? undefined : await import(pathToFileURL(join(packageDir, 'index.js')).href);

const CHOICES = { kata: 'kata', 'to-hira': 'toHira', hira: 'hira', mark: 'mark', letters: 'letters',
  digits: 'digits', symbols: 'symbols', space: 'space', 'conv-size': 'convSize', newline: 'newline' };
const TEXT = 'ｶﾞｰﾙ ＡＢＣ abc １２３ 456\tあいう アイウ ｱｲｳ ゃゅょ ャュョ。「」\nヴ ゔ ヽ ¥ ~ 〜 😀\n';

describe('the page', { skip }, () => {
  let browser;
  let page;
  const asked = [];
  const work = mkdtempSync(join(tmpdir(), 'kana-page-test-'));

  before(async () => {
    browser = await puppeteer.launch({
      executablePath: chromium,
      headless: true,
      args: ['--headless', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
        '--disable-sync', '--no-first-run', '--disable-quic', `--user-data-dir=${join(work, 'profile')}`,
        ...(process.getuid?.() === 0 ? ['--no-sandbox'] : [])],
    });
    page = await browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      asked.push(request.url());
      if (/^(file|data|blob):/.test(request.url())) request.continue();
      else request.abort();
    });
    const problems = [];
    page.on('pageerror', (e) => problems.push(e.message));
    page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
    await page.goto(pathToFileURL(pagePath).href);
    await page.waitForSelector('body[data-ready]', { timeout: 20000 }).catch(() => {
      throw new Error(`the page did not start: ${problems.join('; ')}`);
    });
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: work });
  });

  after(async () => {
    await browser?.close();
    rmSync(work, { recursive: true, force: true });
  });

  const outputText = () => page.$eval('#output', (e) => e.textContent);
  const setValue = (id, value) => page.$eval(`#${id}`, (e, v) => {
    if (e.type === 'checkbox') e.checked = v;
    else e.value = v;
    e.dispatchEvent(new Event('change', { bubbles: true }));
  }, value);
  async function reset() {
    for (const id of Object.keys(CHOICES)) await page.select(`#${id}`, await page.$eval(`#${id}`, (e) => e.options[0].value));
    for (const [id, value] of [['tab', 'none'], ['tab-stops', 'none'], ['keep', ''], ['classic', false], ['to', 'same'], ['from', 'auto']])
      await setValue(id, value);
  }
  async function download() {
    const before = new Set(readdirSync(work));
    await page.click('#download');
    for (let waited = 0; waited < 100; waited += 1) {
      const added = readdirSync(work).filter((name) => !before.has(name) && !name.endsWith('.crdownload') && name !== 'profile');
      if (added.length) {
        const path = join(work, added[0]);
        const bytes = readFileSync(path);
        rmSync(path);
        return bytes;
      }
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    throw new Error('no download');
  }

  it('converts typed text as soon as an option changes, and marks what changed', async () => {
    await page.click('#input');
    await page.keyboard.sendCharacter('ｶﾞｰﾙとＡＢＣ');
    assert.equal(await outputText(), 'ｶﾞｰﾙとＡＢＣ');
    await page.select('#kata', '2byte');
    assert.equal(await outputText(), 'ガールとＡＢＣ');
    assert.deepEqual(await page.$$eval('#output mark', (marks) => marks.map((m) => m.textContent)), ['ガール']);
    await page.select('#mark', '1all');
    assert.deepEqual(await page.$$eval('#output mark', (marks) => marks.map((m) => m.textContent)), ['ガール', 'ABC']);
  });

  it('every value of every control gives what the package gives', async () => {
    await page.$eval('#input', (e, text) => {
      e.value = text;
      e.dispatchEvent(new Event('input', { bubbles: true }));
    }, TEXT);
    await reset();
    for (const [id, name] of Object.entries(CHOICES)) {
      const values = await page.$eval(`#${id}`, (e) => [...e.options].map((o) => o.value));
      for (const value of values) {
        await page.select(`#${id}`, value);
        const options = value === values[0] ? {} : { [name]: value };
        assert.equal(await outputText(), kana.convert(TEXT, options), `${id}=${value}`);
      }
      await page.select(`#${id}`, values[0]);
    }
    for (const [id, name, values] of [['tab', 'tab', ['4', '0', '-1']], ['tab-stops', 'tabStops', ['8', '3']], ['keep', 'keep', ['ｰ゛ア']]]) {
      for (const value of values) {
        await setValue(id, value);
        await page.select('#kata', '2byte');
        const options = { kata: '2byte', [name]: /^-?\d+$/.test(value) ? Number(value) : value };
        assert.equal(await outputText(), kana.convert(TEXT, options), `${id}=${value}`);
      }
      await setValue(id, id === 'keep' ? '' : 'none');
    }
    await setValue('tab-stops', 'x');
    assert.match(await page.$eval('#error', (e) => e.textContent), /tabStops/);
    await reset();
  });

  it('a dropped Shift-JIS file is judged, converted and downloaded in either encoding', async () => {
    const sjis = kana.convert(Buffer.from(TEXT.replace(/[😀〜ゔ¥]/gu, '')), { encoding: 'utf-8', to: 'sjis' });
    await page.evaluate((bytes) => {
      const transfer = new DataTransfer();
      transfer.items.add(new File([new Uint8Array(bytes)], 'memo.txt'));
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, [...sjis]);
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('memo.txt'));
    assert.match(await page.$eval('#status', (e) => e.textContent), /Shift-JIS/);
    await page.select('#kata', '1byte');
    await page.select('#mark', '2all');
    const options = { kata: '1byte', mark: '2all' };
    const expected = kana.convert(sjis, options);
    assert.equal(await outputText(), new TextDecoder().decode(kana.convert(expected, { to: 'utf-8' })));
    assert.deepEqual(await download(), Buffer.from(expected));
    await setValue('to', 'utf-8');
    assert.deepEqual(await download(), Buffer.from(kana.convert(sjis, { ...options, to: 'utf-8' })));
    await setValue('classic', true);
    assert.deepEqual(await download(), Buffer.from(kana.convert(sjis, { ...options, classic: true })));
    await reset();
  });

  it('a file chosen with the file input, and typed text downloaded as Shift-JIS', async () => {
    const path = join(work, 'utf8-input.txt');
    writeFileSync(path, 'ﾃｽﾄ ｶﾞｷﾞ\n');
    await (await page.$('#file')).uploadFile(path);
    await page.waitForFunction(() => document.getElementById('status').textContent.includes('utf8-input.txt'));
    assert.match(await page.$eval('#status', (e) => e.textContent), /UTF-8/);
    await page.select('#kata', '2byte');
    assert.equal(await outputText(), 'テスト ガギ\n');
    await page.$eval('#input', (e) => {
      e.value = 'ｱｲｳ 😀';
      e.dispatchEvent(new Event('input', { bubbles: true }));
    });
    await setValue('to', 'sjis');
    assert.match(await page.$eval('#error', (e) => e.textContent), /line 1, column 5/);
    await page.$eval('#input', (e) => {
      e.value = 'ｱｲｳ';
      e.dispatchEvent(new Event('input', { bubbles: true }));
    });
    assert.deepEqual(await download(), Buffer.from([0x83, 0x41, 0x83, 0x43, 0x83, 0x45]));
    await reset();
  });

  it('has a control for every option of conversion and text that kanaconv --help lists', { skip: !existsSync(kanaconvPath) && 'no native kanaconv' }, async () => {
    const help = spawnSync(kanaconvPath, ['--help']).stdout.toString();
    const section = help.slice(help.indexOf('Conversion'), help.indexOf('Files:'));
    const names = [...section.matchAll(/^ {2}--([a-z-]+)/gm)].map((m) => m[1]);
    assert.ok(names.length >= 15, `kanaconv --help lists ${names}`);
    for (const name of names) assert.ok(await page.$(`#${name}`), `no control #${name}`);
  });

  it('asks for nothing outside its own folder', () => {
    const folder = pathToFileURL(join(pagePath, '..')).href;
    const outside = asked.filter((url) => !url.startsWith(folder) && !/^(data|blob):/.test(url));
    assert.deepEqual(outside, []);
    assert.ok(asked.some((url) => url.endsWith('kana.js')));
  });
});
