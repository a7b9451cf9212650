// kana._kana: the converter class and kana.convert over kana.h's text calls. The package
// kana builds its other functions on them.
#include "ConvertFunction.h"
#include "Failures.h"
#include "Keywords.h"
#include "TextObjects.h"

#include <pybind11/pybind11.h>

#include <new>
#include <string>

namespace py = pybind11;
using namespace kana::python;

namespace {

// Options made into converters once, for any number of texts and threads.
class TConverter {
public:
    explicit TConverter(const py::dict& Options)
        : FOptions(py::dict(Options)), FMade(ConvertersFor(FOptions)) {}

    py::object Convert(py::handle Text) const { return ConvertOne(FMade, Text); }
    py::list ConvertMany(py::handle Texts) const { return kana::python::ConvertMany(FMade, Texts); }
    py::dict Options() const { return py::dict(FOptions); }

    std::string Repr() const {
        std::string R = "kana.Converter(";
        for (const auto& [Name, Value] : FOptions) {
            if (R.back() != '(') R += ", ";
            R += py::str(Name).cast<std::string>();
            R += '=';
            R += py::repr(Value).cast<std::string>();
        }
        R += ')';
        return R;
    }

private:
    py::dict FOptions; // as given, for repr and pickling
    TConverters FMade;
};

constexpr const char* ConverterDoc = R"(Converter(**options)

Options made once into a converter, for many texts. A converter holds no state between
calls: one may be shared by any number of threads, and it pickles (by its options), so
that it can be sent to worker processes.

The options are those of kana.convert, with kanaconv's names and values (kata='1byte',
conv_size='big', tab=4, ...). A value of the wrong type raises TypeError; an unknown name,
a value the option does not take, or options that do not go together raise ValueError.
)";

constexpr const char* ConvertDoc = R"(convert(self, text, /)
--

The text converted: a str gives a str (converted as UTF-8 text), bytes or any other
contiguous buffer give bytes (read as the `encoding` option says, Shift-JIS unless told,
and written as `to` says, the same encoding unless told).

Raises TypeError for any other type, ValueError for a str under options that write bytes
(classic=True, to='sjis'), and kana.UnwritableError (a ValueError) for a character the
output's encoding cannot hold. A long text converts with the GIL released.
)";

constexpr const char* ConvertManyDoc = R"(convert_many(texts)

Every text of the iterable converted, in a list, as convert converts each one (str to
str, bytes to bytes; they may be mixed). Faster than calling convert for each: the texts
are read a batch at a time and each batch converts with the GIL released when it is long.
A failure names the item in its message; kana.UnwritableError also in its `index`.
)";

// Converter.convert as a plain method of one argument: the call a loop makes again and
// again, without the cost of pybind11's general dispatch.
PyObject* ConvertMethod(PyObject* Self, PyObject* Text) {
    try {
        return py::handle(Self).cast<const TConverter&>().Convert(Text).release().ptr();
    } catch (py::error_already_set& E) {
        E.restore();
    } catch (const py::cast_error&) {
        PyErr_SetString(PyExc_TypeError, "convert() needs a kana.Converter");
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& E) {
        PyErr_SetString(PyExc_RuntimeError, E.what());
    }
    return nullptr;
}

PyMethodDef ConvertMethodDef = {"convert", ConvertMethod, METH_O, ConvertDoc};

} // namespace

PYBIND11_MODULE(_kana, m) {
    m.doc() = "The converter of the kana package, over the library's text calls.";
    LoadFailureTypes();
    AddConvertFunction(m);

    py::class_<TConverter> Converter(m, "Converter", ConverterDoc);
    Converter.def(py::init([](const py::kwargs& Options) { return TConverter(Options); }))
        .def("convert_many", &TConverter::ConvertMany, py::arg("texts"), ConvertManyDoc)
        .def_property_readonly("options", &TConverter::Options,
                               "The options the converter was made with, as a new dict.")
        .def("__repr__", &TConverter::Repr)
        .def(py::pickle([](const TConverter& C) { return C.Options(); },
                        [](const py::dict& Options) { return TConverter(Options); }));
    const auto Method = py::reinterpret_steal<py::object>(
        PyDescr_NewMethod(reinterpret_cast<PyTypeObject*>(Converter.ptr()), &ConvertMethodDef));
    if (!Method) throw py::error_already_set();
    Converter.attr("convert") = Method;

    m.attr("__version__") = KANA_VERSION;
}
