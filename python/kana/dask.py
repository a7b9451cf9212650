"""Conversion spread over a Dask cluster: a folder of files, or a bag of lines.

    from dask.distributed import Client, LocalCluster
    import kana.dask

    with LocalCluster(n_workers=4) as cluster, Client(cluster):
        kana.dask.convert_folder("corpus", "converted", kata="2byte", mark="1all")

        lines = kana.dask.read_lines("logs/*.txt")                  # bytes, ends kept
        done = kana.dask.convert_lines(lines, encoding="utf-8", kata="2byte")
        kana.dask.write_lines(done, "converted-logs/*.txt")

The work runs wherever Dask's active scheduler runs it: the cluster of the Client made
last (a LocalCluster, or Client("tcp://scheduler:8786") for a real one), or Dask's own
threads without one. Each worker needs the kana module installed, and for
convert_folder the folders must be visible to every worker under the same path.

Each file, and each line, comes out byte for byte as kanaconv writes it under the same
options: files are converted whole, each line of a bag on its own (a line ends at its
LF, so lines converted apart are the text converted whole, except under
newline='crlf' and classic=True, where every converted text ends with CR LF).
"""

from __future__ import annotations

import io
import os
import tempfile
from typing import Any, Dict, Iterable, List, Optional, Sequence, Tuple

import dask
import dask.bag
import dask.bytes

from . import UnwritableError, _converter

__all__ = ["convert_folder", "convert_lines", "read_lines", "write_lines"]

# Files are handed to the workers in batches of about this many bytes, so that a folder
# of many small files does not cost a task each.
BATCH_BYTES = 32 << 20


def _write_whole(path: str, data: bytes) -> None:
    """Writes data to path through a temporary file beside it, renamed over it once
    complete: path holds either its old or its whole new content."""
    folder = os.path.dirname(path) or "."
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".kana-", suffix=".tmp")
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
            out.flush()
            os.fsync(out.fileno())
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def _convert_files(pairs: Sequence[Tuple[str, str]],
                   options: Dict[str, Any]) -> List[Tuple[str, Optional[BaseException]]]:
    """Converts each (source, destination) pair; a failure is returned, not raised, so
    that the other files still convert."""
    converter = _converter(options)
    done: List[Tuple[str, Optional[BaseException]]] = []
    for source, dest in pairs:
        try:
            with open(source, "rb") as f:
                data = f.read()
            _write_whole(dest, converter.convert(data))
            done.append((source, None))
        except Exception as error:  # noqa: BLE001 - reported with its file below
            done.append((source, error))
    return done


def _files_under(source: str) -> List[str]:
    names = []
    for folder, subfolders, files in os.walk(source):
        subfolders.sort()
        for name in sorted(files):
            names.append(os.path.relpath(os.path.join(folder, name), source))
    return names


def convert_folder(source: str, dest: str, **options: Any) -> List[str]:
    """Converts every file under the folder source (and its subfolders) into the same
    place under dest, on the workers of the active Dask scheduler, and returns the
    files' names relative to source.

    The options are kana.convert's; encoding defaults to 'auto' (each file judged as
    kanaconv judges it). Each file is read whole, converted and written through a
    temporary file beside its destination, renamed over it when complete; dest may be
    source itself. A file that fails leaves its destination as it was and the others
    still convert; then the first failure is raised, naming its file, once all are done.
    """
    options.setdefault("encoding", "auto")
    _converter(options)  # wrong options fail here, before any work is sent
    names = _files_under(source)
    batches: List[List[Tuple[str, str]]] = [[]]
    size = 0
    for name in names:
        path = os.path.join(source, name)
        if size >= BATCH_BYTES:
            batches.append([])
            size = 0
        batches[-1].append((path, os.path.join(dest, name)))
        size += os.path.getsize(path)
    tasks = [dask.delayed(_convert_files, pure=False)(batch, options) for batch in batches if batch]
    results = dask.compute(*tasks)
    failures = [(path, error) for batch in results for path, error in batch if error is not None]
    if failures:
        path, error = failures[0]
        if isinstance(error, UnwritableError):
            raise UnwritableError(f"{path}: {error.message}", error.line, error.column,
                                  error.bytes) from error
        raise error
    return names


def _lines(block: bytes) -> List[bytes]:
    return io.BytesIO(block).readlines()  # split after each LF only


def read_lines(urlpath: str | Sequence[str], blocksize: int | str = "64MiB",
               storage_options: Optional[Dict[str, Any]] = None) -> dask.bag.Bag:
    """A bag of the lines of the files urlpath names (a path, a glob, a list, or any
    URL fsspec knows: s3://, hdfs://, ...), as bytes, each with its line end as it
    was, in the order of the files. Shift-JIS and UTF-8 both split safely at LF.

    dask.bag.read_text(urlpath, linedelimiter="\\n") gives the lines of UTF-8 files as
    str, with their CR LF kept, for convert_lines too.
    """
    _, blocks = dask.bytes.read_bytes(urlpath, delimiter=b"\n", blocksize=blocksize,
                                      sample=False, **(storage_options or {}))
    return dask.bag.from_delayed([dask.delayed(_lines)(block) for file in blocks for block in file])


def _convert_partition(lines: Iterable[Any], options: Dict[str, Any]) -> List[Any]:
    return _converter(options).convert_many(lines)


def convert_lines(lines: dask.bag.Bag, **options: Any) -> dask.bag.Bag:
    """The bag with every line (str or bytes) converted as kana.convert converts it,
    a partition at a time through Converter.convert_many."""
    _converter(options)  # wrong options fail here, before any work is sent
    return lines.map_partitions(_convert_partition, options)


def _joined(lines: Iterable[Any], encoding: str) -> List[bytes]:
    return [b"".join(line.encode(encoding) if isinstance(line, str) else line for line in lines)]


def write_lines(lines: dask.bag.Bag, urlpath: str, encoding: str = "utf-8",
                storage_options: Optional[Dict[str, Any]] = None) -> List[str]:
    """Writes each partition of a bag of lines into a file of its own, the lines one
    after the other exactly as they are (their line ends are theirs: none is added),
    and returns the files' paths. urlpath is a folder or a pattern with one '*', which
    becomes the partition's number (as dask.bag.Bag.to_textfiles names them). Lines
    that are str are written in encoding; bytes as they are."""
    return lines.map_partitions(_joined, encoding).to_textfiles(
        urlpath, encoding=None, storage_options=storage_options)
