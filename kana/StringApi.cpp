// The text calls of kana.h: text in memory through the text layer, every failure turned
// into a code once, here. No C++ exception leaves these functions.
#define KANA_BUILDING_LIBRARY
#include "kana.h"

#include "EncodingNames.h"
#include "TextConverter.h"
#include "Utf8Chars.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace {

using kana::detail::DecodeUtf8;
using kana::detail::TUtf8Char;

// A failure with its code, raised where it is found and turned into a code at the edge.
struct EApi {
    int32_t Code;
    const char* Option = "";
};

// A name as the options table spells it: lower case, without '-' and '_', so that
// conv-size, conv_size and convSize meet.
std::string Folded(const char* Name) {
    std::string F;
    for (const char* P = Name; *P; ++P)
        if (*P != '-' && *P != '_')
            F += static_cast<char>(std::tolower(static_cast<unsigned char>(*P)));
    return F;
}

struct TChoice {
    const char* Name;
    std::uint8_t Value;
};

// The options with fixed values, by the names kanaconv uses.
struct TChoiceOption {
    const char* Name; // kanaconv's spelling
    std::uint8_t kana_options::*Field;
    TChoice Values[5];
};

const TChoiceOption ChoiceOptions[] = {
    {"kata", &kana_options::kata, {{"none", 0}, {"1byte", 1}, {"2byte", 2}, {"hira", 3}}},
    {"to-hira", &kana_options::to_hira, {{"all", 0}, {"1only", 1}, {"2only", 2}}},
    {"hira", &kana_options::hira, {{"none", 0}, {"1kata", 1}, {"2kata", 2}}},
    {"mark", &kana_options::mark, {{"none", 0}, {"1all", 1}, {"2all", 2}}},
    {"letters", &kana_options::letters, {{"mark", 0}, {"none", 1}, {"1byte", 2}, {"2byte", 3}}},
    {"digits", &kana_options::digits, {{"mark", 0}, {"none", 1}, {"1byte", 2}, {"2byte", 3}}},
    {"symbols", &kana_options::symbols, {{"mark", 0}, {"none", 1}, {"1byte", 2}, {"2byte", 3}}},
    {"space", &kana_options::space, {{"none", 0}, {"1byte", 1}, {"2byte", 2}}},
    {"conv-size", &kana_options::conv_size, {{"none", 0}, {"small", 1}, {"big", 2}}},
    {"newline", &kana_options::newline, {{"keep", 0}, {"crlf", 1}, {"lf", 2}}},
    {"classic", &kana_options::classic, {{"false", 0}, {"true", 1}, {"0", 0}, {"1", 1}}},
};

bool SameFolded(const char* A, const char* B) {
    return Folded(A) == Folded(B);
}

// The number in Value, or none for "none"; anything else is no value.
bool Number(const char* Value, bool& None, std::int32_t& N) {
    None = SameFolded(Value, "none");
    if (None) return true;
    char* End = nullptr;
    errno = 0;
    const long long L = std::strtoll(Value, &End, 10);
    if (*Value == '\0' || *End != '\0' || errno == ERANGE || L < INT32_MIN || L > INT32_MAX) return false;
    N = static_cast<std::int32_t>(L);
    return true;
}

void SetOption(kana_options& O, const char* Name, const char* Value) {
    const std::string Key = Folded(Name);
    for (const TChoiceOption& C : ChoiceOptions) {
        if (Folded(C.Name) != Key) continue;
        for (const TChoice& V : C.Values)
            if (V.Name && SameFolded(V.Name, Value)) {
                O.*C.Field = V.Value;
                return;
            }
        throw EApi{KANA_E_OPTION, C.Name};
    }
    bool None = false;
    std::int32_t N = 0;
    if (Key == "tab") {
        if (!Number(Value, None, N)) throw EApi{KANA_E_OPTION, "tab"};
        O.expand_tabs = !None;
        O.tab = None ? 0 : N;
    } else if (Key == "tabstops") {
        if (!Number(Value, None, N) || N < 0) throw EApi{KANA_E_OPTION, "tab-stops"};
        O.tab_stops = None ? 0 : N;
    } else if (Key == "keep") {
        O.keep = Value;
    } else if (Key == "from" || Key == "encoding" || Key == "to") {
        const char* Option = Key == "to" ? "to" : Key == "from" ? "from" : "encoding";
        std::int32_t E = kana_encoding_named(Value);
        // "auto" reads the encoding off the text; for the output, it and "same" write what
        // was read.
        if (SameFolded(Value, "auto") || (Key == "to" && SameFolded(Value, "same")))
            E = KANA_ENCODING_AUTO;
        if (E < 0) throw EApi{KANA_E_OPTION, Option};
        (Key == "to" ? O.to : O.from) = static_cast<std::uint8_t>(E);
    } else {
        throw EApi{KANA_E_OPTION, ""};
    }
}

