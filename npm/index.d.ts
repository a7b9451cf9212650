// Japanese text conversion: half-width and full-width characters, hiragana and katakana,
// letter size and tabs, for UTF-8 strings and for Shift-JIS or UTF-8 bytes. The options
// are kanaconv's, in camelCase.

/** Katakana: to half width, half-width katakana to full width (marks merged), or to hiragana. */
export type Kata = 'none' | '1byte' | '2byte' | 'hira';
/** With kata 'hira': katakana of both widths, half-width only, or full-width only. */
export type ToHira = 'all' | '1only' | '2only';
/** Hiragana to half-width or full-width katakana. */
export type Hira = 'none' | '1kata' | '2kata';
/** Letters, digits and symbols: full width to ASCII, or ASCII to full width. */
export type Mark = 'none' | '1all' | '2all';
/** One class of what mark converts, on its own; 'mark' leaves the class to mark. */
export type ClassWidth = 'mark' | 'none' | '1byte' | '2byte';
/** The full-width space to ' ', or ' ' to the full-width space. */
export type Space = 'none' | '1byte' | '2byte';
/** Small or big letters and kana, after every other conversion. */
export type ConvSize = 'none' | 'small' | 'big';
/** Keep every line end; the library's rules (CR or CR LF end a line, 0x1A the text, CR LF written); or LF. */
export type Newline = 'keep' | 'crlf' | 'lf';
/** An encoding by any of its names; 'auto' reads the text as kanaconv judges it. */
export type Encoding =
  | 'sjis'
  | 'shift_jis'
  | 'shift-jis'
  | 'cp932'
  | 'windows-31j'
  | 'ms932'
  | 'utf-8'
  | 'utf8'
  | 'auto';

/** The options of a conversion; each left out converts nothing. */
export interface Options {
  kata?: Kata;
  toHira?: ToHira;
  hira?: Hira;
  mark?: Mark;
  letters?: ClassWidth;
  digits?: ClassWidth;
  symbols?: ClassWidth;
  space?: Space;
  convSize?: ConvSize;
  /** Each tab becomes this many spaces (none when 0 or less); not with tabStops. */
  tab?: number | 'none';
  /** Each tab becomes the spaces to the next multiple of this many columns, after the rest. */
  tabStops?: number | 'none';
  /** Characters that no option converts. */
  keep?: string;
  newline?: Newline;
}

/** The options of a conversion of bytes. */
export interface ByteOptions extends Options {
  /** How the bytes are read: Shift-JIS unless given. */
  encoding?: Encoding;
  /** How the result is written: as read unless given. */
  to?: Encoding | 'same';
  /** Exactly what the library's KanaConvert writes: Shift-JIS, its line rules and mappings. */
  classic?: boolean;
}

/** The helpers' choices: each class is converted unless set to false. */
export interface WidthOptions {
  /** Latin letters, symbols and the space. */
  ascii?: boolean;
  /** The digits 0-9. */
  digit?: boolean;
  /** Katakana and the kana punctuation. */
  kana?: boolean;
  /** Characters left as they are. */
  ignore?: string;
}

export interface IgnoreOptions {
  /** Characters left as they are. */
  ignore?: string;
}

/**
 * Converts a string under the UTF-8 rules, or bytes (Shift-JIS unless `encoding` says
 * otherwise) into bytes. Throws a TypeError for an option of the wrong type, a RangeError
 * for an unknown option or value, and a KanaError when the text cannot be converted.
 */
export function convert(text: string, options?: Options): string;
export function convert(bytes: Uint8Array, options?: ByteOptions): Uint8Array;

/** A converter made once from options and used for many texts. */
export class Converter {
  constructor(options?: ByteOptions);
  convert(text: string): string;
  convert(bytes: Uint8Array): Uint8Array;
  /** Gives back the converter's memory now rather than when it is collected. */
  free(): void;
}

/** Full width to half width: letters, symbols and the space; digits; katakana. */
export function z2h(text: string, options?: WidthOptions): string;
export function z2h(bytes: Uint8Array, options?: WidthOptions): Uint8Array;
/** Half width to full width: letters, symbols and the space; digits; katakana, marks merged. */
export function h2z(text: string, options?: WidthOptions): string;
export function h2z(bytes: Uint8Array, options?: WidthOptions): Uint8Array;
/** Hiragana to full-width katakana. */
export function hira2kata(text: string, options?: IgnoreOptions): string;
export function hira2kata(bytes: Uint8Array, options?: IgnoreOptions): Uint8Array;
/** Full-width katakana to hiragana. */
export function kata2hira(text: string, options?: IgnoreOptions): string;
export function kata2hira(bytes: Uint8Array, options?: IgnoreOptions): Uint8Array;

/** The encoding of bytes as kanaconv judges it; 'ascii' when they hold nothing else. */
export function judge(bytes: Uint8Array): 'utf-8' | 'sjis' | 'ascii';

/** A conversion that failed on the text. */
export class KanaError extends Error {
  /** 'unwritable': a character the output's encoding cannot hold; 'classic': classic rules on UTF-8 text. */
  readonly code: 'unwritable' | 'classic' | 'internal';
  /** Where the character is, from 1 (code 'unwritable'). */
  readonly line?: number;
  readonly column?: number;
  /** The character's bytes as read (code 'unwritable'). */
  readonly bytes?: Uint8Array;
}

/** The module in use: 'simd' (WebAssembly SIMD) or 'scalar'. */
export const implementation: 'simd' | 'scalar';
