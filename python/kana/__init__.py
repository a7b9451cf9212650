"""Japanese text conversion: half-width and full-width characters, hiragana and
katakana, big and small letters, tabs into spaces.

    >>> import kana
    >>> kana.convert("ｶﾞｰﾙ ＡＢＣ", kata="2byte", mark="1all")
    'ガール ABC'
    >>> kana.z2h("ＡＢＣ　１２３　アイウ")
    'ABC 123 ｱｲｳ'
    >>> conv = kana.Converter(kata="hira")
    >>> conv.convert_many(["カタカナ", "ｶﾀｶﾅ"])
    ['かたかな', 'かたかな']

A str is converted as text (the rules kanaconv follows for UTF-8); bytes are
converted as Shift-JIS unless ``encoding`` says otherwise, and come back as bytes.
The options and their values are kanaconv's (see kanaconv(1)); every option's
default converts nothing.

The same conversion as the library and kanaconv: one engine underneath, compiled
into the module. Converters are thread-safe, and long texts convert with the GIL
released.
"""

from __future__ import annotations

from typing import Any, Dict, Tuple, Union

from ._errors import UnwritableError
from ._kana import Converter, __version__, convert

__all__ = [
    "Converter",
    "UnwritableError",
    "convert",
    "h2z",
    "hira2kata",
    "kata2hira",
    "z2h",
]

Text = Union[str, bytes]

# Converters made for the helpers below and kana.dask, by their options; a few sets of
# options are what a program uses, so the caches are small and simply start over when
# full. (kana.convert keeps its own, in the extension.)
_CACHE_LIMIT = 64
_converters: Dict[Tuple[Any, ...], Converter] = {}
_width_converters: Dict[Tuple[Any, ...], Converter] = {}


def _kept(cache: Dict[Tuple[Any, ...], Converter], key: Tuple[Any, ...],
          made: Converter) -> Converter:
    if len(cache) >= _CACHE_LIMIT:
        cache.clear()
    cache[key] = made
    return made


def _converter(options: Dict[str, Any]) -> Converter:
    key = tuple(options.items())
    try:
        return _converters[key]
    except KeyError:
        pass
    except TypeError:  # a value that cannot be a key: the converter says what is wrong
        return Converter(**options)
    # 1 == True == 1.0 as keys, but only one of them is a valid value: options that are
    # not all str or None are kept under their types too.
    if not all(value is None or isinstance(value, str) for value in options.values()):
        key += tuple(map(type, options.values()))
        if key in _converters:
            return _converters[key]
    return _kept(_converters, key, Converter(**options))


def _ignored(ignore: str) -> str:
    if not isinstance(ignore, str):
        raise TypeError(f"ignore must be a str, not {type(ignore).__name__}")
    return ignore


def _width_converter(width: str, ascii: bool, digit: bool, kana: bool, ignore: str) -> Converter:
    key = (width, bool(ascii), bool(digit), bool(kana), ignore)
    try:
        return _width_converters[key]
    except (KeyError, TypeError):
        pass
    alike = width if ascii else "none"
    return _kept(_width_converters, key, _converter({
        "letters": alike,
        "symbols": alike,
        "space": alike,
        "digits": width if digit else "none",
        "kata": width if kana else "none",
        "keep": _ignored(ignore),
    }))


def z2h(text: Text, ascii: bool = True, digit: bool = True, kana: bool = True,
        ignore: str = "") -> Text:
    """Full width to half width.

    ascii: letters, symbols and the ideographic space to ASCII (ＡＢＣ！　→ ABC! ).
    digit: the digits ０-９ to 0-9.
    kana: katakana and the kana punctuation (ー 。 「 」 、 ・ ゛ ゜) to half-width
        katakana (ガ → ｶﾞ); hiragana stay, and so do ヵ ヶ, which have no half-width form.
    ignore: characters left as they are.

    As mojimoji's zen_to_han, every class is on by default; jaconv's z2h leaves ascii
    and digit off unless asked. A str gives a str, Shift-JIS bytes give bytes.
    """
    return _width_converter("1byte", ascii, digit, kana, ignore).convert(text)


def h2z(text: Text, ascii: bool = True, digit: bool = True, kana: bool = True,
        ignore: str = "") -> Text:
    """Half width to full width: the reverse of z2h, with the same keywords.

    kana merges a voicing mark into the letter before it when that letter has the
    voiced form (ｶﾞ → ガ; ｶﾟ → カ゜).
    """
    return _width_converter("2byte", ascii, digit, kana, ignore).convert(text)


def hira2kata(text: Text, ignore: str = "") -> Text:
    """Hiragana to full-width katakana (ひらがな → ヒラガナ), with the iteration
    marks ゝ ゞ → ヽ ヾ and, in a str, ゔ ゕ ゖ → ヴ ヵ ヶ. Half-width katakana stay."""
    return _converter({"hira": "2kata", "keep": _ignored(ignore)}).convert(text)


def kata2hira(text: Text, ignore: str = "") -> Text:
    """Full-width katakana to hiragana (カタカナ → かたかな), with the iteration marks
    ヽ ヾ → ゝ ゞ and, in a str, ヴ ヵ ヶ → ゔ ゕ ゖ. Half-width katakana stay, as
    jaconv's kata2hira leaves them; kana.convert(text, kata='hira') converts both
    widths. Katakana without a hiragana (ヷ ヸ ヹ ヺ) stay."""
    return _converter({"kata": "hira", "to_hira": "2only", "keep": _ignored(ignore)}).convert(text)
