// The names of the encodings that kanaconv, the string API and the modules over it take:
// the usual ones in any ASCII letter case, and nothing merely near one.
#include "EncodingNames.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace {

const std::map<std::string, TEncoding> Usual = {
    {"utf-8", TEncoding::Utf8},       {"utf8", TEncoding::Utf8},      {"sjis", TEncoding::Sjis},
    {"shift_jis", TEncoding::Sjis},   {"shift-jis", TEncoding::Sjis}, {"cp932", TEncoding::Sjis},
    {"windows-31j", TEncoding::Sjis}, {"ms932", TEncoding::Sjis},
};

TEST(TextEncodingNames, TheUsualNamesInAnyLetterCase) {
    // The list, the name each encoding is mostly known by first.
    std::map<std::string, TEncoding> Listed;
    for (const TEncodingName& N : EncodingNames()) Listed.emplace(N.Name, N.Encoding);
    EXPECT_EQ(Listed, Usual);
    EXPECT_EQ(EncodingNames().front().Name, "utf-8");
    std::mt19937 Random(5);
    for (const auto& [Name, Encoding] : Usual) {
        for (int Round = 0; Round < 16; ++Round) {
            std::string Mixed = Name;
            for (char& C : Mixed)
                if (Random() % 2)
                    C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
            EXPECT_EQ(EncodingNamed(Mixed), Encoding) << Mixed;
        }
    }
}

TEST(TextEncodingNames, NothingNearAName) {
    std::mt19937 Random(9);
    const std::string Letters = "-_ 0123456789abcdefghijklmnopqrstuvwxyzJ\xC5\xBF\xFF";
    const auto Taken = [](const std::string& Name) {
        std::string Lower = Name;
        for (char& C : Lower) C = static_cast<char>(C >= 'A' && C <= 'Z' ? C + 32 : C);
        return Usual.count(Lower) > 0;
    };
    for (const auto& [Name, Encoding] : Usual) {
        for (int Round = 0; Round < 200; ++Round) {
            // One byte removed, added or replaced; a name that is itself listed is fine.
            std::string Near = Name;
            const std::size_t At = Random() % (Name.size() + 1);
            const char C = Letters[Random() % Letters.size()];
            switch (Random() % 3) {
            case 0: Near.erase(std::min(At, Near.size() - 1), 1); break;
            case 1: Near.insert(At, 1, C); break;
            default: Near[std::min(At, Near.size() - 1)] = C;
            }
            EXPECT_TRUE(Taken(Near) || !EncodingNamed(Near)) << Near;
        }
    }
    // Letter case folds in ASCII only: the long s (U+017F) is no s. kanaconv's own auto
    // and same are no names of an encoding.
    for (const std::string& Name :
         {std::string(), std::string("\xC5\xBFjis"), std::string("utf-8\0", 6), std::string("auto"),
          std::string("same"), std::string("shift_jis\n")})
        EXPECT_EQ(EncodingNamed(Name), std::nullopt) << Name;
}

} // namespace
