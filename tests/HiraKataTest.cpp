// Hiragana <-> full-width katakana.
#include "HanZen.h"
#include "Sjis.h"

#include <gtest/gtest.h>

namespace {

const THanZen H(nullptr);

// Each hiragana maps to the katakana 0x60 code points above it in Unicode, one to one;
// every other pair and every single byte is left alone.
TEST(HiraKata, BlocksMapOneToOne) {
    int Changed[2] = {}; // hiragana, katakana
    for (int Lead = 0; Lead < 256; ++Lead)
        for (int Trail = 0; Trail < 256; ++Trail) {
            const std::string P = Bytes({Lead, Trail});
            for (const int Step : {0x60, -0x60}) {
                const std::string Q = Step > 0 ? H.HiraToKata(P) : H.KataToHira(P);
                if (Q == P) continue;
                ++Changed[Step < 0];
                EXPECT_EQ(CodePoint(Q), CodePoint(P) + Step) << Hex(P);
                EXPECT_EQ(Step > 0 ? H.KataToHira(Q) : H.HiraToKata(Q), P) << Hex(P);
            }
        }
    EXPECT_EQ(Changed[0], 83);
    EXPECT_EQ(Changed[1], 83);
}

} // namespace
