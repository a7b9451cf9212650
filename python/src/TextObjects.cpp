#include "TextObjects.h"

#include "Failures.h"
#include "StrUtf8.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace py = pybind11;

namespace kana::python {

namespace {

// Room for most results at the first try: every character may grow threefold (ASCII to
// a full-width form in UTF-8); only tabs grow more, and those are converted again into
// the room the first try asked for.
std::size_t FirstRoom(std::size_t Size) {
    return Size + 2 * Size + 64;
}

// A str made by the old Py_UNICODE calls is not ready for PyUnicode_IS_ASCII until it
// is made so; since Python 3.12 every str is.
bool IsReady(PyObject* Str) {
#if PY_VERSION_HEX < 0x030C0000
    return PyUnicode_READY(Str) == 0;
#else
    (void)Str;
    return true;
#endif
}

// One text as the converter reads it, with what keeps its bytes alive.
class TTextIn {
public:
    TTextIn() = default;
    TTextIn(const TTextIn&) = delete;
    TTextIn& operator=(const TTextIn&) = delete;
    ~TTextIn() { Clear(); }

    // Reads Text: bytes and other contiguous buffers as they are, an ASCII str as its
    // own UTF-8; any other str is left for WriteUtf8, into room of Size bytes. Raises
    // TypeError for anything else.
    void Read(py::handle Text, Py_ssize_t Index) {
        Clear();
        Owner = py::reinterpret_borrow<py::object>(Text);
        PyObject* const Obj = Text.ptr();
        if (PyUnicode_Check(Obj)) {
            IsStr = true;
            if (!IsReady(Obj)) throw py::error_already_set();
            if (!PyUnicode_IS_ASCII(Obj)) {
                Pending = true;
                Size = Utf8Bound(Obj);
                return;
            }
            Py_ssize_t N = 0;
            Data = PyUnicode_AsUTF8AndSize(Obj, &N);
            Size = static_cast<std::size_t>(N);
            if (!Data) throw py::error_already_set();
        } else if (PyBytes_Check(Obj)) {
            Data = PyBytes_AS_STRING(Obj);
            Size = static_cast<std::size_t>(PyBytes_GET_SIZE(Obj));
        } else if (PyObject_CheckBuffer(Obj)) {
            if (PyObject_GetBuffer(Obj, &View, PyBUF_SIMPLE) != 0) throw py::error_already_set();
            HasView = true;
            Data = static_cast<const char*>(View.buf);
            Size = static_cast<std::size_t>(View.len);
        } else {
            if (Index >= 0)
                PyErr_Format(PyExc_TypeError, "item %zd is a %s, not str or bytes", Index,
                             Py_TYPE(Obj)->tp_name);
            else
                PyErr_Format(PyExc_TypeError, "a %s, not str or bytes", Py_TYPE(Obj)->tp_name);
            throw py::error_already_set();
        }
    }

    // True when the text is a str still to be written as UTF-8.
    bool Pending = false;
    // Writes the str's UTF-8 into Room, of Size bytes, and reads it from there.
    void WriteUtf8(char* Room) {
        Size = kana::python::WriteUtf8(Owner.ptr(), Room);
        Data = Room;
        Pending = false;
    }

    // The converter for this text; raises ValueError when the options convert no str.
    const kana_converter& ConverterIn(const TConverters& C, Py_ssize_t Index) const {
        if (!IsStr) return *C.Bytes;
        if (!C.Text) {
            if (Index >= 0)
                PyErr_Format(PyExc_ValueError, "item %zd: %s", Index, C.TextRefusal.c_str());
            else
                PyErr_SetString(PyExc_ValueError, C.TextRefusal.c_str());
            throw py::error_already_set();
        }
        return *C.Text;
    }

    // The result as Python takes it: a str from the converted UTF-8, or bytes. A str or
    // bytes that comes out as it went in is given back itself, as str's own methods do.
    py::object Result(const char* Out, std::size_t Length) const {
        if (Length == Size && std::memcmp(Out, Data, Size) == 0 &&
            (PyUnicode_CheckExact(Owner.ptr()) || PyBytes_CheckExact(Owner.ptr())))
            return Owner;
        PyObject* const R =
            IsStr ? PyUnicode_DecodeUTF8(Out, static_cast<Py_ssize_t>(Length), "surrogatepass")
                  : PyBytes_FromStringAndSize(Out, static_cast<Py_ssize_t>(Length));
        if (!R) throw py::error_already_set();
        return py::reinterpret_steal<py::object>(R);
    }

