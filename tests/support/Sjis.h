// Test support: Shift-JIS text through an encoder independent of the converter's own
// tables (the C library's iconv; the system's code page 932 on Windows), and byte helpers
// for readable failure messages.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#ifdef _WIN32

// Under Windows the system's own code page 932 tables serve as the independent encoder.
inline std::wstring Widen(std::string_view In, unsigned CodePage) {
    if (In.empty()) return {};
    const int N = MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, In.data(),
                                      static_cast<int>(In.size()), nullptr, 0);
    if (N <= 0) throw std::runtime_error("input does not decode");
    std::wstring W(static_cast<std::size_t>(N), L'\0');
    MultiByteToWideChar(CodePage, MB_ERR_INVALID_CHARS, In.data(), static_cast<int>(In.size()),
                        W.data(), N);
    return W;
}

inline std::string Sjis(std::string_view Utf8) {
    const std::wstring W = Widen(Utf8, CP_UTF8);
    if (W.empty()) return {};
    BOOL Lost = FALSE;
    const int N = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, W.data(),
                                      static_cast<int>(W.size()), nullptr, 0, nullptr, &Lost);
    std::string Out(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, W.data(), static_cast<int>(W.size()), Out.data(),
                        N, nullptr, &Lost);
    if (Lost) throw std::runtime_error("text has no code page 932 form");
    return Out;
}

// UTF-8 text of Shift-JIS bytes.
inline std::string Utf8(std::string_view Cp932) {
    const std::wstring W = Widen(Cp932, 932);
    if (W.empty()) return {};
    const int N = WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string Out(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), Out.data(), N, nullptr,
                        nullptr);
    return Out;
}

// The code point of Shift-JIS bytes that hold exactly one character; -1 otherwise (every
// code page 932 character is in the BMP).
inline long CodePoint(std::string_view Cp932) {
    try {
        const std::wstring W = Widen(Cp932, 932);
        return W.size() == 1 ? static_cast<long>(W[0]) : -1;
    } catch (const std::runtime_error&) {
        return -1;
    }
}

#else

// In's bytes from the encoding From into To, through one descriptor per direction that
// stays open for the life of the test program.
inline std::string Recode(std::string_view In, const char* From, const char* To) {
    using Descriptor = std::unique_ptr<std::remove_pointer_t<iconv_t>, int (*)(iconv_t)>;
    static std::map<std::string, Descriptor> Open;
    const std::string Key = std::string(From) + " to " + To;
    if (!Open.count(Key)) {
        const iconv_t Cd = iconv_open(To, From);
        if (Cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert " + Key);
        Open.emplace(Key, Descriptor(Cd, iconv_close));
    }
    iconv_t Cd = Open.at(Key).get();
    iconv(Cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
    std::string Out(In.size() * 4 + 8, '\0');
    char* InP = const_cast<char*>(In.data());
    char* OutP = Out.data();
    std::size_t InLeft = In.size(), OutLeft = Out.size();
    if (iconv(Cd, &InP, &InLeft, &OutP, &OutLeft) == static_cast<std::size_t>(-1))
        throw std::runtime_error("iconv: input does not convert");
    Out.resize(Out.size() - OutLeft);
    return Out;
}

// Shift-JIS (code page 932) bytes of UTF-8 text.
inline std::string Sjis(std::string_view Utf8) {
    return Recode(Utf8, "UTF-8", "CP932");
}

// UTF-8 text of Shift-JIS bytes.
inline std::string Utf8(std::string_view Cp932) {
    return Recode(Cp932, "CP932", "UTF-8");
}

// The code point of Shift-JIS bytes that hold exactly one character; -1 otherwise (every
// code page 932 character is in the BMP).
inline long CodePoint(std::string_view Cp932) {
    try {
        const std::string U = Recode(Cp932, "CP932", "UTF-16LE");
        return U.size() == 2
                   ? static_cast<std::uint8_t>(U[1]) << 8 | static_cast<std::uint8_t>(U[0])
                   : -1;
    } catch (const std::runtime_error&) {
        return -1;
    }
}

#endif

inline std::string Bytes(std::initializer_list<int> Values) {
    std::string S;
    for (int V : Values) S.push_back(static_cast<char>(V));
    return S;
}

inline std::string Hex(std::string_view S) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string H;
    for (unsigned char C : S) {
        if (!H.empty()) H += ' ';
        H += Digits[C >> 4];
        H += Digits[C & 15];
    }
    return H;
}

// "ア"_sjis: the Shift-JIS bytes of UTF-8 text, as Sjis gives them.
inline std::string operator""_sjis(const char* Utf8, std::size_t Size) {
    return Sjis(std::string_view(Utf8, Size));
}
