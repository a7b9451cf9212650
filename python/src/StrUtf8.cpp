#include "StrUtf8.h"

#include <cstdint>
#include <cstring>

namespace kana::python {

namespace {

template <class TChar>
char* Encode(const TChar* P, const TChar* End, char* Out) {
    while (P < End) {
        // Eight ASCII characters at a time, the common case in Japanese text too
        // (markup, numbers, spaces between the kana and kanji runs).
        if (End - P >= 8) {
            TChar Any = 0;
            for (int I = 0; I < 8; ++I) Any |= P[I];
            if (Any < 0x80) {
                for (int I = 0; I < 8; ++I) Out[I] = static_cast<char>(P[I]);
                P += 8;
                Out += 8;
                continue;
            }
        }
        const std::uint32_t C = *P++;
        if (C < 0x80) {
            *Out++ = static_cast<char>(C);
        } else if (C < 0x800) {
            *Out++ = static_cast<char>(0xC0 | C >> 6);
            *Out++ = static_cast<char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            *Out++ = static_cast<char>(0xE0 | C >> 12);
            *Out++ = static_cast<char>(0x80 | (C >> 6 & 0x3F));
            *Out++ = static_cast<char>(0x80 | (C & 0x3F));
        } else {
            *Out++ = static_cast<char>(0xF0 | C >> 18);
            *Out++ = static_cast<char>(0x80 | (C >> 12 & 0x3F));
            *Out++ = static_cast<char>(0x80 | (C >> 6 & 0x3F));
            *Out++ = static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Out;
}

} // namespace

std::size_t Utf8Bound(PyObject* Str) {
    // Latin-1 characters take at most 2 bytes, the rest of the BMP 3, the others 4.
    const auto Length = static_cast<std::size_t>(PyUnicode_GET_LENGTH(Str));
    switch (PyUnicode_KIND(Str)) {
    case PyUnicode_1BYTE_KIND: return 2 * Length;
    case PyUnicode_2BYTE_KIND: return 3 * Length;
    default: return 4 * Length;
    }
}

std::size_t WriteUtf8(PyObject* Str, char* Out) {
    const auto Length = PyUnicode_GET_LENGTH(Str);
    const void* Data = PyUnicode_DATA(Str);
    char* End = Out;
    switch (PyUnicode_KIND(Str)) {
    case PyUnicode_1BYTE_KIND: {
        const auto* P = static_cast<const Py_UCS1*>(Data);
        End = Encode(P, P + Length, Out);
        break;
    }
    case PyUnicode_2BYTE_KIND: {
        const auto* P = static_cast<const Py_UCS2*>(Data);
        End = Encode(P, P + Length, Out);
        break;
    }
    default: {
        const auto* P = static_cast<const Py_UCS4*>(Data);
        End = Encode(P, P + Length, Out);
        break;
    }
    }
    return static_cast<std::size_t>(End - Out);
}

} // namespace kana::python