    const char* Data = nullptr;
    std::size_t Size = 0;
    bool IsStr = false;

private:
    void Clear() {
        if (HasView) PyBuffer_Release(&View);
        HasView = false;
        Owner = py::object();
        IsStr = Pending = false;
    }

    py::object Owner; // the text itself
    Py_buffer View{};
    bool HasView = false;
};

// Memory for results, grown without being filled first.
class TRoom {
public:
    char* Data() const { return FData.get(); }
    std::size_t Size() const { return FSize; }
    // At least Size bytes, their content not kept.
    char* Reserve(std::size_t Size) {
        if (Size > FSize) {
            FData.reset(new char[Size]);
            FSize = Size;
        }
        return FData.get();
    }
    // At least Size bytes, the first Used kept.
    void Grow(std::size_t Size, std::size_t Used) {
        if (Size <= FSize) return;
        std::unique_ptr<char[]> Larger(new char[Size]);
        std::copy(FData.get(), FData.get() + Used, Larger.get());
        FData = std::move(Larger);
        FSize = Size;
    }

private:
    std::unique_ptr<char[]> FData;
    std::size_t FSize = 0;
};

// A thread's room for short texts and results, kept from call to call; long ones get
// their own.
constexpr std::size_t KeptRoom = 1 << 20;
thread_local TRoom ThreadIn, ThreadOut;

// Runs Work, with the GIL released when it works on Size bytes or more. Work touches no
// Python object but through the references its caller holds.
template <class TWork>
void Unlocked(std::size_t Size, TWork&& Work) {
    if (Size < ReleaseGilFrom) return Work();
    py::gil_scoped_release Released;
    Work();
}

// Converts In through K into Room of Out, growing it when the result needs more.
std::int32_t ConvertInto(const kana_converter& K, const TTextIn& In, TRoom& Out,
                         std::size_t& Length, kana_error& E) {
    std::int32_t Code =
        kana_converter_convert(&K, In.Data, In.Size, Out.Data(), Out.Size(), &Length, &E);
    if (Code != KANA_E_BUFFER) return Code;
    Out.Reserve(Length);
    return kana_converter_convert(&K, In.Data, In.Size, Out.Data(), Out.Size(), &Length, &E);
}

// A str: its UTF-8 written (unless it is ASCII), converted, and decoded into a new str.
// The thread's rooms are used by nothing else meanwhile: no Python code runs between
// the write and the decode.
py::object StrResult(const TConverters& C, TTextIn& In, const kana_converter& K) {
    TRoom OwnIn, OwnOut;
    char* const Utf8 =
        In.Pending ? (In.Size <= KeptRoom ? ThreadIn : OwnIn).Reserve(In.Size) : nullptr;
    const std::size_t Room = FirstRoom(In.Size);
    TRoom& Out = Room <= KeptRoom ? ThreadOut : OwnOut;
    Out.Reserve(Room);
    std::size_t Length = 0;
    kana_error E{};
    std::int32_t Code = KANA_OK;
    Unlocked(In.Size, [&] {
        if (Utf8) In.WriteUtf8(Utf8);
        Code = ConvertInto(K, In, Out, Length, E);
    });
    if (Code != KANA_OK) RaiseFailure(E, C.BytesTo == KANA_ENCODING_SJIS, -1);
    return In.Result(Out.Data(), Length);
}

// Bytes: converted straight into a new bytes object, cut to its length.
py::object BytesResult(const TConverters& C, const TTextIn& In, const kana_converter& K) {
    std::size_t Room = FirstRoom(In.Size);
    PyObject* Out = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(Room));
    if (!Out) throw py::error_already_set();
    std::size_t Length = 0;
    kana_error E{};
    std::int32_t Code = KANA_OK;
    const auto Convert = [&] {
        Unlocked(In.Size, [&] {
            Code = kana_converter_convert(&K, In.Data, In.Size, PyBytes_AS_STRING(Out), Room,
                                          &Length, &E);
        });
    };
    Convert();
    if (Code == KANA_E_BUFFER) {
        Room = Length;
        if (_PyBytes_Resize(&Out, static_cast<Py_ssize_t>(Room)) != 0)
            throw py::error_already_set();
        Convert();
    }
    py::object Result = py::reinterpret_steal<py::object>(Out);
    if (Code != KANA_OK) RaiseFailure(E, C.BytesTo == KANA_ENCODING_SJIS, -1);
    Out = Result.release().ptr();
    if (_PyBytes_Resize(&Out, static_cast<Py_ssize_t>(Length)) != 0) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(Out);
}

// How many texts convert_many reads before it converts them, and how many bytes at most.
constexpr std::size_t BatchItems = 1024;
constexpr std::size_t BatchBytes = 1 << 20;

} // namespace

