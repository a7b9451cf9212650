"""The module writes what kanaconv writes: the same real text under every option set, as
str, as UTF-8 bytes and as Shift-JIS bytes, whole and line by line."""

from __future__ import annotations

import random

import pytest

import kana
from support import Refusal, corpus, kanaconv, lines_of, sample

# Every value of every option on its own, then the combinations that interact.
SINGLE = (
    [{}]
    + [{"kata": v} for v in ("none", "1byte", "2byte", "hira")]
    + [{"kata": "hira", "to_hira": v} for v in ("all", "1only", "2only")]
    + [{"hira": v} for v in ("none", "1kata", "2kata")]
    + [{"mark": v} for v in ("none", "1all", "2all")]
    + [{c: v} for c in ("letters", "digits", "symbols") for v in ("none", "1byte", "2byte")]
    + [{"space": v} for v in ("none", "1byte", "2byte")]
    + [{"conv_size": v} for v in ("none", "small", "big")]
    + [{"tab": n} for n in (None, -3, 0, 1, 4, 5000)]
    + [{"tab_stops": n} for n in (None, 1, 4, 8)]
    + [{"newline": v} for v in ("keep", "crlf", "lf")]
)
COMBINED = [
    {"mark": "2all", "digits": "1byte", "letters": "none"},
    {"mark": "1all", "symbols": "2byte"},
    {"kata": "2byte", "keep": "ﾞ"},
    {"kata": "1byte", "hira": "1kata", "keep": "ーアあ"},
    {"mark": "2all", "space": "2byte", "keep": "Ａ1 ", "tab": 3},
    {"kata": "2byte", "mark": "2all", "space": "2byte", "tab_stops": 8},
    {"kata": "1byte", "mark": "1all", "space": "1byte", "tab_stops": 4, "newline": "lf"},
    {"conv_size": "small", "kata": "2byte", "newline": "crlf"},
]


def random_sets(count: int, seed: int):
    """Option sets with a random value for every option."""
    choices = {
        "kata": ("none", "1byte", "2byte", "hira"), "to_hira": ("all", "1only", "2only"),
        "hira": ("none", "1kata", "2kata"), "mark": ("none", "1all", "2all"),
        "letters": ("none", "1byte", "2byte"), "digits": ("none", "1byte", "2byte"),
        "symbols": ("none", "1byte", "2byte"), "space": ("none", "1byte", "2byte"),
        "conv_size": ("none", "small", "big"), "newline": ("keep", "crlf", "lf"),
    }
    rng = random.Random(seed)
    sets = []
    for _ in range(count):
        options = {name: rng.choice(values) for name, values in choices.items()
                   if rng.random() < 0.6}
        tabs = rng.choice(("tab", "tab_stops", None))
        if tabs:
            options[tabs] = rng.choice((1, 2, 4, 8))
        sets.append(options)
    return sets


OPTION_SETS = SINGLE + COMBINED + random_sets(20, seed=932)
CLASSIC_SETS = [{"classic": True, **o} for o in (
    {}, {"kata": "1byte"}, {"kata": "2byte"}, {"kata": "hira", "to_hira": "1only"},
    {"hira": "1kata"}, {"mark": "1all", "space": "1byte", "conv_size": "big"},
    {"mark": "2all", "space": "2byte", "tab": 4}, {"encoding": "auto", "kata": "2byte"})]


def set_id(options):
    return ",".join(f"{k}={v}" for k, v in options.items()) or "none"


def expected(text: bytes, encoding: str, options):
    # kanaconv --classic reads Shift-JIS, and takes no --from.
    given = {**options} if options.get("classic") else {"encoding": encoding, **options}
    given.pop("encoding") if options.get("classic") and "encoding" in given else None
    reference = kanaconv(text, given)
    assert isinstance(reference, bytes), reference.message
    return reference


def line_by_line_equals_whole(options) -> bool:
    # Under the library's line rules every text converted apart ends with CR LF.
    return options.get("newline", "keep") != "crlf"


@pytest.mark.parametrize("options", OPTION_SETS, ids=set_id)
def test_str_is_converted_as_kanaconv_converts_utf8(options):
    text = sample("utf-8")
    reference = expected(text, "utf-8", options)
    assert kana.convert(text.decode("utf-8"), **options).encode("utf-8") == reference
    converter = kana.Converter(**options)
    if line_by_line_equals_whole(options):
        lines = lines_of(text.decode("utf-8"))
        assert "".join(converter.convert_many(lines)).encode("utf-8") == reference


