// The encoding judge on whole real texts: every Japanese man page of manpages-ja (UTF-8, and
// converted to Shift-JIS where iconv can) and the edict dictionary (EUC-JP, converted to
// both), at every level. Skipped where the packages are not installed.
#include "Detect.h"
#include "EngineLevels.h"
#include "Sjis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

using namespace kana::detail;

namespace {

namespace fs = std::filesystem;

const fs::path ManPages = "/usr/share/man/ja", Edict = "/usr/share/edict/edict";

std::string ReadFile(const fs::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

std::string Gunzipped(const fs::path& Path) {
    const std::string Command = "gzip -dc '" + Path.string() + "'";
    const std::unique_ptr<FILE, int (*)(FILE*)> Pipe(popen(Command.c_str(), "r"), pclose);
    std::string Text;
    char Buffer[65536];
    for (std::size_t N; Pipe && (N = std::fread(Buffer, 1, sizeof Buffer, Pipe.get())) > 0;)
        Text.append(Buffer, N);
    return Text;
}

bool HasNonAscii(std::string_view Text) {
    return std::any_of(Text.begin(), Text.end(), [](char C) { return C & 0x80; });
}

// The judgement at every level is the reference's, and its verdict is Want (ASCII for a
// text without a byte above 0x7F). Returns the margin by which Want won (none for ASCII).
std::int64_t ExpectJudged(std::string_view Text, TJudgedEncoding Want, const std::string& What) {
    const TJudgedEncoding Expected = HasNonAscii(Text) ? Want : TJudgedEncoding::Ascii;
    TEncodingJudge Reference(TEngineLevel::Scalar);
    Reference.See(Text);
    Reference.Finish();
    EXPECT_EQ(Reference.Encoding(), Expected) << What;
    for (const TEngineLevel Level : EngineLevelsAvailable()) {
        TEncodingJudge J(Level);
        J.See(Text);
        J.Finish();
        EXPECT_EQ(J.Judgement(), Reference.Judgement()) << What << ", " << EngineLevelName(Level);
    }
    const TEvidence& E = Reference.Evidence();
    if (!E.NonAscii) return INT64_MAX;
    const std::int64_t Margin = E.Utf8Score() - E.SjisScore();
    return Want == TJudgedEncoding::Utf8 ? Margin : -Margin;
}

TEST(DetectCorpus, JapaneseManPagesInUtf8AndShiftJis) {
    if (!fs::is_directory(ManPages)) GTEST_SKIP() << "manpages-ja is not installed";
    int Pages = 0, InSjis = 0;
    std::int64_t Least8 = INT64_MAX, LeastSjis = INT64_MAX;
    for (const auto& Entry : fs::recursive_directory_iterator(ManPages)) {
        if (!Entry.is_regular_file() || Entry.path().extension() != ".gz") continue;
        const std::string Page = Gunzipped(Entry.path());
        ASSERT_FALSE(Page.empty()) << Entry.path();
        ++Pages;
        Least8 = std::min(Least8, ExpectJudged(Page, TJudgedEncoding::Utf8, Entry.path()));
        std::string Converted;
        try {
            Converted = Sjis(Page);
        } catch (const std::runtime_error&) {
            continue; // a character code page 932 does not have
        }
        ++InSjis;
        LeastSjis = std::min(LeastSjis, ExpectJudged(Converted, TJudgedEncoding::Sjis,
                                                     Entry.path().string() + " in Shift-JIS"));
        if (HasFailure()) return;
    }
    EXPECT_GT(Pages, 1000);
    EXPECT_GT(InSjis, 900);
    std::printf("%d pages in UTF-8, the smallest margin %lld; %d in Shift-JIS, the smallest "
                "margin %lld\n",
                Pages, static_cast<long long>(Least8), InSjis, static_cast<long long>(LeastSjis));
}

TEST(DetectCorpus, DictionaryInUtf8AndShiftJis) {
    if (!fs::is_regular_file(Edict)) GTEST_SKIP() << "edict is not installed";
    const std::string EucJp = ReadFile(Edict);
    ASSERT_GT(EucJp.size(), 1000000u);
    const std::string Utf8Text = Recode(EucJp, "EUC-JP", "UTF-8");
    // Line by line, leaving out the lines with a character code page 932 does not have.
    std::string SjisText;
    std::size_t Left = 0;
    std::istringstream Lines(Utf8Text);
    for (std::string Line; std::getline(Lines, Line);) {
        try {
            SjisText += Sjis(Line) + '\n';
        } catch (const std::runtime_error&) {
            ++Left;
        }
    }
    EXPECT_LT(Left, 100u);
    ExpectJudged(Utf8Text, TJudgedEncoding::Utf8, "edict in UTF-8");
    ExpectJudged(SjisText, TJudgedEncoding::Sjis, "edict in Shift-JIS");
    // Its first lines alone, as a short file would be.
    for (const std::size_t Size : {200, 4000, 65536}) {
        ExpectJudged(Utf8Text.substr(0, Utf8Text.find('\n', Size) + 1), TJudgedEncoding::Utf8,
                     "the start of edict in UTF-8");
        ExpectJudged(SjisText.substr(0, SjisText.find('\n', Size) + 1), TJudgedEncoding::Sjis,
                     "the start of edict in Shift-JIS");
    }
}

} // namespace
