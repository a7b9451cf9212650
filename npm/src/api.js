// kana.h's text calls for JavaScript, over the WebAssembly module built from the same
// sources as libkana.so. The npm package (index.js) and the web page share this file; the
// page's build wraps it into a classic script, so it imports nothing and says `export`
// only at the start of a line.

// The options by their JavaScript names, with the kind of value each takes. Their values
// are kana_options_set's to check: the C layer holds the one table of them.
const OPTIONS = {
  kata: 'string',
  toHira: 'string',
  hira: 'string',
  mark: 'string',
  letters: 'string',
  digits: 'string',
  symbols: 'string',
  space: 'string',
  convSize: 'string',
  tab: 'count',
  tabStops: 'count',
  keep: 'string',
  newline: 'string',
  encoding: 'string',
  to: 'string',
  classic: 'boolean',
};
// Options about bytes: a string is read and written as UTF-8 under its own rules.
const BYTES_ONLY = ['encoding', 'to', 'classic'];
// What kanaconv refuses beside --classic.
const NOT_CLASSIC = ['letters', 'digits', 'symbols', 'keep', 'tabStops', 'newline', 'to'];

// kana.h's result codes and encodings.
const KANA_OK = 0;
const KANA_E_OPTION = 1;
const KANA_E_BUFFER = 2;
const KANA_E_UNWRITABLE = 3;
const KANA_E_CLASSIC = 4;
const KANA_E_MEMORY = 5;
const JUDGED = ['ascii', 'sjis', 'utf-8'];

// How many converters convert() keeps for the option sets it was last given.
const CACHED_CONVERTERS = 32;

// A conversion that failed on the text: a character the output's encoding cannot hold
// (code 'unwritable', with its line, column and bytes), classic rules on UTF-8 text
// ('classic'), or a fault of the module ('internal').
export class KanaError extends Error {
  constructor(message, details) {
    super(message);
    this.name = 'KanaError';
    Object.assign(this, details);
  }
}

function describe(value) {
  if (value === null) return 'null';
  if (typeof value === 'string') return `'${value}'`;
  if (typeof value === 'object') return Array.isArray(value) ? 'an array' : 'an object';
  return `${typeof value} ${String(value)}`;
}

function isBytes(value) {
  return ArrayBuffer.isView(value) && Object.prototype.toString.call(value) === '[object Uint8Array]';
}

// A string that UTF-8 can hold: no lone surrogate.
const wellFormed = String.prototype.isWellFormed
  ? (text) => text.isWellFormed()
  : (text) => !/\p{Surrogate}/u.test(text);

const ORDER = Object.fromEntries(Object.keys(OPTIONS).map((name, i) => [name, i]));

// The options an object gives, checked for their names and types, as [name, value as
// kana_options_set reads it] in the order of OPTIONS. Options left undefined are not given.
function settingsOf(options) {
  if (options === undefined) return [];
  if (options === null || typeof options !== 'object' || Array.isArray(options))
    throw new TypeError(`kana: the options must be an object, not ${describe(options)}`);
  const settings = [];
  let classic = false;
  for (const name of Object.keys(options)) {
    const value = options[name];
    if (value === undefined) continue;
    const kind = Object.prototype.hasOwnProperty.call(OPTIONS, name) ? OPTIONS[name] : undefined;
    if (!kind) throw new RangeError(`kana: unknown option '${name}' (known: ${Object.keys(OPTIONS).join(', ')})`);
    if (kind === 'boolean') {
      if (typeof value !== 'boolean')
        throw new TypeError(`kana: option ${name} takes true or false, not ${describe(value)}`);
      classic = value;
    } else if (kind === 'count' && typeof value === 'number') {
      if (!Number.isInteger(value)) throw new RangeError(`kana: option ${name} takes a whole number, not ${value}`);
    } else if (typeof value !== 'string') {
      const wanted = kind === 'count' ? "a number or 'none'" : 'a string';
      throw new TypeError(`kana: option ${name} takes ${wanted}, not ${describe(value)}`);
    }
    if (name === 'keep' && !wellFormed(value))
      throw new RangeError('kana: option keep holds a lone surrogate, which is no character');
    settings.push([name, String(value)]);
  }
  if (settings.length > 1) settings.sort((a, b) => ORDER[a[0]] - ORDER[b[0]]);
  if (classic)
    for (const [name] of settings)
      if (NOT_CLASSIC.includes(name)) throw new RangeError(`kana: option classic cannot be used with ${name}`);
  return settings;
}

// kana_options_set's spelling of an option (to-hira) as JavaScript spells it (toHira).
function jsName(name) {
  return name.replace(/-([a-z])/g, (_, letter) => letter.toUpperCase());
}

