"""What the module takes and what it refuses: texts, option names, types and values, and
options that do not go together, each refusal checked against kanaconv's where kanaconv
has the same option."""

from __future__ import annotations

import pickle
import re
import subprocess

import pytest

import kana
from support import KANACONV, Refusal, kanaconv


def kanaconv_help() -> str:
    if not KANACONV:
        pytest.skip("KANACONV is not set (ctest sets it to the built kanaconv)")
    return subprocess.run([KANACONV, "--help"], stdout=subprocess.PIPE, check=True,
                          text=True).stdout


def documented_values():
    """Each option of kanaconv --help with fixed values (--kata=none|1byte|...), as the
    module's keyword and its values."""
    for flag, values in re.findall(r"--([a-z-]+)=([a-z0-9-]+(?:\|[a-z0-9-]+)+)", kanaconv_help()):
        if "N" in values.split("|") or flag == "jobs":
            continue
        yield ("encoding" if flag == "from" else flag.replace("-", "_")), values.split("|")


def test_every_value_kanaconv_documents_is_taken_and_near_misses_are_refused_by_both():
    seen = 0
    for name, values in documented_values():
        for value in values:
            kana.Converter(**{name: value})
            seen += 1
        for wrong in ("", "3byte", "one", values[-1] + "x", " " + values[0], "hiragana"):
            if wrong in values:
                continue
            refusal = kanaconv(b"", {name: wrong})
            assert isinstance(refusal, Refusal) and refusal.status == 2, (name, wrong)
            with pytest.raises(ValueError, match=f"invalid value '{re.escape(wrong)}' for {name}"):
                kana.Converter(**{name: wrong})
    assert seen >= 35


@pytest.mark.parametrize("options, word", [
    ({"tab": 4, "tab_stops": 8}, "tab and tab_stops"),
    ({"classic": True, "newline": "lf"}, "newline"),
    ({"classic": True, "to": "sjis"}, "to"),
    ({"classic": True, "letters": "1byte"}, "letters"),
    ({"classic": True, "digits": "none"}, "digits"),
    ({"classic": True, "symbols": "2byte"}, "symbols"),
    ({"classic": True, "keep": "ー"}, "keep"),
    ({"classic": True, "tab_stops": 4}, "tab_stops"),
    ({"tab_stops": -1}, "tab_stops"),
    ({"tab": 2 ** 31}, "tab"),
    ({"classic": True, "encoding": "utf-8"}, "utf-8"),
])
def test_options_kanaconv_refuses_together_are_refused(options, word):
    refusal = kanaconv(b"", options)
    assert isinstance(refusal, Refusal) and refusal.status == 2
    with pytest.raises(ValueError, match=re.escape(word)):
        kana.Converter(**options)
    with pytest.raises(ValueError, match=re.escape(word)):
        kana.convert(b"", **options)


@pytest.mark.parametrize("options, name", [
    ({"kata": 1}, "kata"), ({"kata": b"1byte"}, "kata"), ({"mark": ["1all"]}, "mark"),
    ({"tab": "4"}, "tab"), ({"tab": True}, "tab"), ({"tab": 4.0}, "tab"),
    ({"tab_stops": "8"}, "tab_stops"), ({"classic": 1}, "classic"),
    ({"classic": "true"}, "classic"), ({"keep": ["ー"]}, "keep"), ({"keep": b"x"}, "keep"),
    ({"encoding": 932}, "encoding"),
])
def test_a_value_of_the_wrong_type_is_a_type_error_that_names_the_option(options, name):
    with pytest.raises(TypeError, match=name):
        kana.Converter(**options)
    with pytest.raises(TypeError, match=name):
        kana.convert("x", **options)


def test_an_unknown_option_is_a_value_error_that_names_it_and_lists_the_options():
    for name in ("katakana", "from_", "Kata", "conv-size", "ignore"):
        with pytest.raises(ValueError, match=f"unknown option '{name}'.*kata, to_hira"):
            kana.convert("x", **{name: "1byte"})
        with pytest.raises(ValueError, match=f"unknown option '{name}'"):
            kana.Converter(**{name: None})


