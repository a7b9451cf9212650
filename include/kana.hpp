// kana.hpp: the text calls of kana.h for C++17, from std::string_view to std::string.
//
//   kana::Options O;
//   O.kata = kana::Kata::OneByte;                    // or: O.set("kata", "1byte")
//   std::string Narrow = kana::convert("ガール", O);  // "ｶﾞｰﾙ", UTF-8 in, UTF-8 out
//   kana::Converter Hira(kana::Options().set("kata", "hira"));
//   std::string H = Hira("カタカナ");                 // "かたかな"; Hira may be shared by threads
//
// Failures are exceptions: kana::Error, with the code of kana.h and, for a character the
// output cannot hold, its line and column. Header-only over libkana (link with -lkana).
#ifndef KANA_HPP
#define KANA_HPP

#include "kana.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kana {

enum class Encoding : std::uint8_t { Auto = KANA_ENCODING_AUTO, Sjis = KANA_ENCODING_SJIS, Utf8 = KANA_ENCODING_UTF8 };
enum class Kata : std::uint8_t { None, OneByte, TwoByte, Hira };
enum class ToHira : std::uint8_t { All, OneOnly, TwoOnly };
enum class Hira : std::uint8_t { None, OneKata, TwoKata };
enum class Mark : std::uint8_t { None, OneAll, TwoAll };
enum class Class : std::uint8_t { AsMark, None, OneByte, TwoByte };
enum class Space : std::uint8_t { None, OneByte, TwoByte };
enum class ConvSize : std::uint8_t { None, Small, Big };
enum class Newline : std::uint8_t { Keep, CrLf, Lf };

// A failed conversion: Code is one of kana.h's KANA_E_*; for KANA_E_UNWRITABLE, Line and
// Column (from 1) tell where the character stands; for KANA_E_OPTION, Option names it.
class Error : public std::runtime_error {
public:
    explicit Error(const kana_error& E)
        : std::runtime_error(Describe(E)), Code(E.code), Line(E.line), Column(E.column),
          Option(E.option) {}
    std::int32_t Code;
    std::uint64_t Line, Column;
    std::string Option;

private:
    static std::string Describe(const kana_error& E) {
        std::string Text = kana_error_text(E.code);
        if (E.code == KANA_E_OPTION && E.option[0]) Text += ": " + std::string(E.option);
        if (E.code == KANA_E_UNWRITABLE)
            Text += " at line " + std::to_string(E.line) + ", column " + std::to_string(E.column);
        return Text;
    }
};

// Every option; the defaults convert nothing, judge the input's encoding and write it
// back in the same one, keep line ends, and follow the faithful rules.
struct Options {
    Kata kata = Kata::None;
    ToHira to_hira = ToHira::All;
    Hira hira = Hira::None;
    Mark mark = Mark::None;
    Class letters = Class::AsMark, digits = Class::AsMark, symbols = Class::AsMark;
    Space space = Space::None;
    ConvSize conv_size = ConvSize::None;
    Newline newline = Newline::Keep;
    bool classic = false; // the library's rules and line ends, for Shift-JIS text
    Encoding from = Encoding::Auto, to = Encoding::Auto;
    bool expand_tabs = false;
    std::int32_t tab = 0;       // with expand_tabs: spaces per tab
    std::int32_t tab_stops = 0; // above 0: tabs to the next multiple of this many columns
    std::string keep;           // UTF-8 characters no option converts

    // Sets one option by the names kanaconv uses ("kata", "1byte"); throws kana::Error.
    Options& set(std::string_view Name, std::string_view Value) {
        kana_options O = c_options();
        const std::string N(Name), V(Value);
        if (kana_options_set(&O, N.c_str(), V.c_str()) != KANA_OK) {
            kana_error E{};
            E.code = KANA_E_OPTION;
            N.copy(E.option, sizeof E.option - 1);
            throw Error(E);
        }
        if (O.keep == V.c_str()) {
            keep = V;
            O.keep = keep.c_str();
        }
        *this = from_c(O, keep);
        return *this;
    }