@pytest.mark.parametrize("options", OPTION_SETS, ids=set_id)
def test_utf8_bytes_are_converted_as_kanaconv_converts_them(options):
    text = sample("utf-8")
    reference = expected(text, "utf-8", options)
    assert kana.convert(text, encoding="utf-8", **options) == reference
    if line_by_line_equals_whole(options):
        converter = kana.Converter(encoding="UTF8", **options)
        assert b"".join(converter.convert_many(lines_of(text))) == reference


@pytest.mark.parametrize("options", OPTION_SETS + CLASSIC_SETS, ids=set_id)
def test_bytes_are_read_as_shift_jis_as_kanaconv_reads_them(options):
    text = sample("sjis")
    reference = expected(text, options.get("encoding", "sjis"), options)
    # Shift-JIS is what bytes are read as unless told otherwise.
    assert kana.convert(text, **options) == reference
    assert kana.convert(bytearray(text), **options) == reference
    assert kana.convert(memoryview(text), **options) == reference
    if line_by_line_equals_whole(options) and not options.get("classic"):
        assert b"".join(kana.Converter(**options).convert_many(lines_of(text))) == reference


@pytest.mark.parametrize("encoding", ["utf-8", "sjis"])
@pytest.mark.parametrize("options", [{}, {"kata": "2byte", "mark": "2all"}, {"kata": "hira"}],
                         ids=set_id)
def test_auto_judges_the_encoding_as_kanaconv_does(encoding, options):
    text = sample(encoding)
    reference = expected(text, "auto", options)
    assert kana.convert(text, encoding="auto", **options) == reference


@pytest.mark.parametrize("options", [{}, {"kata": "2byte"}, {"mark": "1all", "newline": "lf"}],
                         ids=set_id)
def test_to_changes_the_encoding_as_kanaconv_does(options):
    sjis = sample("sjis")
    reference = expected(sjis, "sjis", {"to": "utf-8", **options})
    assert kana.convert(sjis, to="utf-8", **options) == reference
    # Back: text that Shift-JIS holds, as UTF-8, written as Shift-JIS.
    utf8 = reference
    back = expected(utf8, "utf-8", {"to": "sjis", **options})
    assert kana.convert(utf8, encoding="utf-8", to="cp932", **options) == back


def test_man_pages_whole_and_as_one_list_of_lines():
    # All of the man pages, as one str and as the lines of a list, under options that
    # touch most of what Japanese text holds.
    options = {"kata": "1byte", "mark": "1all", "space": "1byte", "conv_size": "big"}
    text = corpus("man.utf8")
    reference = expected(text, "utf-8", options)
    converter = kana.Converter(**options)
    assert converter.convert(text.decode("utf-8")).encode("utf-8") == reference
    assert "".join(converter.convert_many(lines_of(text.decode("utf-8")))).encode() == reference


def test_str_and_bytes_mixed_in_one_list():
    text = sample("sjis")
    options = {"kata": "2byte", "mark": "2all"}
    sjis_reference = expected(text, "sjis", options)
    utf8_reference = expected(text.decode("cp932").encode("utf-8"), "utf-8", options)
    lines = lines_of(text)
    mixed = [line.decode("cp932") if i % 3 == 0 else line for i, line in enumerate(lines)]
    results = kana.Converter(**options).convert_many(iter(mixed))
    assert [type(r) for r in results] == [type(m) for m in mixed]
    assert b"".join(r for r in results if isinstance(r, bytes)) == b"".join(
        line for i, line in enumerate(lines_of(sjis_reference)) if i % 3)
    assert "".join(r for r in results if isinstance(r, str)).encode() == b"".join(
        line for i, line in enumerate(lines_of(utf8_reference)) if i % 3 == 0)


def test_lone_surrogates_and_undecodable_bytes_pass_through():
    # A str may hold lone surrogates (bytes read with surrogateescape, or text cut
    # between the halves of a pair): they pass through as kanaconv passes invalid UTF-8
    # through, and end the context around them as it does.
    options = {"kata": "2byte", "mark": "2all"}
    raw = b"\xff\xfe" + "ｶ".encode() + b"\xff" + "ﾞabc".encode() + b"\xed\xa0\x80" + "ﾞ\n".encode()
    reference = expected(raw, "utf-8", options)
    assert kana.convert(raw, encoding="utf-8", **options) == reference
    escaped = raw.decode("utf-8", "surrogateescape")
    assert kana.convert(escaped, **options).encode("utf-8", "surrogateescape") == reference
    # ED A0 80 is U+D800 as Python carries it: the same bytes kanaconv passed through.
    lone = raw[2:].replace(b"\xff", b"").decode("utf-8", "surrogatepass")
    assert "\ud800" in lone
    reference = expected(lone.encode("utf-8", "surrogatepass"), "utf-8", options)
    assert kana.convert(lone, **options) == reference.decode("utf-8", "surrogatepass")
    assert kana.Converter(**options).convert_many([lone, "\udfff"]) == [
        reference.decode("utf-8", "surrogatepass"), "\udfff"]


