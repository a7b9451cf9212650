// The page: text typed, pasted or dropped is converted as kanaconv converts it, with the
// options of its controls, every time one of them changes. Everything stays in the page.
'use strict';

/* global kanaReady */
kanaReady.then((kana) => {
  const $ = (id) => document.getElementById(id);
  const input = $('input');
  const output = $('output');
  const status = $('status');
  const error = $('error');
  // Controls named as kanaconv names its options, and the option each one sets.
  const CHOICES = { kata: 'kata', 'to-hira': 'toHira', hira: 'hira', mark: 'mark', letters: 'letters',
    digits: 'digits', symbols: 'symbols', space: 'space', 'conv-size': 'convSize', newline: 'newline' };
  const NUMBERS = { tab: 'tab', 'tab-stops': 'tabStops' };
  const utf8 = new TextEncoder();
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true });

  // What is converted: the text of the text area, or the bytes of a file until the text
  // area is edited.
  let file;
  let result = { bytes: new Uint8Array(0), encoding: 'utf-8' };

  function options() {
    const chosen = {};
    for (const [id, name] of Object.entries(CHOICES)) {
      const control = $(id);
      if (control.selectedIndex > 0) chosen[name] = control.value;
    }
    for (const [id, name] of Object.entries(NUMBERS)) {
      const value = $(id).value.trim();
      if (value && value !== 'none') chosen[name] = /^-?\d+$/.test(value) ? Number(value) : value;
    }
    if ($('keep').value) chosen.keep = $('keep').value;
    if ($('classic').checked) chosen.classic = true;
    return chosen;
  }

  // Text for the screen, from bytes in an encoding.
  function shown(bytes, encoding) {
    if (encoding === 'utf-8') return decoder.decode(bytes);
    try {
      return decoder.decode(kana.convert(bytes, { encoding: 'sjis', to: 'utf-8' }));
    } catch {
      return new TextDecoder('shift_jis').decode(bytes); // bytes that are no Shift-JIS, shown as best the browser can
    }
  }

  // The output's characters in runs, those that the conversion changed apart. The two
  // texts are walked side by side; after a difference, the next place where a character of
  // each agrees again, within a window, ends the change: the one whose two sides are
  // nearest in length, then the nearest. Without one, the window's width is a change.
  function runs(before, after, window) {
    const a = Array.from(before);
    const b = Array.from(after);
    const parts = [];
    const put = (text, changed) => {
      const last = parts[parts.length - 1];
      if (last && last.changed === changed) last.text += text;
      else parts.push({ text, changed });
    };
    let i = 0;
    let j = 0;
    while (j < b.length) {
      if (i < a.length && a[i] === b[j]) {
        put(b[j], false);
        i += 1;
        j += 1;
        continue;
      }
      let step;
      if (i + 1 < a.length && j + 1 < b.length && a[i + 1] === b[j + 1]) {
        step = [1, 1]; // one character for one
      } else {
        let best = Infinity;
        for (let di = 0; di <= window && i + di <= a.length; di += 1)
          for (let dj = 0; dj <= window && j + dj <= b.length; dj += 1) {
            const ends = i + di === a.length && j + dj === b.length;
            if ((di || dj) && (ends || (i + di < a.length && j + dj < b.length && a[i + di] === b[j + dj]))) {
              const score = Math.abs(di - dj) * 4 * window + di + dj;
              if (score < best) [best, step] = [score, [di, dj]];
            }
          }
        if (!step) step = [Math.min(window, a.length - i), Math.min(window, b.length - j)];
      }
      put(b.slice(j, j + step[1]).join(''), true);
      i += step[0];
      j += step[1];
    }
    return parts;
  }

  function show(before, after, chosen) {
    const widest = Math.max(Math.abs(Number(chosen.tab) || 0), Number(chosen.tabStops) || 0);
    const fragment = document.createDocumentFragment();
    for (const part of runs(before, after, Math.min(24 + widest, 256))) {
      if (part.changed) {
        const mark = document.createElement('mark');
        mark.textContent = part.text;
        fragment.append(mark);
      } else {
        fragment.append(part.text);
      }
    }
    output.replaceChildren(fragment);
  }

  function update() {
    error.textContent = '';
    const chosen = options();
    try {
      let bytes;
      let encoding;
      if (file) {
        bytes = file.bytes;
        encoding = $('from').value;
        if (encoding === 'auto') encoding = file.judged === 'sjis' ? 'sjis' : 'utf-8';
      } else {
        bytes = utf8.encode(input.value);
        encoding = 'utf-8';
      }
      const before = file ? shown(bytes, encoding) : input.value;
      // The classic rules read Shift-JIS: UTF-8 text is written as Shift-JIS first.
      if (chosen.classic && encoding === 'utf-8') {
        bytes = kana.convert(bytes, { encoding: 'utf-8', to: 'sjis' });
        encoding = 'sjis';
      }
      const to = chosen.classic ? 'sjis' : $('to').value === 'same' ? encoding : $('to').value;
      const converted = kana.convert(bytes, chosen.classic ? { ...chosen } : { ...chosen, encoding, to });
      result = { bytes: converted, encoding: to };
      show(before, shown(converted, to), chosen);
    } catch (e) {
      result = undefined;
      output.replaceChildren();
      error.textContent = e.message.replace(/^kana: /, '');
    }
  }

  async function open(picked) {
    const bytes = new Uint8Array(await picked.arrayBuffer());
    const judged = kana.judge(bytes);
    file = { name: picked.name, bytes, judged };
    input.value = shown(bytes, judged === 'sjis' ? 'sjis' : 'utf-8');
    const how = { sjis: 'Shift-JIS', 'utf-8': 'UTF-8', ascii: 'ASCII only' }[judged];
    status.textContent = `${picked.name}: ${bytes.length} bytes, read as ${how}`;
    update();
  }

  input.addEventListener('input', () => {
    if (file) status.textContent = '';
    file = undefined;
    update();
  });
  for (const control of document.querySelectorAll('#options select, #options input')) {
    control.addEventListener('input', update);
    control.addEventListener('change', update);
  }
  $('file').addEventListener('change', () => {
    if ($('file').files.length) open($('file').files[0]);
  });
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    if (event.dataTransfer.files.length) open(event.dataTransfer.files[0]);
  });

  $('copy').addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(output.textContent);
    } catch {
      const range = document.createRange();
      range.selectNodeContents(output);
      getSelection().removeAllRanges();
      getSelection().addRange(range);
      document.execCommand('copy');
    }
  });
  $('download').addEventListener('click', () => {
    if (!result) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([result.bytes], { type: 'application/octet-stream' }));
    const name = file ? file.name.replace(/(\.[^.]*)?$/, '-converted$1') : 'converted.txt';
    link.download = name;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  });

  update();
  document.body.dataset.ready = kana.implementation;
}, (e) => {
  document.getElementById('error').textContent = `The converter did not load: ${e.message}`;
});
