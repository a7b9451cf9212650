// Realistic Japanese text in Shift-JIS for the benchmarks: phrases that mix kanji,
// hiragana, full-width katakana, half-width katakana with voiced and semi-voiced marks,
// ASCII words and numbers, full-width letters, digits and symbols, and the odd tab; and a
// text that is mostly half-width. The phrases are written here as Shift-JIS bytes; the
// same seed gives the same text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* SamplePhrases[] = {
    "\x8D\xA1\x93\xFA\x82\xCD",                                         // 今日は
    "\x93\x8C\x8B\x9E\x93\x73\x90\xE7\x91\xE3\x93\x63\x8B\xE6",         // 東京都千代田区
    "\x82\xCC\x89\xEF\x8B\x63\x82\xC5",                                 // の会議で
    "\x90\x56\x82\xB5\x82\xA2\x83\x56\x83\x58\x83\x65\x83\x80",         // 新しいシステム
    "\x82\xC9\x82\xC2\x82\xA2\x82\xC4",                                 // について
    "\x98\x62\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42",                 // 話しました。
    "\xBA\xDD\xCB\xDF\xAD\xB0\xC0\xB0",                                 // ｺﾝﾋﾟｭｰﾀｰ
    "\xC3\xDE\xB0\xC0\xCD\xDE\xB0\xBD",                                 // ﾃﾞｰﾀﾍﾞｰｽ
    "\xCA\xDF\xBD\xDC\xB0\xC4\xDE",                                     // ﾊﾟｽﾜｰﾄﾞ
    "\x83\x4B\x83\x43\x83\x68\x83\x89\x83\x43\x83\x93",                 // ガイドライン
    "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80",                         // プログラム
    "\x82\x60\x82\x61\x82\x62\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0",         // ＡＢＣ株式会社
    "\x82\x51\x82\x4F\x82\x51\x82\x55\x94\x4E\x82\x50\x82\x51\x8C\x8E", // ２０２６年１２月
    "\x81\x69\x97\x5C\x92\xE8\x81\x6A",                                 // （予定）
    "\x81\x75\x8A\x6D\x94\x46\x81\x76",                                 // 「確認」
    "version 2.1",
    "ID: 48213",
    "Hello, world",
    "\t",
    "\x81\x41",                                         // 、
    "\x82\xC5\x82\xB7\x82\xAA\x81\x41",                 // ですが、
    "\x83\x94\x83\x40\x83\x43\x83\x49\x83\x8A\x83\x93", // ヴァイオリン
    "\xB3\xDE\xA7\xB2\xB5\xD8\xDD",                     // ｳﾞｧｲｵﾘﾝ
    "\x82\x9F\x82\xA1\x82\xA3",                         // ぁぃぅ
    "\x81\x97\x81\x94\x81\x93",                         // ＠＃％
    "\xB6\xDE\xB7\xDE\xB8\xDE",                         // ｶﾞｷﾞｸﾞ
};

// Text that is mostly half-width: ASCII words, numbers and symbols, half-width katakana
// with their voicing marks, half-width punctuation, a full-width word now and then.
inline constexpr const char* HalfWidthPhrases[] = {
    "\xBA\xDD\xCB\xDF\xAD\xB0\xC0\xB0 ", // ｺﾝﾋﾟｭｰﾀｰ
    "\xC3\xDE\xB0\xC0\xCD\xDE\xB0\xBD",  // ﾃﾞｰﾀﾍﾞｰｽ
    "\xCA\xDF\xBD\xDC\xB0\xC4\xDE: ",    // ﾊﾟｽﾜｰﾄﾞ:
    "\xB3\xDE\xA7\xB2\xB5\xD8\xDD",      // ｳﾞｧｲｵﾘﾝ
    "\xB6\xDE\xB7\xDE\xB8\xDE",          // ｶﾞｷﾞｸﾞ
    "\xBB\xB0\xCA\xDE\xB0 ",             // ｻｰﾊﾞｰ
    "\xCC\xA7\xB2\xD9\xA4",              // ﾌｧｲﾙ､
    "\xB7\xAC\xAF\xBC\xAD\xA1",          // ｷｬｯｼｭ｡
    "\xA2\xC3\xBD\xC4\xA3",              // ｢ﾃｽﾄ｣
    "version 2.1 ",
    "ID: 48213, ",
    "Hello, world! ",
    "(max=100%) ",
    "user@example.jp ",
    "\x83\x65\x83\x58\x83\x67", // テスト
    "\x93\xFA\x96\x7B",         // 日本
    "\t",
};

// Lines of at least MinBytes bytes each, without line ends, built from Phrases.
template <std::size_t N>
std::vector<std::string> PhraseLines(const char* const (&Phrases)[N], std::size_t Count,
                                     std::size_t MinBytes) {
    std::uint32_t Seed = 2026;
    const auto Next = [&Seed] { return Seed = Seed * 1664525u + 1013904223u; };
    std::vector<std::string> Lines;
    Lines.reserve(Count);
    for (std::size_t I = 0; I < Count; ++I) {
        std::string Line;
        while (Line.size() < MinBytes) Line += Phrases[(Next() >> 16) % N];
        Lines.push_back(std::move(Line));
    }
    return Lines;
}

// The mixed Japanese text of the benchmarks.
inline std::vector<std::string> SampleLines(std::size_t Count, std::size_t MinBytes) {
    return PhraseLines(SamplePhrases, Count, MinBytes);
}

// The half-width-heavy text of the benchmarks.
inline std::vector<std::string> HalfWidthLines(std::size_t Count, std::size_t MinBytes) {
    return PhraseLines(HalfWidthPhrases, Count, MinBytes);
}