def test_shift_jis_that_kanaconv_refuses_to_write_as_utf8_fails_the_same():
    # 85 40 is no code page 932 character: neither writes a guess for it.
    text = sample("sjis")[:5000]
    bad = text[:text.index(b"\n", 3000) + 1] + b"ab\x85\x40\n" + text[3000:]
    refusal = kanaconv(bad, {"encoding": "sjis", "to": "utf-8"})
    assert isinstance(refusal, Refusal) and refusal.line
    with pytest.raises(kana.UnwritableError) as caught:
        kana.convert(bad, to="utf-8")
    assert (caught.value.line, caught.value.column, caught.value.bytes) == (
        refusal.line, refusal.column, refusal.bytes)
    assert "are not Shift-JIS" in str(caught.value)


def test_utf8_that_shift_jis_cannot_hold_fails_where_kanaconv_says():
    # The first character of the man pages that code page 932 lacks.
    text = corpus("man.utf8")
    refusal = kanaconv(text, {"encoding": "utf-8", "to": "sjis"})
    assert isinstance(refusal, Refusal) and refusal.line
    converter = kana.Converter(encoding="utf-8", to="sjis")
    with pytest.raises(kana.UnwritableError) as caught:
        converter.convert(text)
    assert (caught.value.line, caught.value.column, caught.value.bytes) == (
        refusal.line, refusal.column, refusal.bytes)
    assert caught.value.index is None
    assert f"line {refusal.line}, column {refusal.column}: the character" in str(caught.value)
    # In a list, the item that fails is named, at its own line and column.
    lines = lines_of(text)
    with pytest.raises(kana.UnwritableError) as caught:
        converter.convert_many(lines)
    assert caught.value.index == refusal.line - 1
    assert (caught.value.line, caught.value.column) == (1, refusal.column)
    assert str(caught.value).startswith(f"item {refusal.line - 1}: line 1,")


@pytest.mark.parametrize("top", [0xFF, 0xFFFF, 0x10FFFF], ids=["latin-1", "bmp", "astral"])
def test_every_code_point_of_str_of_each_width(top):
    # Python keeps a str in 1, 2 or 4 bytes a character, by its widest one; each is
    # written as UTF-8 for the converter. Every code point, lone surrogates too (as the
    # bytes kanaconv passes through), with ASCII between them that the options change.
    codes = [c for c in range(top + 1) if c >= 0x80 or top == 0xFF]
    text = "".join(chr(c) + ("a" if i % 7 == 0 else "") + ("\n" if i % 64 == 63 else "")
                   for i, c in enumerate(codes))
    options = {"mark": "2all", "kata": "2byte", "conv_size": "big"}
    reference = expected(text.encode("utf-8", "surrogatepass"), "utf-8", options)
    assert kana.convert(text, **options) == reference.decode("utf-8", "surrogatepass")
    assert "".join(kana.Converter(**options).convert_many(lines_of(text))) == kana.convert(
        text, **options)


def test_characters_of_every_length_at_every_place_of_a_str():
    # Where a str's UTF-8 is written eight ASCII characters at a time, a wider character
    # may stand at any place of the eight.
    wide = ["\x7f", "\x80", "ÿ", "ā", "\u07ff", "\u0800", "ｶ", "ﾞ", "\ud800", "\udfff", "\uffff",
            "\U00010000", "\U0010ffff"]
    texts = [pad * k + c + "Ab" * (9 - k) for c in wide for k in range(10) for pad in " \0"]
    options = {"letters": "2byte", "kata": "2byte"}
    reference = expected("\n".join(texts).encode("utf-8", "surrogatepass"), "utf-8", options)
    converter = kana.Converter(**options)
    assert "\n".join(converter.convert(t) for t in texts) == reference.decode(
        "utf-8", "surrogatepass")
    assert "\n".join(converter.convert_many(texts)) == reference.decode("utf-8", "surrogatepass")
