// Shift-JIS text on a terminal, against iconv itself: every character of code page 932 in
// the character sets of the locales that show it, and in one that cannot.
#include "TerminalText.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

// The character C (Shift-JIS) in Set by iconv alone; empty when Set lacks it.
std::string Direct(const std::string& C, const char* Set) {
    const iconv_t Cd = ::iconv_open(Set, "CP932");
    char Out[16];
    char *Src = const_cast<char*>(C.data()), *Dst = Out;
    std::size_t SrcLeft = C.size(), DstLeft = sizeof Out;
    const bool Done = ::iconv(Cd, &Src, &SrcLeft, &Dst, &DstLeft) != std::size_t(-1) &&
                      ::iconv(Cd, nullptr, nullptr, &Dst, &DstLeft) != std::size_t(-1);
    ::iconv_close(Cd);
    return Done ? std::string(Out, Dst) : std::string();
}

TEST(TerminalText, EachCharacterAsIconvShowsItOrAsOneQuestionMark) {
    for (const char* Set : {"UTF-8", "SHIFT_JIS", "EUC-JP", "ANSI_X3.4-1968"}) {
        SCOPED_TRACE(Set);
        int Missing = 0;
        for (int Lead = 0x81; Lead <= 0xFC; ++Lead) {
            if (Lead == 0xA0) Lead = 0xE0;
            for (int Trail = 0x40; Trail <= 0xFC; ++Trail) {
                const std::string C{char(Lead), char(Trail)};
                const std::string Shown = Direct(C, Set);
                if (Trail == 0x7F || (Shown.empty() && Direct(C, "UTF-8").empty()))
                    continue; // no character in code page 932
                // Between ASCII letters, so that a stray byte of it (0x48 of ？ as "H")
                // shows; a character missing from Set is one "?" and nothing else.
                bool Lossless = false;
                const std::string Out = SjisToTerminal("A" + C + "Z", Set, &Lossless);
                ASSERT_EQ(Out, "A" + (Shown.empty() ? "?" : Shown) + "Z")
                    << std::hex << Lead << " " << Trail;
                EXPECT_EQ(Lossless, !Shown.empty());
                Missing += Shown.empty();
            }
        }
        // ASCII lacks them all, the Japanese sets some (NEC and IBM extensions), UTF-8 none.
        EXPECT_EQ(Missing > 0, std::string_view(Set) != "UTF-8");
    }
}

TEST(TerminalText, ABytePairThatIsNoCharacterLosesOnlyItsLeadByte) {
    bool Lossless = true;
    // A lead byte before a line end, and one that ends the text: the rest stays.
    EXPECT_EQ(SjisToTerminal("\x82\r\nA\x81", "UTF-8", &Lossless), "?\nA?");
    EXPECT_FALSE(Lossless);
    EXPECT_EQ(SjisToTerminal("\x82\xA9\r\r\n", "UTF-8", &Lossless), "か\r\n");
    EXPECT_TRUE(Lossless);
}

} // namespace
