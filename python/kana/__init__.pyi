from typing import Any, Iterable, Literal, overload

__version__: str
__all__: list[str]

Kata = Literal["none", "1byte", "2byte", "hira"]
ToHira = Literal["all", "1only", "2only"]
Hira = Literal["none", "1kata", "2kata"]
Mark = Literal["none", "1all", "2all"]
Class = Literal["none", "1byte", "2byte"]
Space = Literal["none", "1byte", "2byte"]
ConvSize = Literal["none", "small", "big"]
Newline = Literal["keep", "crlf", "lf"]
# Any name of the two encodings, in any case: these are the usual ones.
Encoding = Literal["auto", "sjis", "shift_jis", "shift-jis", "cp932", "ms932", "windows-31j",
                   "utf-8", "utf8"]
OutEncoding = Literal["same", "sjis", "shift_jis", "shift-jis", "cp932", "ms932", "windows-31j",
                      "utf-8", "utf8"]
Buffer = bytes | bytearray | memoryview

class UnwritableError(ValueError):
    message: str
    line: int
    column: int
    bytes: bytes
    index: int | None
    def __init__(self, message: str, line: int, column: int, bytes: bytes,
                 index: int | None = ...) -> None: ...

class Converter:
    def __init__(self, *, kata: Kata | None = ..., to_hira: ToHira | None = ...,
                 hira: Hira | None = ..., mark: Mark | None = ..., letters: Class | None = ...,
                 digits: Class | None = ..., symbols: Class | None = ...,
                 space: Space | None = ..., conv_size: ConvSize | None = ...,
                 tab: int | None = ..., tab_stops: int | None = ..., keep: str | None = ...,
                 newline: Newline | None = ..., encoding: Encoding | None = ...,
                 to: OutEncoding | None = ..., classic: bool | None = ...) -> None: ...
    @overload
    def convert(self, text: str, /) -> str: ...
    @overload
    def convert(self, text: Buffer, /) -> bytes: ...
    @overload
    def convert_many(self, texts: Iterable[str]) -> list[str]: ...
    @overload
    def convert_many(self, texts: Iterable[Buffer]) -> list[bytes]: ...
    @overload
    def convert_many(self, texts: Iterable[str | Buffer]) -> list[str | bytes]: ...
    @property
    def options(self) -> dict[str, Any]: ...

@overload
def convert(text: str, /, *, kata: Kata | None = ..., to_hira: ToHira | None = ...,
            hira: Hira | None = ..., mark: Mark | None = ..., letters: Class | None = ...,
            digits: Class | None = ..., symbols: Class | None = ..., space: Space | None = ...,
            conv_size: ConvSize | None = ..., tab: int | None = ...,
            tab_stops: int | None = ..., keep: str | None = ...,
            newline: Newline | None = ..., encoding: Encoding | None = ...,
            to: Literal["same", "utf-8", "utf8"] | None = ...) -> str: ...
@overload
def convert(text: Buffer, /, *, kata: Kata | None = ..., to_hira: ToHira | None = ...,
            hira: Hira | None = ..., mark: Mark | None = ..., letters: Class | None = ...,
            digits: Class | None = ..., symbols: Class | None = ..., space: Space | None = ...,
            conv_size: ConvSize | None = ..., tab: int | None = ...,
            tab_stops: int | None = ..., keep: str | None = ...,
            newline: Newline | None = ..., encoding: Encoding | None = ...,
            to: OutEncoding | None = ..., classic: bool | None = ...) -> bytes: ...

@overload
def z2h(text: str, ascii: bool = ..., digit: bool = ..., kana: bool = ...,
        ignore: str = ...) -> str: ...
@overload
def z2h(text: Buffer, ascii: bool = ..., digit: bool = ..., kana: bool = ...,
        ignore: str = ...) -> bytes: ...
@overload
def h2z(text: str, ascii: bool = ..., digit: bool = ..., kana: bool = ...,
        ignore: str = ...) -> str: ...
@overload
def h2z(text: Buffer, ascii: bool = ..., digit: bool = ..., kana: bool = ...,
        ignore: str = ...) -> bytes: ...
@overload
def hira2kata(text: str, ignore: str = ...) -> str: ...
@overload
def hira2kata(text: Buffer, ignore: str = ...) -> bytes: ...
@overload
def kata2hira(text: str, ignore: str = ...) -> str: ...
@overload
def kata2hira(text: Buffer, ignore: str = ...) -> bytes: ...