def test_none_is_every_option_default():
    text = "ｶﾞ\tＡＢ　ab"
    nothing = {name: None for name in ("kata", "to_hira", "hira", "mark", "letters", "digits",
                                       "symbols", "space", "conv_size", "tab", "tab_stops",
                                       "keep", "newline", "encoding", "to", "classic")}
    assert kana.convert(text, **nothing) == text
    # tab=None is no tab given: tab_stops may come with it.
    assert kana.convert(text, kata="2byte", tab=None, tab_stops=4).encode() == kanaconv(
        text.encode(), {"encoding": "utf-8", "kata": "2byte", "tab_stops": 4})


def test_texts_of_the_wrong_type_are_refused():
    converter = kana.Converter(kata="2byte")
    for wrong in (None, 12, 1.5, ["ｶ"], object()):
        with pytest.raises(TypeError, match="not str or bytes"):
            converter.convert(wrong)
        with pytest.raises(TypeError, match="not str or bytes"):
            kana.convert(wrong)
    with pytest.raises(TypeError, match="item 2 is a int, not str or bytes"):
        converter.convert_many(["ｶ", b"\xb6", 3])
    with pytest.raises(TypeError):
        converter.convert_many(5)  # not iterable
    with pytest.raises(TypeError):
        kana.Converter("kata")  # options are keywords
    with pytest.raises(BufferError):
        converter.convert(memoryview(b"abcd")[::2])  # not contiguous


def test_a_str_is_refused_by_options_that_write_bytes():
    for options, why in (({"classic": True}, "classic=True"), ({"to": "sjis"}, "to='sjis'")):
        converter = kana.Converter(**options)
        converter.convert(b"abc")
        with pytest.raises(ValueError, match=re.escape(why)):
            converter.convert("abc")
        with pytest.raises(ValueError, match=f"item 1: {re.escape(why)}"):
            converter.convert_many([b"abc", "abc"])
    assert kana.convert("ｶﾞ", to="utf-8", encoding="sjis", kata="2byte") == "ガ"


def test_classic_refuses_text_it_judges_utf8():
    utf8 = "ｶﾞｰﾙ".encode("utf-8")
    assert kanaconv(utf8, {"encoding": "auto", "kata": "2byte"}) == "ガール".encode("utf-8")
    with pytest.raises(ValueError, match="this text is UTF-8"):
        kana.convert(utf8, classic=True, encoding="auto", kata="2byte")
    # Bytes are Shift-JIS unless told, as kanaconv --classic --from=sjis reads them; kanaconv
    # --classic alone judges the text and refuses it.
    assert kana.convert(utf8, classic=True, kata="2byte") == kanaconv(
        utf8, {"classic": True, "encoding": "sjis", "kata": "2byte"})
    assert kanaconv(utf8, {"classic": True, "kata": "2byte"}).status == 2


def test_bytes_are_shift_jis_unless_told_even_when_they_pass_for_utf8():
    # "ｱｲｳ" in UTF-8 is also Shift-JIS: a kanji and half-width katakana.
    data = "ｱｲｳ".encode("utf-8")
    as_sjis = kanaconv(data, {"encoding": "sjis", "kata": "2byte"})
    as_utf8 = kanaconv(data, {"encoding": "utf-8", "kata": "2byte"})
    assert as_sjis != as_utf8
    assert kana.convert(data, kata="2byte") == as_sjis
    assert kana.Converter(kata="2byte").convert_many([data]) == [as_sjis]
    assert kana.convert(data, kata="2byte", encoding="auto") == as_utf8
    assert kana.convert(data, kata="2byte", encoding="Shift_JIS") == as_sjis


