#include "Keywords.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace py = pybind11;

namespace kana::python {

namespace {

// The Python type a keyword takes. Its valid values are kana_options_set's to decide.
enum class TKind {
    Choice,     // str: one of the option's values
    Number,     // int
    Flag,       // bool
    Characters, // str: a set of characters
};

struct TKeyword {
    const char* Name; // the Python spelling; kana_options_set reads it as kanaconv's name
    TKind Kind;
};

constexpr TKeyword Keywords[] = {
    {"kata", TKind::Choice},    {"to_hira", TKind::Choice},   {"hira", TKind::Choice},
    {"mark", TKind::Choice},    {"letters", TKind::Choice},   {"digits", TKind::Choice},
    {"symbols", TKind::Choice}, {"space", TKind::Choice},     {"conv_size", TKind::Choice},
    {"tab", TKind::Number},     {"tab_stops", TKind::Number}, {"keep", TKind::Characters},
    {"newline", TKind::Choice}, {"encoding", TKind::Choice},  {"to", TKind::Choice},
    {"classic", TKind::Flag},
};

// Under classic=True, as under kanaconv's --classic, these are refused: the library's
// conversion has no such choice.
constexpr std::string_view NotWithClassic[] = {"newline", "to",   "letters",  "digits",
                                               "symbols", "keep", "tab_stops"};

// Raises Type with a message formatted as PyErr_Format formats it.
template <class... TArgs>
[[noreturn]] void Fail(PyObject* Type, const char* Format, TArgs... Args) {
    PyErr_Format(Type, Format, Args...);
    throw py::error_already_set();
}

const char* TypeName(py::handle Value) {
    return Py_TYPE(Value.ptr())->tp_name;
}

std::string KnownNames() {
    std::string Names;
    for (const TKeyword& K : Keywords) {
        if (!Names.empty()) Names += ", ";
        Names += K.Name;
    }
    return Names;
}

const TKeyword& KeywordNamed(const std::string& Name) {
    for (const TKeyword& K : Keywords)
        if (Name == K.Name) return K;
    Fail(PyExc_ValueError, "unknown option '%s' (options: %s)", Name.c_str(), KnownNames().c_str());
}

// The UTF-8 of a str value; NUL, which no option converts anyway, left out, since the
// C call reads the value up to its first NUL.
std::string Utf8Of(const char* Name, py::handle Value, bool DropNul) {
    Py_ssize_t Size = 0;
    const char* Data = PyUnicode_AsUTF8AndSize(Value.ptr(), &Size);
    if (!Data) {
        PyErr_Clear();
        Fail(PyExc_ValueError, "%s holds a lone surrogate, which is no character: %R", Name,
             Value.ptr());
    }
    std::string Text(Data, static_cast<std::size_t>(Size));
    if (Text.find('\0') == std::string::npos) return Text;
    if (!DropNul) Fail(PyExc_ValueError, "invalid value %R for %s", Value.ptr(), Name);
    Text.erase(std::remove(Text.begin(), Text.end(), '\0'), Text.end());
    return Text;
}

// The value as kana_options_set reads it; none when it is None, the option's default.
bool ValueText(const TKeyword& K, py::handle Value, std::string& Text) {
    if (Value.is_none()) return false;
    const char* const Name = K.Name;
    switch (K.Kind) {
    case TKind::Choice:
    case TKind::Characters:
        if (!PyUnicode_Check(Value.ptr()))
            Fail(PyExc_TypeError, "%s must be a str, not %s", Name, TypeName(Value));
        Text = Utf8Of(Name, Value, K.Kind == TKind::Characters);
        return true;
    case TKind::Number:
        if (!PyLong_Check(Value.ptr()) || PyBool_Check(Value.ptr()))
            Fail(PyExc_TypeError, "%s must be an int or None, not %s", Name, TypeName(Value));
        Text = py::str(Value).cast<std::string>();
        return true;
    case TKind::Flag:
        if (!PyBool_Check(Value.ptr()))
            Fail(PyExc_TypeError, "%s must be a bool, not %s", Name, TypeName(Value));
        Text = Value.ptr() == Py_True ? "true" : "false";
        return true;
    }
    return false;
}

// The Python keyword for a name that kana.h reports.
std::string KeywordFor(std::string Option) {
    if (Option == "from") return "encoding";
    std::replace(Option.begin(), Option.end(), '-', '_');
    return Option;
}

TConverterPtr Made(const kana_options& O) {
    kana_error E{};
    TConverterPtr C(kana_converter_new(&O, &E));
    if (C) return C;
    if (E.code == KANA_E_OPTION)
        Fail(PyExc_ValueError, "invalid options: %s does not go with the others",
             KeywordFor(E.option).c_str());
    if (E.code == KANA_E_CLASSIC)
        Fail(PyExc_ValueError, "%s", "classic=True reads Shift-JIS only, not encoding='utf-8'");
    if (E.code == KANA_E_MEMORY) throw std::bad_alloc();
    Fail(PyExc_RuntimeError, "%s", kana_error_text(E.code));
}

} // namespace

TConverters ConvertersFor(const py::dict& Given) {
    struct TSetting {
        std::string Name, Value;
    };
    std::vector<TSetting> Settings;
    for (const auto& [Key, Value] : Given) {
        if (!PyUnicode_Check(Key.ptr())) Fail(PyExc_TypeError, "%s", "option names are str");
        const TKeyword& K = KeywordNamed(Key.cast<std::string>());
        std::string Text;
        if (ValueText(K, Value, Text)) Settings.push_back({K.Name, std::move(Text)});
    }
    const auto Has = [&](std::string_view Name) {
        return std::any_of(Settings.begin(), Settings.end(),
                           [&](const TSetting& S) { return S.Name == Name; });
    };
    if (Has("tab") && Has("tab_stops"))
        Fail(PyExc_ValueError, "%s", "tab and tab_stops cannot be used together");

    // Bytes are read as Shift-JIS unless `encoding` says otherwise; str is UTF-8 text.
    kana_options Bytes = KANA_OPTIONS_INIT, Text = KANA_OPTIONS_INIT;
    kana_options_set(&Bytes, "from", "sjis");
    kana_options_set(&Text, "from", "utf-8");
    for (const TSetting& S : Settings) {
        if (kana_options_set(&Bytes, S.Name.c_str(), S.Value.c_str()) != KANA_OK)
            Fail(PyExc_ValueError, "invalid value '%s' for %s", S.Value.c_str(), S.Name.c_str());
        if (S.Name != "encoding") kana_options_set(&Text, S.Name.c_str(), S.Value.c_str());
    }
    if (Bytes.classic)
        for (std::string_view Name : NotWithClassic)
            if (Has(Name))
                Fail(PyExc_ValueError, "classic=True takes no %s", std::string(Name).c_str());

    TConverters C;
    C.Bytes = Made(Bytes);
    C.BytesTo = Bytes.to;
    if (Text.classic)
        C.TextRefusal = "classic=True converts Shift-JIS bytes, not str";
    else if (Text.to == KANA_ENCODING_SJIS)
        C.TextRefusal = "to='sjis' writes bytes: convert bytes, or encode the str the result is";
    else
        C.Text = Made(Text);
    return C;
}

} // namespace kana::python
