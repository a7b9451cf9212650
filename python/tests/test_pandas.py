"""A pandas column through a converter, as the README shows it."""

from __future__ import annotations

import pytest

import kana
from support import kanaconv, lines_of, sample

pandas = pytest.importorskip("pandas")


def test_a_column_converts_as_its_values_do():
    lines = [line.rstrip("\n") for line in lines_of(sample("utf-8").decode("utf-8"))[:5000]]
    frame = pandas.DataFrame({"text": lines})
    frame.loc[::7, "text"] = None  # missing values stay missing
    conv = kana.Converter(kata="2byte", mark="1all", space="1byte")
    frame["wide"] = frame["text"].map(conv.convert, na_action="ignore")
    frame["narrow"] = frame["text"].map(kana.z2h, na_action="ignore")
    present = frame["text"].notna()
    assert frame["wide"].isna().equals(~present)
    kept = frame[present]
    reference = kanaconv("\n".join(kept["text"]).encode(),
                        {"encoding": "utf-8", "kata": "2byte", "mark": "1all", "space": "1byte"})
    assert "\n".join(kept["wide"]).encode() == reference
    assert list(kept["narrow"]) == [kana.z2h(t) for t in kept["text"]]
    # The whole column at once, through convert_many.
    assert conv.convert_many(kept["text"]) == list(kept["wide"])