// Node's Buffer, where there is one.
const NodeBuffer = typeof globalThis.Buffer === 'function' ? globalThis.Buffer : undefined;

function hex(bytes) {
  return Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, '0')).join(' ');
}

// The conversions over an instantiated module's exports; implementation names the module.
function bind(x, implementation) {
  const memory = x.memory;
  let view = new Uint8Array(memory.buffer);
  // Growing the memory replaces its buffer: views are taken again after every call.
  const heap = () => (view.buffer === memory.buffer ? view : (view = new Uint8Array(memory.buffer)));
  const data = () => new DataView(memory.buffer);
  const encoder = new TextEncoder();
  const decoder = new TextDecoder('utf-8', { ignoreBOM: true });

  function allocate(size) {
    const at = x.malloc(Math.max(size, 1));
    if (!at) throw new RangeError('kana: out of memory');
    return at;
  }
  function cString(text) {
    const bytes = encoder.encode(text);
    const at = allocate(bytes.length + 1);
    heap().set(bytes, at);
    heap()[at + bytes.length] = 0;
    return at;
  }
  function readCString(at) {
    const h = heap();
    let end = at;
    while (h[end]) end += 1;
    return decoder.decode(h.subarray(at, end));
  }

  const counted = allocate(4);
  const table = x.kana_wasm_layout(counted);
  const layout = Array.from({ length: data().getUint32(counted, true) }, (_, i) =>
    data().getUint32(table + 4 * i, true),
  );
  x.free(counted);
  const [optionsSize, tabStopsAt, errorSize, codeAt, lineAt, columnAt, bytesAt, sizeAt, optionAt,
    judgmentSize, encodingAt] = layout;
  const error = allocate(errorSize);
  const outLen = allocate(4);
  const judgment = allocate(judgmentSize);
  const noKeep = cString('');

  // A block of the module's memory for each call's input or output, grown as needed.
  function scratch() {
    let at = 0;
    let size = 0;
    return (needed) => {
      if (needed > size) {
        if (at) x.free(at);
        at = 0;
        size = Math.max(needed, Math.min(2 * size, needed + (1 << 26)), 1 << 16);
        at = allocate(size);
      }
      return at;
    };
  }
  const input = scratch();
  const output = scratch();
  const utf16 = scratch();
  const utf16Decoder = new TextDecoder('utf-16le', { ignoreBOM: true });

  function errorText(code) {
    return readCString(x.kana_error_text(code));
  }

  // A kana_converter for settings: the C pointer, and the options it was made from (for
  // the bound of its output), keep's text no longer pointed at.
  function makeConverter(settings) {
    const options = allocate(optionsSize);
    heap().fill(0, options, options + optionsSize);
    const strings = [];
    try {
      for (const [name, value] of settings) {
        strings.push(cString(name), cString(value));
        if (x.kana_options_set(options, strings.at(-2), strings.at(-1)) !== KANA_OK)
          throw new RangeError(`kana: invalid value '${value}' for option ${name}`);
      }
      const given = new Set(settings.map(([name]) => name));
      if (given.has('tab') && data().getInt32(options + tabStopsAt, true) > 0)
        throw new RangeError('kana: options tab and tabStops cannot be used together');
      const converter = x.kana_converter_new(options, error);
      if (!converter) {
        const code = data().getInt32(error + codeAt, true);
        if (code === KANA_E_OPTION) {
          const name = jsName(readCString(error + optionAt)).replace(/^from$/, 'encoding');
          const value = settings.find(([given]) => given === name)?.[1];
          throw new RangeError(`kana: invalid value${value === undefined ? '' : ` '${value}'`} for option ${name}`);
        }
        if (code === KANA_E_CLASSIC)
          throw new RangeError("kana: option classic reads Shift-JIS only: the encoding cannot be UTF-8");
        throw failure(code);
      }
      const keep = cString('keep');
      strings.push(keep);
      x.kana_options_set(options, keep, noKeep);
      return { converter, options };
    } catch (e) {
      x.free(options);
      throw e;
    } finally {
      for (const at of strings) x.free(at);
    }
  }

  function failure(code) {
    if (code === KANA_E_MEMORY) return new RangeError('kana: out of memory');
    if (code === KANA_E_UNWRITABLE) {
      const line = Number(data().getBigUint64(error + lineAt, true));
      const column = Number(data().getBigUint64(error + columnAt, true));
      const bytes = heap().slice(error + bytesAt, error + bytesAt + heap()[error + sizeAt]);
      return new KanaError(`kana: ${errorText(code)}: ${hex(bytes)} at line ${line}, column ${column}`, {
        code: 'unwritable',
        line,
        column,
        bytes,
      });
    }
    if (code === KANA_E_CLASSIC) return new KanaError(`kana: ${errorText(code)}`, { code: 'classic' });
    return new KanaError(`kana: ${errorText(code)}`, { code: 'internal' });
  }

  // Converts size bytes at `at`; returns where the result is and its size.
  function run({ converter, options }, at, size) {
    let capacity = Math.min(x.kana_wasm_bound(options, size), 3 * size + 64);
    for (let tries = 0; tries < 2; tries += 1) {
      const out = output(capacity);
      const code = x.kana_converter_convert(converter, at, size, out, capacity, outLen, error);
      if (code === KANA_OK) return [out, data().getUint32(outLen, true)];
      if (code !== KANA_E_BUFFER) throw failure(code);
      capacity = data().getUint32(outLen, true);
    }
    throw failure(-1);
  }

  function convertBytes(converter, bytes) {
    const at = input(bytes.length);
    heap().set(bytes, at);
    const [out, size] = run(converter, at, bytes.length);
    return heap().slice(out, out + size);
  }

  // Strings go in and out as UTF-16, transcoded inside the module: Node's Buffer copies
  // UTF-16 at the speed of memory, and elsewhere a loop or a UTF-16 decoder does better
  // than decoding UTF-8. A lone surrogate keeps its place: the module carries it through.
  function convertText(converter, text) {
    if (text.length === 0) return '';
    const units = text.length;
    let at = utf16(2 * units);
    if (NodeBuffer) {
      NodeBuffer.from(memory.buffer, at, 2 * units).write(text, 'utf16le');
    } else {
      const view16 = new Uint16Array(memory.buffer, at, units);
      for (let i = 0; i < units; i += 1) view16[i] = text.charCodeAt(i);
    }
    const in8 = input(3 * units);
    const size = x.kana_wasm_utf16_to_utf8(at, units, in8);
    const [out, outSize] = run(converter, in8, size);
    at = utf16(2 * outSize);
    const count = x.kana_wasm_utf8_to_utf16(out, outSize, at);
    if (NodeBuffer) return NodeBuffer.from(memory.buffer, at, 2 * count).toString('utf16le');
    const result = new Uint16Array(memory.buffer, at, count);
    // The decoder would take a lone surrogate for U+FFFD.
    if (wellFormed(text)) return utf16Decoder.decode(result);
    let joined = '';
    for (let i = 0; i < count; i += 8192) joined += String.fromCharCode(...result.subarray(i, i + 8192));
    return joined;
  }

  const release = new FinalizationRegistry(({ converters }) => {
    for (const c of converters) {
      x.kana_converter_free(c.converter);
      x.free(c.options);
    }
  });

  // Settings convert() has checked already, which no caller can hand a converter.
  const CHECKED = Symbol('checked settings');

  // A converter made once from options and used for many texts: strings (under the UTF-8
  // rules) and Uint8Arrays (Shift-JIS unless the options say otherwise).
  class Converter {
    #text;
    #bytes;
    #bytesOnly;
    #held;

    constructor(options) {
      const settings = options?.[CHECKED] ?? settingsOf(options);
      this.#bytesOnly = settings.find(([name]) => BYTES_ONLY.includes(name))?.[0];
      const made = [];
      try {
        const encoding = settings.some(([name]) => name === 'encoding') ? [] : [['encoding', 'sjis']];
        this.#bytes = makeConverter([...settings, ...encoding]);
        made.push(this.#bytes);
        if (!this.#bytesOnly) {
          this.#text = makeConverter([...settings, ['encoding', 'utf-8'], ['to', 'utf-8']]);
          made.push(this.#text);
        }
      } catch (e) {
        for (const c of made) {
          x.kana_converter_free(c.converter);
          x.free(c.options);
        }
        throw e;
      }
      this.#held = { converters: made };
      release.register(this, this.#held, this);
    }

    // The text converted: a string for a string, a Uint8Array for a Uint8Array.
    convert(text) {
      if (!this.#held) throw new TypeError('kana: this converter was freed');
      if (typeof text === 'string') {
        if (this.#bytesOnly)
          throw new RangeError(`kana: option ${this.#bytesOnly} applies to Uint8Array input only`);
        return convertText(this.#text, text);
      }
      if (isBytes(text)) return convertBytes(this.#bytes, text);
      throw new TypeError(`kana: convert takes a string or a Uint8Array, not ${describe(text)}`);
    }

    // Gives the converter's memory back now rather than when it is collected.
    free() {
      if (!this.#held) return;
      release.unregister(this);
      for (const c of this.#held.converters) {
        x.kana_converter_free(c.converter);
        x.free(c.options);
      }
      this.#held = undefined;
    }
  }

  // The converters of the option sets convert() was given last, the most recent last.
  const cache = new Map();
  function cachedConverter(options) {
    const settings = settingsOf(options);
    const key = settings.length === 0 ? '' : JSON.stringify(settings);
    let converter = cache.get(key);
    if (converter) {
      cache.delete(key);
    } else {
      converter = new Converter({ [CHECKED]: settings });
      if (cache.size >= CACHED_CONVERTERS) {
        const [oldest, old] = cache.entries().next().value;
        cache.delete(oldest);
        old.free();
      }
    }
    cache.set(key, converter);
    return converter;
  }

  function convert(text, options) {
    if (typeof text !== 'string' && !isBytes(text))
      throw new TypeError(`kana: convert takes a string or a Uint8Array, not ${describe(text)}`);
    return cachedConverter(options).convert(text);
  }

  // The keywords of a helper, checked: each of `flags` true unless given false, and
  // `ignore` (the characters kept) a string.
  function helperOptions(helper, given, flags) {
    if (given === undefined) given = {};
    if (given === null || typeof given !== 'object' || Array.isArray(given))
      throw new TypeError(`kana: ${helper} takes an object of options, not ${describe(given)}`);
    const known = [...flags, 'ignore'];
    const result = { ignore: '' };
    for (const name of flags) result[name] = true;
    for (const [name, value] of Object.entries(given)) {
      if (value === undefined) continue;
      if (!known.includes(name))
        throw new RangeError(`kana: unknown option '${name}' of ${helper} (known: ${known.join(', ')})`);
      const wanted = name === 'ignore' ? 'string' : 'boolean';
      if (typeof value !== wanted)
        throw new TypeError(`kana: option ${name} of ${helper} takes a ${wanted}, not ${describe(value)}`);
      result[name] = value;
    }
    return result;
  }

  // Letters, symbols and the space (ascii), the digits (digit), katakana and the kana
  // punctuation (kana) to one width, the characters of ignore kept.
  function widths(helper, width, text, given) {
    const { ascii, digit, kana, ignore } = helperOptions(helper, given, ['ascii', 'digit', 'kana']);
    const options = {
      letters: ascii ? width : 'none',
      symbols: ascii ? width : 'none',
      space: ascii ? width : 'none',
      digits: digit ? width : 'none',
      kata: kana ? width : 'none',
    };
    if (ignore) options.keep = ignore;
    return convert(text, options);
  }

  return {
    convert,
    Converter,
    // Full width to half width.
    z2h: (text, options) => widths('z2h', '1byte', text, options),
    // Half width to full width, voicing marks merged.
    h2z: (text, options) => widths('h2z', '2byte', text, options),
    // Hiragana to full-width katakana.
    hira2kata(text, options) {
      const { ignore } = helperOptions('hira2kata', options, []);
      return convert(text, ignore ? { hira: '2kata', keep: ignore } : { hira: '2kata' });
    },
    // Full-width katakana to hiragana.
    kata2hira(text, options) {
      const { ignore } = helperOptions('kata2hira', options, []);
      const moves = { kata: 'hira', toHira: '2only' };
      return convert(text, ignore ? { ...moves, keep: ignore } : moves);
    },
    // The encoding of a text as kanaconv judges it: 'utf-8', 'sjis', or 'ascii' when it
    // holds nothing else.
    judge(bytes) {
      if (!isBytes(bytes)) throw new TypeError(`kana: judge takes a Uint8Array, not ${describe(bytes)}`);
      const at = input(bytes.length);
      heap().set(bytes, at);
      const code = x.kana_judge(at, bytes.length, judgment);
      if (code !== KANA_OK) throw failure(code);
      return JUDGED[heap()[judgment + encodingAt]];
    },
    KanaError,
    implementation,
  };
}

// Instantiates the module that this host runs best and binds the conversions to it.
// moduleBytes(name) gives the bytes of the 'simd' or the 'scalar' module; the SIMD one is
// taken unless the host cannot compile it, or unless `force` names one.
export async function load(moduleBytes, force) {
  let implementation = force || 'simd';
  let bytes = await moduleBytes(implementation);
  if (!force && !WebAssembly.validate(bytes)) {
    implementation = 'scalar';
    bytes = await moduleBytes(implementation);
  }
  const { instance } = await WebAssembly.instantiate(bytes, {
    wasi_snapshot_preview1: {
      proc_exit(code) {
        throw new Error(`kana: the WebAssembly module stopped (exit code ${code})`);
      },
    },
    env: { emscripten_notify_memory_growth() {} },
  });
  instance.exports._initialize();
  return bind(instance.exports, implementation);
}