    // The same as kana.h's struct; keep points into this object.
    kana_options c_options() const {
        kana_options O = KANA_OPTIONS_INIT;
        O.kata = static_cast<std::uint8_t>(kata);
        O.to_hira = static_cast<std::uint8_t>(to_hira);
        O.hira = static_cast<std::uint8_t>(hira);
        O.mark = static_cast<std::uint8_t>(mark);
        O.letters = static_cast<std::uint8_t>(letters);
        O.digits = static_cast<std::uint8_t>(digits);
        O.symbols = static_cast<std::uint8_t>(symbols);
        O.space = static_cast<std::uint8_t>(space);
        O.conv_size = static_cast<std::uint8_t>(conv_size);
        O.newline = static_cast<std::uint8_t>(newline);
        O.classic = classic;
        O.from = static_cast<std::uint8_t>(from);
        O.to = static_cast<std::uint8_t>(to);
        O.expand_tabs = expand_tabs;
        O.tab = tab;
        O.tab_stops = tab_stops;
        O.keep = keep.empty() ? nullptr : keep.c_str();
        return O;
    }

private:
    static Options from_c(const kana_options& O, const std::string& Keep) {
        Options R;
        R.kata = static_cast<Kata>(O.kata);
        R.to_hira = static_cast<ToHira>(O.to_hira);
        R.hira = static_cast<Hira>(O.hira);
        R.mark = static_cast<Mark>(O.mark);
        R.letters = static_cast<Class>(O.letters);
        R.digits = static_cast<Class>(O.digits);
        R.symbols = static_cast<Class>(O.symbols);
        R.space = static_cast<Space>(O.space);
        R.conv_size = static_cast<ConvSize>(O.conv_size);
        R.newline = static_cast<Newline>(O.newline);
        R.classic = O.classic != 0;
        R.from = static_cast<Encoding>(O.from);
        R.to = static_cast<Encoding>(O.to);
        R.expand_tabs = O.expand_tabs != 0;
        R.tab = O.tab;
        R.tab_stops = O.tab_stops;
        R.keep = Keep;
        return R;
    }
};

// Options made once into a converter, for many texts and any number of threads.
class Converter {
public:
    explicit Converter(const Options& O = {}) {
        const kana_options C = O.c_options();
        kana_error E{};
        Made.reset(kana_converter_new(&C, &E));
        if (!Made) throw Error(E);
    }

    std::string convert(std::string_view Text) const {
        std::string Out;
        std::size_t Size = 0;
        kana_error E{};
        // Most texts fit in a buffer a little larger than themselves; the rest are
        // measured first.
        Out.resize(Text.size() + Text.size() / 2 + 16);
        std::int32_t Code = kana_converter_convert(Made.get(), Text.data(), Text.size(), Out.data(),
                                                   Out.size(), &Size, &E);
        if (Code == KANA_E_BUFFER) {
            Out.resize(Size);
            Code = kana_converter_convert(Made.get(), Text.data(), Text.size(), Out.data(),
                                          Out.size(), &Size, &E);
        }
        if (Code != KANA_OK) throw Error(E);
        Out.resize(Size);
        return Out;
    }
    std::string operator()(std::string_view Text) const { return convert(Text); }

private:
    struct Free {
        void operator()(kana_converter* C) const { kana_converter_free(C); }
    };
    std::unique_ptr<kana_converter, Free> Made;
};

// Text converted under the options.
inline std::string convert(std::string_view Text, const Options& O = {}) {
    return Converter(O).convert(Text);
}

// How a text is judged, as kanaconv judges its input.
inline kana_judgment judge(std::string_view Text) {
    kana_judgment J{};
    kana_error E{};
    E.code = kana_judge(Text.data(), Text.size(), &J);
    if (E.code != KANA_OK) throw Error(E);
    return J;
}

} // namespace kana

#endif // KANA_HPP