// The keep set of UTF-8 text: its code points, sorted, each once.
std::u32string KeepSet(const char* Keep) {
    std::u32string Set;
    if (!Keep) return Set;
    const auto* P = reinterpret_cast<const std::uint8_t*>(Keep);
    for (std::size_t Left = std::strlen(Keep); Left > 0;) {
        const TUtf8Char C = DecodeUtf8(P, Left);
        if (C.Length == 0) throw EApi{KANA_E_OPTION, "keep"};
        Set += C.Code;
        P += C.Length;
        Left -= C.Length;
    }
    std::sort(Set.begin(), Set.end());
    Set.erase(std::unique(Set.begin(), Set.end()), Set.end());
    return Set;
}

template <class T>
T Checked(std::uint8_t Value, std::uint8_t Count, const char* Name) {
    if (Value >= Count) throw EApi{KANA_E_OPTION, Name};
    return static_cast<T>(Value);
}

TEncoding EncodingOf(std::uint8_t Value, const char* Name) {
    switch (Value) {
    case KANA_ENCODING_AUTO: return TEncoding::Auto;
    case KANA_ENCODING_SJIS: return TEncoding::Sjis;
    case KANA_ENCODING_UTF8: return TEncoding::Utf8;
    default: throw EApi{KANA_E_OPTION, Name};
    }
}

} // namespace

// A converter: the options checked once, the conversion ready to run.
struct kana_converter {
    explicit kana_converter(const kana_options& O)
        : Options(EngineOptions(O)), From(EncodingOf(O.from, "from")), To(EncodingOf(O.to, "to")),
          Classic(O.classic != 0),
          Buffer(Options, Classic ? TEncoding::Sjis : From, To, TEncoding::Utf8, NewlineOf(O)) {
        if (O.classic > 1) throw EApi{KANA_E_OPTION, "classic"};
        if (O.expand_tabs && O.tab_stops > 0) throw EApi{KANA_E_OPTION, "tab-stops"};
        if (Classic) {
            // The library's rules know none of the finer options, nor other line ends: an
            // option that would be ignored is refused, naming it.
            if (To == TEncoding::Utf8) throw EApi{KANA_E_OPTION, "to"};
            if (O.newline != KANA_NEWLINE_KEEP) throw EApi{KANA_E_OPTION, "newline"};
            if (O.letters) throw EApi{KANA_E_OPTION, "letters"};
            if (O.digits) throw EApi{KANA_E_OPTION, "digits"};
            if (O.symbols) throw EApi{KANA_E_OPTION, "symbols"};
            if (O.tab_stops > 0) throw EApi{KANA_E_OPTION, "tab-stops"};
            if (O.keep && *O.keep) throw EApi{KANA_E_OPTION, "keep"};
            if (From == TEncoding::Utf8) throw EApi{KANA_E_CLASSIC};
        }
    }

    static TOptions EngineOptions(const kana_options& O) {
        TOptions T;
        T.Kata = Checked<TKata>(O.kata, 4, "kata");
        T.ToHira = Checked<TToHira>(O.to_hira, 3, "to-hira");
        T.Hira = Checked<THira>(O.hira, 3, "hira");
        T.Mark = Checked<TMark>(O.mark, 3, "mark");
        T.Letters = Checked<TClassWidth>(O.letters, 4, "letters");
        T.Digits = Checked<TClassWidth>(O.digits, 4, "digits");
        T.Symbols = Checked<TClassWidth>(O.symbols, 4, "symbols");
        T.Space = Checked<TSpace>(O.space, 3, "space");
        T.ConvSize = Checked<TConvSize>(O.conv_size, 3, "conv-size");
        if (O.expand_tabs > 1) throw EApi{KANA_E_OPTION, "tab"};
        T.Tab = O.expand_tabs ? tbSpace : tbNone;
        T.SpLen = O.tab;
        if (O.tab_stops < 0) throw EApi{KANA_E_OPTION, "tab-stops"};
        T.TabStops = O.tab_stops;
        T.Keep = KeepSet(O.keep);
        T.Mapping = O.classic ? mpClassic : mpFaithful;
        return T;
    }

