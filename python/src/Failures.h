// A failed conversion as a Python exception.
#pragma once

#include "kana.h"

#include <pybind11/pybind11.h>

namespace kana::python {

// Looks up the exception classes that kana._errors defines; called once, as the module
// is imported.
void LoadFailureTypes();

// Raises (as pybind11::error_already_set) the exception for a failed conversion: for a
// character the output cannot hold, kana.UnwritableError with its line, column and bytes.
// WritesSjis: the output is Shift-JIS (else UTF-8 written from Shift-JIS). Index: the
// item of convert_many, or -1.
[[noreturn]] void RaiseFailure(const kana_error& E, bool WritesSjis, Py_ssize_t Index);

} // namespace kana::python
