// The options of a conversion as Python passes them, as keywords with kanaconv's names
// and values, made into the converters of kana.h. kana_options_set decides which names
// and values are valid; this file knows only which Python type each keyword takes.
#pragma once

#include "kana.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <string>

namespace kana::python {

struct TConverterFree {
    void operator()(kana_converter* C) const { kana_converter_free(C); }
};
using TConverterPtr = std::unique_ptr<kana_converter, TConverterFree>;

// The converters that one set of options makes: one for bytes, read as the `encoding`
// keyword says (Shift-JIS unless told), and one for str, UTF-8 in and out.
struct TConverters {
    TConverterPtr Bytes;
    TConverterPtr Text;                        // null when the options cannot convert a str
    std::string TextRefusal;                   // ... and why
    std::uint8_t BytesTo = KANA_ENCODING_AUTO; // what bytes are written as (AUTO: as read)
};

// Converters for the keywords. Raises TypeError for a value of the wrong type and
// ValueError for a name or value that is not an option's, or options that do not go
// together (as kanaconv refuses them).
TConverters ConvertersFor(const pybind11::dict& Keywords);

} // namespace kana::python