    static TNewline NewlineOf(const kana_options& O) {
        if (O.classic) return TNewline::CrLf; // the library's line rules
        switch (O.newline) {
        case KANA_NEWLINE_KEEP: return TNewline::Keep;
        case KANA_NEWLINE_CRLF: return TNewline::CrLf;
        case KANA_NEWLINE_LF: return TNewline::Lf;
        default: throw EApi{KANA_E_OPTION, "newline"};
        }
    }

    // Converts; the classic rules refuse text judged UTF-8 and read anything else as
    // Shift-JIS.
    void Convert(std::string_view In, std::string& Out) const {
        if (Classic && From == TEncoding::Auto && JudgeWholeText(In) == TEncoding::Utf8)
            throw EApi{KANA_E_CLASSIC};
        Buffer.Convert(In, Out);
    }

    TOptions Options;
    TEncoding From, To;
    bool Classic;
    TBufferConverter Buffer;
};

namespace {

void Report(kana_error* Error, std::int32_t Code, const char* Option = "") {
    if (!Error) return;
    *Error = kana_error{};
    Error->code = Code;
    std::strncpy(Error->option, Option, sizeof Error->option - 1);
}

// Runs Work, turning whatever it throws into a code in Error; returns the code.
template <class F>
std::int32_t Guarded(kana_error* Error, F&& Work) noexcept {
    try {
        Work();
        Report(Error, KANA_OK);
        return KANA_OK;
    } catch (const EApi& E) {
        Report(Error, E.Code, E.Option);
        return E.Code;
    } catch (const ETextError& E) {
        Report(Error, KANA_E_UNWRITABLE);
        if (Error) {
            Error->line = E.Line;
            Error->column = E.Column;
            Error->size = static_cast<std::uint8_t>(std::min<std::size_t>(E.Bytes.size(), 4));
            std::memcpy(Error->bytes, E.Bytes.data(), Error->size);
        }
        return KANA_E_UNWRITABLE;
    } catch (const std::bad_alloc&) {
        Report(Error, KANA_E_MEMORY);
        return KANA_E_MEMORY;
    } catch (const std::length_error&) {
        Report(Error, KANA_E_MEMORY);
        return KANA_E_MEMORY;
    } catch (...) {
        Report(Error, KANA_E_INTERNAL);
        return KANA_E_INTERNAL;
    }
}

// Converts into out (or only measures, out NULL) through Converter.
std::int32_t ConvertInto(const kana_converter& Converter, const char* In, std::size_t Size,
                         char* Out, std::size_t OutSize, std::size_t* OutLen, kana_error* Error) {
    std::int32_t Code = KANA_OK;
    const std::int32_t Done = Guarded(Error, [&] {
        if ((!In && Size) || !OutLen) throw EApi{KANA_E_ARGUMENT};
        thread_local std::string Result;
        Result.clear();
        Converter.Convert(std::string_view(In ? In : "", Size), Result);
        *OutLen = Result.size();
        if (!Out) return;
        if (Result.size() > OutSize) {
            Code = KANA_E_BUFFER;
            return;
        }
        std::memcpy(Out, Result.data(), Result.size());
    });
    if (Done == KANA_OK && Code != KANA_OK) Report(Error, Code);
    return Done != KANA_OK ? Done : Code;
}

} // namespace

