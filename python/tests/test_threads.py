"""Threads: a long conversion lets other threads run, and converters shared by threads
give every thread what kanaconv writes."""

from __future__ import annotations

import sys
import threading

import pytest

import kana
from support import corpus, kanaconv, lines_of


def runs_beside(convert) -> bool:
    """True when another thread runs Python code while convert() is inside the module.

    With a switch interval far longer than the test, the GIL moves to the waiting
    thread only when the converting thread releases it: inside the conversion, or
    when it ends. The waiting thread, once it runs, sees which of the two it was."""
    state = {"converting": False}
    started = threading.Event()
    seen = threading.Event()
    observed = []

    def work():
        started.set()
        for _ in range(50):  # a few tries, in case the waiting thread is slow to wake
            state["converting"] = True
            convert()
            state["converting"] = False
            if seen.is_set():
                return

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    try:
        worker = threading.Thread(target=work)
        worker.start()
        started.wait()
        observed.append(state["converting"])
        seen.set()
        worker.join()
    finally:
        sys.setswitchinterval(interval)
    return observed[0]


def test_a_long_conversion_releases_the_gil():
    text = corpus("man.utf8")
    converter = kana.Converter(kata="1byte", mark="1all")
    assert runs_beside(lambda: converter.convert(text.decode("utf-8")))
    assert runs_beside(lambda: converter.convert(text))
    lines = lines_of(text.decode("utf-8"))
    assert runs_beside(lambda: converter.convert_many(lines))


@pytest.mark.parametrize("kind", ["str", "bytes", "many"])
def test_two_threads_sharing_a_converter_both_get_what_kanaconv_writes(kind):
    options = {"kata": "hira", "mark": "2all", "space": "2byte"}
    texts = [corpus("man.utf8"), corpus("edict.utf8")]
    references = [kanaconv(t, {"encoding": "utf-8", **options}) for t in texts]
    converter = kana.Converter(encoding="utf-8", **options)
    inputs = {"str": [t.decode("utf-8") for t in texts], "bytes": texts,
              "many": [lines_of(t) for t in texts]}[kind]
    results = [None, None]
    barrier = threading.Barrier(2)

    def work(i):
        barrier.wait()
        for _ in range(3):
            if kind == "many":
                result = b"".join(converter.convert_many(inputs[i]))
            else:
                result = converter.convert(inputs[i])
            result = result.encode("utf-8") if isinstance(result, str) else result
            if result != references[i]:
                results[i] = result
                return
        results[i] = result

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results[0] == references[0]
    assert results[1] == references[1]


def test_kana_convert_keeps_its_converter_while_other_calls_replace_it():
    # kana.convert keeps the converters of its last few option sets; a long conversion
    # goes on with its own while another thread's calls push it out.
    text = corpus("man.utf8")
    options = {"kata": "1byte", "mark": "2all"}
    reference = kanaconv(text, {"encoding": "utf-8", **options})
    others = [{"tab": n, "kata": k} for n in range(1, 12) for k in ("1byte", "2byte")]
    results = {}
    converting = threading.Event()

    def long_one():
        converting.set()
        results["long"] = kana.convert(text.decode("utf-8"), **options)

    def many_short():
        converting.wait()
        results["short"] = [kana.convert("ｶﾞ\tガ", **o) for o in others * 20]

    threads = [threading.Thread(target=long_one), threading.Thread(target=many_short)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results["long"].encode("utf-8") == reference
    assert results["short"] == [kana.Converter(**o).convert("ｶﾞ\tガ") for o in others] * 20
