"""The exceptions of the kana package (the extension raises them)."""

from __future__ import annotations


class UnwritableError(ValueError):
    """A character that the output's encoding cannot hold.

    Raised when bytes are converted into another encoding (``to='sjis'`` on UTF-8
    text, or ``to='utf-8'`` on Shift-JIS bytes that are no code page 932 character).
    Nothing is converted then.

    Attributes:
        line: the character's line, from 1 (LF, CR LF and CR end a line).
        column: its column in characters of the input, from 1.
        bytes: its bytes as read.
        index: the item of ``convert_many`` that failed, or None.
    """

    def __init__(self, message: str, line: int, column: int, bytes: bytes,
                 index: int | None = None) -> None:
        # Every field in args, so that the exception pickles (Dask sends it back).
        super().__init__(message, line, column, bytes, index)
        self.message = message
        self.line = line
        self.column = column
        self.bytes = bytes
        self.index = index

    def __str__(self) -> str:
        return self.message