extern "C" {

KANA_API const char* kana_error_text(int32_t Code) {
    switch (Code) {
    case KANA_OK: return "no error";
    case KANA_E_OPTION: return "an option or its value is not known";
    case KANA_E_BUFFER: return "the output buffer is too small";
    case KANA_E_UNWRITABLE: return "a character the output's encoding cannot hold";
    case KANA_E_CLASSIC: return "the classic rules convert Shift-JIS text only, and the text is UTF-8";
    case KANA_E_MEMORY: return "out of memory";
    case KANA_E_ARGUMENT: return "a null pointer where one is needed";
    case KANA_E_INTERNAL: return "a fault inside the library";
    default: return "an unknown result code";
    }
}

KANA_API int32_t kana_options_set(kana_options* Options, const char* Name, const char* Value) {
    return Guarded(nullptr, [&] {
        if (!Options || !Name || !Value) throw EApi{KANA_E_ARGUMENT};
        SetOption(*Options, Name, Value);
    });
}

KANA_API int32_t kana_encoding_named(const char* Name) {
    if (!Name) return -1;
    switch (EncodingNamed(Name).value_or(TEncoding(0xFF))) {
    case TEncoding::Auto: return KANA_ENCODING_AUTO;
    case TEncoding::Sjis: return KANA_ENCODING_SJIS;
    case TEncoding::Utf8: return KANA_ENCODING_UTF8;
    default: return -1;
    }
}

KANA_API uint64_t kana_convert_bound(const kana_options* Options, uint64_t Size) {
    kana_options O = Options ? *Options : kana_options KANA_OPTIONS_INIT;
    TOptions T;
    T.Tab = O.expand_tabs ? tbSpace : tbNone;
    T.SpLen = O.tab;
    T.TabStops = O.tab_stops;
    return TBufferConverter(T, TEncoding::Auto, TEncoding::Auto, TEncoding::Utf8, TNewline::Keep)
        .Bound(Size);
}

KANA_API int32_t kana_convert(const kana_options* Options, const char* In, size_t Size, char* Out,
                              size_t OutSize, size_t* OutLen, kana_error* Error) {
    // The code of a failure to make the converter, whether or not the caller asks where.
    kana_error Made{};
    kana_converter* Converter = kana_converter_new(Options, Error ? Error : &Made);
    if (!Converter) return Error ? Error->code : Made.code;
    const std::int32_t Code = ConvertInto(*Converter, In, Size, Out, OutSize, OutLen, Error);
    kana_converter_free(Converter);
    return Code;
}

KANA_API kana_converter* kana_converter_new(const kana_options* Options, kana_error* Error) {
    kana_converter* Made = nullptr;
    Guarded(Error, [&] {
        if (!Options) throw EApi{KANA_E_ARGUMENT};
        Made = new kana_converter(*Options);
    });
    return Made;
}

KANA_API int32_t kana_converter_convert(const kana_converter* Converter, const char* In, size_t Size,
                                        char* Out, size_t OutSize, size_t* OutLen,
                                        kana_error* Error) {
    if (!Converter) {
        Report(Error, KANA_E_ARGUMENT);
        return KANA_E_ARGUMENT;
    }
    return ConvertInto(*Converter, In, Size, Out, OutSize, OutLen, Error);
}

KANA_API void kana_converter_free(kana_converter* Converter) {
    delete Converter;
}

KANA_API int32_t kana_judge(const char* In, size_t Size, kana_judgment* Judgment) {
    return Guarded(nullptr, [&] {
        if ((!In && Size) || !Judgment) throw EApi{KANA_E_ARGUMENT};
        *Judgment = kana_judgment{};
        const TJudgement J = JudgeEncoding(std::string_view(In ? In : "", Size));
        switch (J.Encoding) {
        case TJudgedEncoding::Utf8: Judgment->encoding = KANA_ENCODING_UTF8; break;
        case TJudgedEncoding::Sjis: Judgment->encoding = KANA_ENCODING_SJIS; break;
        default: Judgment->encoding = KANA_ENCODING_AUTO; break;
        }
        if (J.Encoding == TJudgedEncoding::Utf8 && J.Evidence.Utf8Invalid > 0) {
            Judgment->invalid = J.Evidence.Utf8Invalid;
            Judgment->first_offset = J.Evidence.FirstInvalid.Offset;
            Judgment->first_line = J.Evidence.FirstInvalid.Line;
            Judgment->first_column = J.Evidence.FirstInvalid.Column;
        }
    });
}

} // extern "C"
