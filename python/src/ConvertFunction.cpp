#include "ConvertFunction.h"

#include "Keywords.h"
#include "TextObjects.h"

#include <array>
#include <memory>
#include <new>
#include <vector>

namespace py = pybind11;

namespace kana::python {

namespace {

// Converters made by earlier calls, by their keywords: names as the call passed them,
// values of the types a key can hold without doubt (str, int, bool, None; 1 == True, so
// types are compared too).
struct TMadeFor {
    py::object Names; // a tuple, or None for no keywords
    std::vector<py::object> Values;
    std::shared_ptr<const TConverters> Made;
};
constexpr std::size_t Kept = 16;
// Never freed: its references may outlive the interpreter's end.
auto& Cache = *new std::array<TMadeFor, Kept>;
std::size_t NextSlot = 0;

bool Keyable(PyObject* V) {
    return V == Py_None || PyBool_Check(V) || PyUnicode_CheckExact(V) || PyLong_CheckExact(V);
}

bool Same(PyObject* A, PyObject* B) {
    if (A == B) return true;
    if (Py_TYPE(A) != Py_TYPE(B)) return false;
    if (PyUnicode_CheckExact(A)) return PyUnicode_Compare(A, B) == 0;
    if (PyLong_CheckExact(A)) return PyObject_RichCompareBool(A, B, Py_EQ) == 1;
    return false; // None, True and False are each one object
}

bool SameNames(PyObject* Kept, PyObject* Names) {
    if (Kept == Names) return true;
    if (Kept == Py_None || !Names) return false;
    const Py_ssize_t N = PyTuple_GET_SIZE(Kept);
    if (PyTuple_GET_SIZE(Names) != N) return false;
    for (Py_ssize_t I = 0; I < N; ++I)
        if (!Same(PyTuple_GET_ITEM(Kept, I), PyTuple_GET_ITEM(Names, I))) return false;
    return true;
}

std::shared_ptr<const TConverters> Find(PyObject* Names, PyObject* const* Values, Py_ssize_t N) {
    for (const TMadeFor& M : Cache) {
        if (!M.Made || static_cast<Py_ssize_t>(M.Values.size()) != N) continue;
        if (!SameNames(M.Names.ptr(), Names ? Names : Py_None)) continue;
        Py_ssize_t I = 0;
        while (I < N && Same(M.Values[static_cast<std::size_t>(I)].ptr(), Values[I])) ++I;
        if (I == N) return M.Made;
    }
    return nullptr;
}

std::shared_ptr<const TConverters> Make(PyObject* Names, PyObject* const* Values, Py_ssize_t N) {
    py::dict Options;
    bool Keyed = true;
    for (Py_ssize_t I = 0; I < N; ++I) {
        Options[PyTuple_GET_ITEM(Names, I)] = py::handle(Values[I]);
        Keyed = Keyed && Keyable(Values[I]);
    }
    auto Made = std::make_shared<const TConverters>(ConvertersFor(Options));
    if (Keyed) {
        TMadeFor& M = Cache[NextSlot++ % Kept];
        M.Names = py::reinterpret_borrow<py::object>(Names ? Names : Py_None);
        M.Values.resize(static_cast<std::size_t>(N));
        for (Py_ssize_t I = 0; I < N; ++I)
            M.Values[static_cast<std::size_t>(I)] = py::reinterpret_borrow<py::object>(Values[I]);
        M.Made = Made;
    }
    return Made;
}

PyObject* Convert(PyObject*, PyObject* const* Args, Py_ssize_t Positional, PyObject* Names) {
    if (Positional != 1) {
        PyErr_Format(PyExc_TypeError,
                     "convert() takes the text alone as its positional "
                     "argument, the options as keywords (%zd given)",
                     Positional);
        return nullptr;
    }
    const Py_ssize_t N = Names ? PyTuple_GET_SIZE(Names) : 0;
    try {
        // A local share: a conversion without the GIL outlives the converter's slot.
        std::shared_ptr<const TConverters> Made = Find(Names, Args + 1, N);
        if (!Made) Made = Make(Names, Args + 1, N);
        return ConvertOne(*Made, Args[0]).release().ptr();
    } catch (py::error_already_set& E) {
        E.restore();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& E) {
        PyErr_SetString(PyExc_RuntimeError, E.what());
    }
    return nullptr;
}

constexpr const char* ConvertDoc = R"(convert(text, /, **options)
--

Converts text under kanaconv's options.

A str is converted as text and a str comes back. Bytes (or any contiguous buffer)
are read as Shift-JIS unless ``encoding`` says otherwise ('utf-8', 'sjis', 'auto'
to judge the text as kanaconv does, or any other name of the two: 'cp932',
'shift_jis', 'utf8', ...) and come back as bytes, in the same encoding unless
``to`` says otherwise.

Options (the defaults convert nothing; None means the default):
    kata: 'none', '1byte' (katakana to half width), '2byte' (half-width
        katakana to full width, voicing marks merged), 'hira' (to hiragana)
    to_hira: with kata='hira', which widths: 'all', '1only', '2only'
    hira: 'none', '1kata', '2kata' (hiragana to half- or full-width katakana)
    mark: 'none', '1all' (full-width letters, digits and symbols to ASCII),
        '2all' (ASCII to full width)
    letters, digits, symbols: 'none', '1byte', '2byte': one class of what
        mark converts, on its own
    space: 'none', '1byte', '2byte'
    conv_size: 'none', 'small', 'big' (after every other conversion)
    tab: N spaces for every tab (None: tabs stay)
    tab_stops: N, tabs to the next multiple of N columns (not with tab)
    keep: a str of characters no option converts
    newline: 'keep', 'crlf' (the library's line rules), 'lf'
    encoding, to: for bytes, as above
    classic: True for exactly what the library's KanaConvert writes
        (Shift-JIS bytes only; not with newline, to, letters, digits,
        symbols, keep or tab_stops)

Raises TypeError for a text or option value of the wrong type, ValueError for an
unknown option or value, and UnwritableError (a ValueError, with the line and
column) for a character the output's encoding cannot hold.

The converters of the last few sets of options are kept; kana.Converter makes one
to keep yourself.
)";

PyMethodDef Functions[] = {
    {"convert", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Convert)),
     METH_FASTCALL | METH_KEYWORDS, ConvertDoc},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

void AddConvertFunction(py::module_& Module) {
    if (PyModule_AddFunctions(Module.ptr(), Functions) != 0) throw py::error_already_set();
}

} // namespace kana::python
