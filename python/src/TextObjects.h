// Python texts through the converters: str as UTF-8 text, bytes-like objects as the bytes
// they hold; one at a time, or many at once.
#pragma once

#include "Keywords.h"

#include <pybind11/pybind11.h>

namespace kana::python {

// Texts of at least this many bytes are converted with the GIL released, so that other
// threads run meanwhile; shorter ones convert faster than a release costs.
constexpr std::size_t ReleaseGilFrom = 16 * 1024;

// Text converted: a str gives a str, bytes (or any contiguous buffer) give bytes.
pybind11::object ConvertOne(const TConverters& C, pybind11::handle Text);

// Every text of Items (any iterable) converted, in a list.
pybind11::list ConvertMany(const TConverters& C, pybind11::handle Items);

} // namespace kana::python
