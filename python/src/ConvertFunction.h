// kana.convert(text, /, **options): one call, its converter found by the call's own
// keywords in a small cache, so that a call in a loop costs about what a call of
// Converter.convert costs.
#pragma once

#include <pybind11/pybind11.h>

namespace kana::python {

// Adds convert to the module.
void AddConvertFunction(pybind11::module_& Module);

} // namespace kana::python
