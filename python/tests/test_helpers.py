"""z2h, h2z, hira2kata and kata2hira: each is kanaconv under the options its keywords
stand for, and each agrees with Unicode's own width and kana pairs (unicodedata) on every
character it should touch."""

from __future__ import annotations

import itertools
import unicodedata

import pytest

import kana
from support import kanaconv, sample

FULL_ASCII = [chr(c) for c in range(0xFF01, 0xFF5F)]  # ！ .. ～
KATAKANA = [chr(c) for c in range(0x30A1, 0x30F7)]  # ァ .. ヶ
HIRAGANA = [chr(c) for c in range(0x3041, 0x3097)]  # ぁ .. ゖ
HALF_KANA = [chr(c) for c in range(0xFF61, 0xFFA0)]  # ｡ .. ﾟ


def width_options(width, ascii=True, digit=True, kana_=True, ignore=""):
    alike = width if ascii else "none"
    return {"letters": alike, "symbols": alike, "space": alike,
            "digits": width if digit else "none", "kata": width if kana_ else "none",
            "keep": ignore}


@pytest.mark.parametrize("ascii, digit, kana_", list(itertools.product([True, False], repeat=3)))
def test_width_helpers_are_kanaconv_with_the_classes_they_name(ascii, digit, kana_):
    for encoding in ("utf-8", "sjis"):
        text = sample(encoding)
        as_text = text.decode("utf-8") if encoding == "utf-8" else text
        for width, helper in (("1byte", kana.z2h), ("2byte", kana.h2z)):
            reference = kanaconv(text, {"encoding": encoding,
                                        **width_options(width, ascii, digit, kana_, "ー０")})
            result = helper(as_text, ascii=ascii, digit=digit, kana=kana_, ignore="ー０")
            assert (result.encode() if isinstance(result, str) else result) == reference


@pytest.mark.parametrize("helper, options", [
    (kana.hira2kata, {"hira": "2kata"}),
    (kana.kata2hira, {"kata": "hira", "to_hira": "2only"}),
])
def test_kana_helpers_are_kanaconv_with_their_options(helper, options):
    for encoding in ("utf-8", "sjis"):
        text = sample(encoding)
        as_text = text.decode("utf-8") if encoding == "utf-8" else text
        result = helper(as_text)
        assert (result.encode() if isinstance(result, str) else result) == kanaconv(
            text, {"encoding": encoding, **options})
        result = helper(as_text, ignore="アあ")
        assert (result.encode() if isinstance(result, str) else result) == kanaconv(
            text, {"encoding": encoding, "keep": "アあ", **options})


def nfkc(text):
    # NFKC leaves a voicing mark it cannot compose as a combining mark; the converter
    # writes the spacing marks ゛ ゜ (U+309B, U+309C), as the faithful rules say.
    return unicodedata.normalize("NFKC", text).replace("\u3099", "゛").replace("\u309a", "゜")


def test_z2h_and_h2z_follow_unicode_width_pairs():
    ascii_ = "".join(FULL_ASCII)
    assert kana.z2h(ascii_) == nfkc(ascii_) == "".join(chr(ord(c) - 0xFEE0) for c in ascii_)
    assert kana.h2z(kana.z2h(ascii_)) == ascii_
    assert kana.z2h("\u3000") == " " and kana.h2z(" ") == "\u3000"
    digits = "０１２３４５６７８９"
    assert kana.z2h(ascii_, digit=False) == "".join(
        c if c in digits else nfkc(c) for c in ascii_)
    assert kana.z2h(ascii_, ascii=False) == "".join(nfkc(c) if c in digits else c for c in ascii_)
    assert kana.z2h("ａ１ア", kana=False, ignore="１") == "a１ア"
    # Half-width katakana, each alone and each before each voicing mark.
    for c in HALF_KANA:
        assert kana.h2z(c) == nfkc(c), c
        for mark in "ﾞﾟ":
            assert kana.h2z(c + mark) == nfkc(c + mark), c + mark
    # Full-width katakana with a half-width form come back from it; those without stay.
    narrowed = [c for c in KATAKANA if kana.z2h(c) != c]
    assert set(KATAKANA) - set(narrowed) == set("ヮヰヱヵヶ")
    for c in narrowed:
        assert nfkc(kana.z2h(c)) == c, c
        assert kana.h2z(kana.z2h(c)) == c, c
    for c in "ー。「」、・゛゜":
        assert kana.z2h(c) != c and nfkc(kana.z2h(c)) == c
    # Hiragana have no half width.
    assert kana.z2h("".join(HIRAGANA)) == "".join(HIRAGANA)


def test_hira2kata_and_kata2hira_follow_unicode_kana_pairs():
    pairs = {h: chr(ord(h) + 0x60) for h in HIRAGANA}
    pairs.update({"ゝ": "ヽ", "ゞ": "ヾ"})
    hira, kata = "".join(pairs), "".join(pairs.values())
    assert unicodedata.name("ゖ").replace("HIRAGANA", "KATAKANA") == unicodedata.name(pairs["ゖ"])
    assert kana.hira2kata(hira) == kata
    assert kana.kata2hira(kata) == hira
    # Half-width katakana stay, as jaconv leaves them; so do katakana without hiragana.
    half = "".join(HALF_KANA)
    assert kana.kata2hira(half) == half
    assert kana.kata2hira("ヷヸヹヺ") == "ヷヸヹヺ"
    assert kana.hira2kata(half) == half


def test_helpers_refuse_what_convert_refuses():
    for helper in (kana.z2h, kana.h2z, kana.hira2kata, kana.kata2hira):
        with pytest.raises(TypeError, match="not str or bytes"):
            helper(5)
        with pytest.raises(TypeError, match="ignore must be a str"):
            helper("x", ignore=["ー"])
