// The UTF-8 of a str, written straight into the caller's memory (no bytes object on the
// way), as Python's "surrogatepass" writes it: a lone surrogate as its three bytes, which
// the converter passes through and the decoder turns back into the same surrogate.
#pragma once

#include <Python.h>

#include <cstddef>

namespace kana::python {

// The most bytes the UTF-8 of Str (a ready str) takes.
std::size_t Utf8Bound(PyObject* Str);

// Writes the UTF-8 of Str to Out, which has room for Utf8Bound(Str) bytes; returns how
// many it wrote.
std::size_t WriteUtf8(PyObject* Str, char* Out);

} // namespace kana::python