py::object ConvertOne(const TConverters& C, py::handle Text) {
    TTextIn In;
    In.Read(Text, -1);
    const kana_converter& K = In.ConverterIn(C, -1);
    return In.IsStr ? StrResult(C, In, K) : BytesResult(C, In, K);
}

py::list ConvertMany(const TConverters& C, py::handle Items) {
    // A list of its own: nothing can change it while the GIL is released.
    const py::list Texts = py::reinterpret_steal<py::list>(PySequence_List(Items.ptr()));
    if (!Texts) throw py::error_already_set();
    const std::size_t Count = static_cast<std::size_t>(PyList_GET_SIZE(Texts.ptr()));
    py::list Results(Count);
    std::unique_ptr<TTextIn[]> In(new TTextIn[BatchItems]);
    std::vector<const kana_converter*> Converters(BatchItems);
    std::vector<std::size_t> Ends(BatchItems); // where each result ends in Out
    TRoom Utf8, Out;
    for (std::size_t First = 0; First < Count;) {
        // Read a batch with the GIL held; write the UTF-8 of its str and convert it all
        // (without the GIL when it is long); then make its results.
        std::size_t N = 0, Bytes = 0, Pending = 0, Room = 0;
        for (; First + N < Count && N < BatchItems && Bytes < BatchBytes; ++N) {
            const auto Index = static_cast<Py_ssize_t>(First + N);
            In[N].Read(PyList_GET_ITEM(Texts.ptr(), Index), Index);
            Converters[N] = &In[N].ConverterIn(C, Index);
            Bytes += In[N].Size;
            Room += FirstRoom(In[N].Size);
            if (In[N].Pending) Pending += In[N].Size;
        }
        Utf8.Reserve(Pending);
        Out.Reserve(Room);
        std::size_t Failed = N, Used = 0;
        kana_error E{};
        Unlocked(Bytes, [&] {
            for (std::size_t I = 0, Written = 0; I < N; ++I) {
                if (In[I].Pending) {
                    In[I].WriteUtf8(Utf8.Data() + Written);
                    Written += In[I].Size;
                }
            }
            for (std::size_t I = 0; I < N; ++I) {
                std::size_t Length = 0;
                std::int32_t Code;
                while ((Code = kana_converter_convert(Converters[I], In[I].Data, In[I].Size,
                                                      Out.Data() + Used, Out.Size() - Used, &Length,
                                                      &E)) == KANA_E_BUFFER)
                    Out.Grow(Used + Length + FirstRoom(Bytes), Used);
                if (Code != KANA_OK) {
                    Failed = I;
                    return;
                }
                Used += Length;
                Ends[I] = Used;
            }
        });
        if (Failed < N)
            RaiseFailure(E, C.BytesTo == KANA_ENCODING_SJIS,
                         static_cast<Py_ssize_t>(First + Failed));
        for (std::size_t I = 0, Start = 0; I < N; Start = Ends[I++])
            PyList_SET_ITEM(Results.ptr(), static_cast<Py_ssize_t>(First + I),
                            In[I].Result(Out.Data() + Start, Ends[I] - Start).release().ptr());
        First += N;
    }
    return Results;
}

} // namespace kana::python
