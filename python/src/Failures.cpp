#include "Failures.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

namespace py = pybind11;

namespace kana::python {

namespace {

PyObject* UnwritableError = nullptr; // a strong reference, kept for the process's life

// The bytes as kanaconv shows them: "F0 9F 98 80".
std::string HexBytes(const kana_error& E) {
    std::string Hex;
    for (std::size_t I = 0; I < E.size && I < sizeof E.bytes; ++I) {
        char Two[4];
        std::snprintf(Two, sizeof Two, I ? " %02X" : "%02X", E.bytes[I]);
        Hex += Two;
    }
    return Hex;
}

// "item 3: " for an item of convert_many, else nothing.
std::string ItemPrefix(Py_ssize_t Index) {
    if (Index < 0) return {};
    char Text[48];
    std::snprintf(Text, sizeof Text, "item %zd: ", Index);
    return Text;
}

} // namespace

void LoadFailureTypes() {
    UnwritableError =
        py::object(py::module_::import("kana._errors").attr("UnwritableError")).release().ptr();
}

void RaiseFailure(const kana_error& E, bool WritesSjis, Py_ssize_t Index) {
    const std::string Item = ItemPrefix(Index);
    switch (E.code) {
    case KANA_E_UNWRITABLE: {
        // Worded as kanaconv words it.
        const auto Message = py::reinterpret_steal<py::object>(PyUnicode_FromFormat(
            WritesSjis ? "%sline %llu, column %llu: the character %s has no Shift-JIS form"
                       : "%sline %llu, column %llu: the bytes %s are not Shift-JIS (code page 932)",
            Item.c_str(), static_cast<unsigned long long>(E.line),
            static_cast<unsigned long long>(E.column), HexBytes(E).c_str()));
        if (!Message) throw py::error_already_set();
        py::object Error = py::reinterpret_borrow<py::object>(UnwritableError)(
            Message, E.line, E.column,
            py::bytes(reinterpret_cast<const char*>(E.bytes), std::min<std::size_t>(E.size, 4)),
            Index >= 0 ? py::object(py::int_(Index)) : py::object(py::none()));
        PyErr_SetObject(UnwritableError, Error.ptr());
        break;
    }
    case KANA_E_CLASSIC:
        PyErr_Format(PyExc_ValueError,
                     "%sclassic=True converts Shift-JIS text only, and this text is UTF-8",
                     Item.c_str());
        break;
    case KANA_E_MEMORY: PyErr_NoMemory(); break;
    default: PyErr_Format(PyExc_RuntimeError, "%s%s", Item.c_str(), kana_error_text(E.code)); break;
    }
    throw py::error_already_set();
}

} // namespace kana::python
