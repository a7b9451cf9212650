// Hiragana <-> full-width katakana.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

namespace {

const THanZen H(nullptr);

// Each hiragana maps to the katakana 0x60 code points above it in Unicode, one to one;
// every other pair and every single byte is left alone.
TEST(HiraKata, BlocksMapOneToOne) {
    int Hira = 0, Kata = 0;
    for (int Lead = 0; Lead < 256; ++Lead)
        for (int Trail = 0; Trail < 256; ++Trail) {
            const std::string P = Pair(Lead, Trail);
            const std::string K = H.HiraToKata(P), R = H.KataToHira(P);
            if (K != P) {
                ++Hira;
                EXPECT_EQ(CodePoint(K), CodePoint(P) + 0x60) << Hex(P);
                EXPECT_EQ(H.KataToHira(K), P) << Hex(P);
            }
            if (R != P) {
                ++Kata;
                EXPECT_EQ(CodePoint(R), CodePoint(P) - 0x60) << Hex(P);
                EXPECT_EQ(H.HiraToKata(R), P) << Hex(P);
            }
        }
    EXPECT_EQ(Hira, 83);
    EXPECT_EQ(Kata, 83);
}

} // namespace
