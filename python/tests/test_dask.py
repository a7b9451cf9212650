"""The Dask recipe on a LocalCluster of two worker processes: a folder of files and a bag
of lines come out byte for byte as kanaconv writes them."""

from __future__ import annotations

import gzip
import os

import pytest

import kana
from support import MAN_PAGES, corpus, kanaconv

distributed = pytest.importorskip("distributed")
pytest.importorskip("dask.bag")
import kana.dask  # noqa: E402 - needs dask

OPTIONS = {"kata": "1byte", "mark": "1all", "space": "1byte", "conv_size": "big"}


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        client.wait_for_workers(2)
        yield client


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    """Man pages as files in subfolders, UTF-8 and Shift-JIS, plus an empty file."""
    corpus("man.utf8")  # skips without the pages
    root = tmp_path_factory.mktemp("pages")
    pages = sorted(os.path.join(d, f) for d, _, fs in os.walk(MAN_PAGES) for f in fs)[::10]
    for i, page in enumerate(pages):
        text = gzip.open(page).read()
        if i % 2:
            try:
                text = text.decode("utf-8").encode("cp932")
            except UnicodeError:
                continue
        path = root / os.path.relpath(page, MAN_PAGES)[:-3]
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(text)
    (root / "empty").write_bytes(b"")
    return root


def test_the_work_runs_in_two_processes(client):
    pids = client.run(os.getpid)
    assert len(set(pids.values())) == 2 and os.getpid() not in pids.values()
    # Each worker imports this very module.
    assert set(client.run(lambda: kana.__file__).values()) == {kana.__file__}


def test_a_folder_converts_file_by_file_as_kanaconv_converts_it(client, folder, tmp_path,
                                                               monkeypatch):
    monkeypatch.setattr(kana.dask, "BATCH_BYTES", 200_000)  # several tasks per worker
    names = kana.dask.convert_folder(str(folder), str(tmp_path / "out"), **OPTIONS)
    assert len(names) > 50 and "empty" in names
    assert sorted(names) == sorted(
        os.path.relpath(os.path.join(d, f), folder) for d, _, fs in os.walk(folder) for f in fs)
    for name in names:
        reference = kanaconv((folder / name).read_bytes(), OPTIONS)
        assert (tmp_path / "out" / name).read_bytes() == reference, name
    assert not [f for _, _, fs in os.walk(tmp_path / "out") for f in fs if f.startswith(".kana-")]


def test_a_file_that_fails_leaves_its_destination_and_the_others_convert(client, tmp_path):
    source = tmp_path / "in"
    source.mkdir()
    (source / "a.txt").write_bytes("ｶﾞ\n".encode())
    (source / "b.txt").write_bytes("ｶﾞ\nx ☃ 😀\n".encode())
    (source / "c.txt").write_bytes("ｷﾞ\n".encode())
    dest = tmp_path / "out"
    dest.mkdir()
    (dest / "b.txt").write_bytes(b"old")
    options = {"to": "sjis", "kata": "2byte"}
    with pytest.raises(kana.UnwritableError) as caught:
        kana.dask.convert_folder(str(source), str(dest), **options)
    refusal = kanaconv((source / "b.txt").read_bytes(), options)
    assert (caught.value.line, caught.value.column) == (refusal.line, refusal.column)
    assert str(caught.value).startswith(
        f"{source / 'b.txt'}: line {refusal.line}, column {refusal.column}:")
    assert (dest / "b.txt").read_bytes() == b"old"
    for name in ("a.txt", "c.txt"):
        assert (dest / name).read_bytes() == kanaconv((source / name).read_bytes(), options)
    with pytest.raises(ValueError, match="kata"):
        kana.dask.convert_folder(str(source), str(dest), kata="3byte")


@pytest.mark.parametrize("encoding", ["utf-8", "sjis"])
def test_a_bag_of_lines_converts_as_kanaconv_converts_the_files(client, tmp_path, encoding):
    text = corpus("man.utf8" if encoding == "utf-8" else "man.sjis")
    # Two files, one with CR LF line ends and no line end at its close.
    first, second = text[:len(text) // 2], text[len(text) // 2:].replace(b"\n", b"\r\n")[:-2]
    second = second[second.index(b"\n") + 1:]
    (tmp_path / "1.txt").write_bytes(first)
    (tmp_path / "2.txt").write_bytes(second)
    lines = kana.dask.read_lines(str(tmp_path / "*.txt"), blocksize="1MiB")
    assert lines.npartitions > 4
    done = kana.dask.convert_lines(lines, encoding=encoding, **OPTIONS)
    written = kana.dask.write_lines(done, str(tmp_path / "out" / "*.part"))
    assert len(written) == lines.npartitions
    result = b"".join(open(path, "rb").read() for path in written)
    reference = b"".join(kanaconv(t, {"encoding": encoding, **OPTIONS}) for t in (first, second))
    assert result == reference


def test_lines_read_as_str_by_dask_convert_too(client, tmp_path):
    import dask.bag

    text = corpus("man.utf8")[:3_000_000]
    text = text[:text.rindex(b"\n") + 1]
    (tmp_path / "in.txt").write_bytes(text)
    lines = dask.bag.read_text(str(tmp_path / "in.txt"), blocksize="500kB", linedelimiter="\n")
    done = kana.dask.convert_lines(lines, **OPTIONS)
    written = kana.dask.write_lines(done, str(tmp_path / "out"))
    result = b"".join(open(path, "rb").read() for path in written)
    assert result == kanaconv(text, {"encoding": "utf-8", **OPTIONS})