def test_keep_and_option_values_with_nul_or_lone_surrogates():
    # NUL converts under no option, so a keep set loses nothing without it; the rest of
    # the set still counts.
    assert kana.convert("Ａ\0Ｂ", mark="1all", keep="Ａ\0") == "Ａ\0B"
    with pytest.raises(ValueError, match="kata"):
        kana.convert("x", kata="1byte\0")
    with pytest.raises(ValueError, match="keep"):
        kana.convert("x", keep="\ud800")


def test_growth_past_the_first_guess_is_converted_whole():
    # A tab of many spaces outgrows the room first given to a result: str, bytes, one
    # text or many.
    options = {"tab": 700, "space": "2byte"}
    text = "ｱ\t\tｲ\t" * 40
    reference = kanaconv(text.encode("utf-8"), {"encoding": "utf-8", **options})
    converter = kana.Converter(**options)
    assert converter.convert(text).encode("utf-8") == reference
    assert converter.convert(text.encode("utf-8")) != reference  # read as Shift-JIS
    assert kana.convert(text.encode("utf-8"), encoding="utf-8", **options) == reference
    many = converter.convert_many([text, "x", text] * 3)
    assert [m.encode("utf-8") for m in many] == [reference, b"x", reference] * 3


def test_converters_pickle_by_their_options_and_errors_keep_their_fields():
    converter = kana.Converter(kata="1byte", keep="ー", tab=None)
    again = pickle.loads(pickle.dumps(converter))
    assert again.options == {"kata": "1byte", "keep": "ー", "tab": None}
    assert repr(again) == "kana.Converter(kata='1byte', keep='ー', tab=None)"
    assert again.convert("ガー") == "ｶﾞー"
    again.options["kata"] = "2byte"  # a copy
    assert again.convert("ガー") == "ｶﾞー"
    with pytest.raises(kana.UnwritableError) as caught:
        kana.Converter(encoding="utf-8", to="sjis").convert_many([b"a", "x\n😀".encode()])
    error = pickle.loads(pickle.dumps(caught.value))
    assert isinstance(error, ValueError)
    assert (error.line, error.column, error.bytes, error.index) == (2, 1, "😀".encode(), 1)
    assert str(error) == str(caught.value) == (
        "item 1: line 2, column 1: the character F0 9F 98 80 has no Shift-JIS form")


def test_a_kept_converter_does_not_take_a_value_of_the_wrong_type_for_an_equal_one():
    # kana.convert keeps converters by their options; 1 == True == 1.0 as keys.
    for valid, wrong in (({"tab": 4}, {"tab": 4.0}), ({"tab": 1}, {"tab": True}),
                         ({"classic": True}, {"classic": 1})):
        kana.convert(b"x", **valid)
        with pytest.raises(TypeError):
            kana.convert(b"x", **wrong)
    kana.z2h("x", ignore="")
    with pytest.raises(TypeError):
        kana.z2h("x", ignore=b"")


def test_results_are_plain_str_and_bytes_whatever_came_in():
    class Text(str):
        pass

    for text in (Text("abc"), Text("ｶﾞ")):
        assert type(kana.convert(text)) is str and kana.convert(text) == text
    for data in (bytearray(b"abc"), memoryview(b"abc"), bytearray(b"\xb6\xde")):
        assert type(kana.convert(data)) is bytes and kana.convert(data) == data
    assert type(kana.Converter().convert_many([bytearray(b"a")])[0]) is bytes


def test_a_result_that_is_the_start_of_its_text_is_not_the_text():
    # Tabs that vanish at the end: the result is a prefix of the text, not the text.
    for text in ("abc\t", "ガ\t\t", "ab\tc\t"):
        reference = kanaconv(text.encode(), {"encoding": "utf-8", "tab": 0})
        assert kana.convert(text, tab=0).encode() == reference
        assert kana.convert(text.encode(), encoding="utf-8", tab=0) == reference
        assert kana.Converter(tab=0).convert_many([text]) == [reference.decode()]
