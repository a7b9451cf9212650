"""What the module's tests share: kanaconv, the reference they compare the module with,
and real Japanese text to compare on (Debian's manpages-ja and edict; a test that needs
them is skipped when they are not installed)."""

from __future__ import annotations

import glob
import gzip
import io
import os
import re
import subprocess
import tempfile
from dataclasses import dataclass
from typing import Any, Dict, List, Optional

import pytest

KANACONV = os.environ.get("KANACONV", "")
WORK = os.environ.get("KANA_TEST_WORK") or os.path.join(tempfile.gettempdir(), "kana-python-tests")
MAN_PAGES = "/usr/share/man/ja"
EDICT = "/usr/share/edict/edict"


# ---------------------------------------------------------------------------------------
# kanaconv


def kanaconv_arguments(options: Dict[str, Any]) -> List[str]:
    """kanaconv's command line for the module's keywords."""
    arguments = []
    for name, value in options.items():
        if value is None:
            continue
        flag = "--from" if name == "encoding" else "--" + name.replace("_", "-")
        if name == "classic":
            if value:
                arguments.append(flag)
        else:
            arguments.append(f"{flag}={value}")
    return arguments


@dataclass
class Refusal:
    """kanaconv's failure: its exit status and, for a character the output cannot hold,
    where it stands."""

    status: int
    message: str
    line: Optional[int] = None
    column: Optional[int] = None
    bytes: Optional[bytes] = None


def kanaconv(data: bytes, options: Dict[str, Any]) -> bytes | Refusal:
    """What kanaconv writes for data under the options, or why it refused. The data
    goes through a file, as kanaconv judges a file's encoding on the whole file."""
    if not KANACONV:
        pytest.skip("KANACONV is not set (ctest sets it to the built kanaconv)")
    os.makedirs(WORK, exist_ok=True)
    with tempfile.NamedTemporaryFile(dir=WORK, suffix=".txt") as source:
        source.write(data)
        source.flush()
        run = subprocess.run([KANACONV, "-q", *kanaconv_arguments(options), source.name],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env={**os.environ, "LC_ALL": "C"})
    if run.returncode == 0:
        return run.stdout
    message = run.stderr.decode("utf-8", "replace")
    where = re.search(r"line (\d+), column (\d+): the (?:character|bytes) ((?:[0-9A-F]{2} )*[0-9A-F]{2}) ",
                      message)
    if not where:
        return Refusal(run.returncode, message)
    return Refusal(run.returncode, message, int(where[1]), int(where[2]), bytes.fromhex(where[3]))


# ---------------------------------------------------------------------------------------
# Real text, prepared once and kept in WORK between runs


def _iconv(data: bytes, source: str, target: str) -> Optional[bytes]:
    run = subprocess.run(["iconv", "-f", source, "-t", target], input=data,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return run.stdout if run.returncode == 0 else None


def _kept(name: str, make) -> bytes:
    """The file name in WORK, made by make() the first time (written whole or not at all,
    since several test programs may run at once)."""
    path = os.path.join(WORK, name)
    if not os.path.exists(path):
        data = make()
        os.makedirs(WORK, exist_ok=True)
        handle, temporary = tempfile.mkstemp(dir=WORK)
        with os.fdopen(handle, "wb") as f:
            f.write(data)
        os.replace(temporary, path)
    with open(path, "rb") as f:
        return f.read()


def _man_pages() -> List[str]:
    return sorted(glob.glob(os.path.join(MAN_PAGES, "**", "*.gz"), recursive=True))


def _man_utf8() -> bytes:
    return b"".join(gzip.open(page).read() for page in _man_pages())


def _man_sjis() -> bytes:
    # The pages that code page 932 can hold, each converted by iconv.
    pages = (_iconv(gzip.open(page).read(), "UTF-8", "CP932") for page in _man_pages())
    return b"".join(page for page in pages if page is not None)


def _edict_utf8() -> bytes:
    text = _iconv(open(EDICT, "rb").read(), "EUC-JP", "UTF-8")
    assert text is not None, "iconv cannot read edict as EUC-JP"
    return text


def _edict_sjis() -> bytes:
    # The lines that code page 932 can hold (a few carry Latin letters with macrons).
    lines = io.BytesIO(corpus("edict.utf8")).readlines()
    holdable = []
    for line in lines:
        try:
            line.decode("utf-8").encode("cp932")
            holdable.append(line)
        except UnicodeError:
            pass
    text = _iconv(b"".join(holdable), "UTF-8", "CP932")
    assert text is not None, "iconv cannot write edict as CP932"
    return text


_MAKERS = {
    "man.utf8": (MAN_PAGES, _man_utf8),
    "man.sjis": (MAN_PAGES, _man_sjis),
    "edict.utf8": (EDICT, _edict_utf8),
    "edict.sjis": (EDICT, _edict_sjis),
}


def corpus(name: str) -> bytes:
    """One of the real texts: man.utf8, man.sjis (the pages code page 932 can hold),
    edict.utf8, edict.sjis. Skips the test when its source is not installed."""
    source, make = _MAKERS[name]
    if not os.path.exists(source) or (source == MAN_PAGES and not _man_pages()):
        pytest.skip(f"{source} is missing (Debian packages manpages-ja and edict)")
    return _kept(name, make)


def sample(encoding: str) -> bytes:
    """Real text in 'utf-8' or 'sjis' for comparing every option set: a slice of the man
    pages and of edict; the same text narrowed (half-width katakana, ASCII), so that the
    widening options find work; and lines of it with CR LF, CR alone, tabs and a last
    line without a line end."""
    suffix = "utf8" if encoding == "utf-8" else "sjis"

    def make() -> bytes:
        man = corpus(f"man.{suffix}")
        edict = corpus(f"edict.{suffix}")
        # Whole lines from a few places in each.
        parts = []
        for text, size in ((man, 160_000), (edict, 120_000)):
            for start in (0, len(text) // 3, 2 * len(text) // 3):
                piece = text[start:start + size]
                parts.append(piece[piece.find(b"\n") + 1:piece.rfind(b"\n") + 1])
        real = b"".join(parts)
        narrowed = kanaconv(real, {"encoding": encoding, "kata": "1byte", "mark": "1all",
                                   "space": "1byte"})
        assert isinstance(narrowed, bytes), narrowed
        lines = narrowed[:200_000].split(b"\n")[:-1]  # whole lines
        ends = [b"\r\n", b"\r", b"\n", b"\t\n", b" \t\r\n"]
        mixed = b"".join(line + ends[i % len(ends)] for i, line in enumerate(lines[:-1]))
        return real + narrowed + mixed + b"\t" + lines[-1]

    return _kept(f"sample.{suffix}", make)


def lines_of(text):
    """text cut after each LF (and nowhere else), str or bytes."""
    if isinstance(text, bytes):
        return io.BytesIO(text).readlines()
    return [line for line in re.split(r"(?<=\n)", text) if line]
