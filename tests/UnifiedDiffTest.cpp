// kanaconv --diff's unified diffs against diff -u itself, on random files of lines: hunks,
// context and the last line without its LF, byte for byte where the shortest edit script
// is unique; shortest and applicable where it is not.
#include "UnifiedDiff.h"
#include "Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>

namespace {

// Standard output of a shell command.
std::string Output(const std::string& Command) {
    std::string Out;
    FILE* Pipe = popen(Command.c_str(), "r");
    if (!Pipe) throw std::runtime_error("cannot run " + Command);
    char Buffer[4096];
    for (std::size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;)
        Out.append(Buffer, N);
    pclose(Pipe);
    return Out;
}

// The text after the first two lines: a diff without its headers.
std::string Hunks(const std::string& Diff) {
    std::size_t At = 0;
    for (int Line = 0; Line < 2 && At != std::string::npos; ++Line) {
        At = Diff.find('\n', At);
        if (At != std::string::npos) ++At;
    }
    return At == std::string::npos ? std::string() : Diff.substr(At);
}

// What diff -U Context writes for the two texts, without its headers.
std::string DiffU(const TempDir& Dir, const std::string& Old, const std::string& New,
                  std::size_t Context, const char* Flags = "") {
    WriteAll(Dir / "old", Old);
    WriteAll(Dir / "new", New);
    return Hunks(Output("LC_ALL=C diff " + std::string(Flags) + " -U " + std::to_string(Context) +
                        " '" + (Dir / "old") + "' '" + (Dir / "new") + "'"));
}

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> L;
    for (std::size_t At = 0; At < Text.size();) {
        const std::size_t End = std::min(Text.find('\n', At), Text.size() - 1);
        L.push_back(Text.substr(At, End + 1 - At));
        At = End + 1;
    }
    return L;
}

// Old with the hunks of Diff applied, each checked against Old and its header; the
// failure says where a hunk does not fit.
std::string Apply(const std::string& Old, const std::string& Diff) {
    const std::vector<std::string> From = Lines(Old);
    std::vector<std::string> Body;
    for (std::string L : Lines(Hunks(Diff))) {
        if (L.ends_with('\n')) L.pop_back();
        Body.push_back(L);
    }
    std::string To;
    std::size_t Next = 0; // the next line of Old to take
    for (std::size_t B = 0; B < Body.size();) {
        long OldStart = 0, OldCount = 1, NewStart = 0, NewCount = 1;
        char Comma;
        std::istringstream Header(Body[B].substr(4));
        Header >> OldStart;
        if (Header.peek() == ',') Header >> Comma >> OldCount;
        Header.ignore(2);
        Header >> NewStart;
        if (Header.peek() == ',') Header >> Comma >> NewCount;
        if (!Body[B].starts_with("@@ -") || !Header)
            throw std::runtime_error("bad header " + Body[B]);
        const std::size_t First = static_cast<std::size_t>(OldCount == 0 ? OldStart : OldStart - 1);
        if (First < Next || First > From.size()) throw std::runtime_error("hunk out of order");
        while (Next < First) To += From[Next++];
        long Removed = 0, Added = 0, Kept = 0;
        for (++B; B < Body.size() && !Body[B].starts_with("@@"); ++B) {
            const bool Ended =
                !(B + 1 < Body.size() && Body[B + 1] == "\\ No newline at end of file");
            const std::string Text = Body[B].substr(1) + (Ended ? "\n" : "");
            if (Body[B][0] == '+') {
                To += Text, ++Added;
            } else {
                if (Next >= From.size() || From[Next] != Text)
                    throw std::runtime_error("line " + std::to_string(Next + 1) +
                                             " does not match");
                ++Next;
                if (Body[B][0] == ' ')
                    To += Text, ++Kept;
                else if (Body[B][0] == '-')
                    ++Removed;
                else
                    throw std::runtime_error("bad line " + Body[B]);
            }
            if (!Ended) ++B;
        }
        if (Removed + Kept != OldCount || Added + Kept != NewCount)
            throw std::runtime_error("header counts differ from the hunk");
    }
    while (Next < From.size()) To += From[Next++];
    return To;
}

// The lines removed and added by the hunks of a diff.
long Changes(const std::string& HunkLines) {
    long N = 0;
    for (const std::string& L : Lines(HunkLines)) N += L[0] == '-' || L[0] == '+';
    return N;
}

// A text of Lines lines, the last without its LF when Open.
std::string Text(const std::vector<std::string>& Lines, bool Open) {
    std::string T;
    for (const std::string& L : Lines) T += L + "\n";
    if (Open && !T.empty()) T.pop_back();
    return T;
}

TEST(KanaconvDiff, SameHunksAsDiffWhereTheScriptIsUnique) {
    TempDir Dir;
    std::mt19937 Random(7);
    for (int Round = 0; Round < 200; ++Round) {
        // Lines of their own: the old ones kept in order are the one longest common part.
        std::vector<std::string> Old, New;
        const int N = static_cast<int>(Random() % 40);
        for (int I = 0; I < N; ++I) Old.push_back("old " + std::to_string(I));
        int Fresh = 0;
        const auto Edit = Random() % 6 + 1; // one line in Edit changes, on average
        for (const std::string& L : Old) {
            switch (Random() % (2 * Edit)) {
            case 0: break;                                                            // removed
            case 1: New.push_back("new " + std::to_string(Fresh++)); break;           // replaced
            case 2: New.push_back("new " + std::to_string(Fresh++)); [[fallthrough]]; // inserted
            default: New.push_back(L);
            }
        }
        if (Random() % 4 == 0) New.push_back("new " + std::to_string(Fresh++));
        const std::string A = Text(Old, Random() % 4 == 0), B = Text(New, Random() % 4 == 0);
        const std::size_t Context = std::vector<std::size_t>{0, 1, 3, 3, 3}[Random() % 5];
        const std::string Ours = UnifiedDiff(A, B, "a", "a", {}, {}, Context);
        ASSERT_EQ(Hunks(Ours), DiffU(Dir, A, B, Context)) << "round " << Round << "\n"
                                                          << A << "\n--\n"
                                                          << B;
        EXPECT_TRUE(Ours.empty() || Ours.starts_with("--- a\n+++ a\n@@ -"));
    }
}

TEST(KanaconvDiff, ShortestAndApplicableOnRepetitiveLines) {
    TempDir Dir;
    std::mt19937 Random(11);
    const std::vector<std::string> Alphabet = {"a", "b", "c", "", "a\r"};
    const auto Lines = [&](int N) {
        std::vector<std::string> L;
        for (int I = 0; I < N; ++I) L.push_back(Alphabet[Random() % Alphabet.size()]);
        return L;
    };
    for (int Round = 0; Round < 250; ++Round) {
        const std::string A = Text(Lines(static_cast<int>(Random() % 30)), Random() % 3 == 0);
        const std::string B = Text(Lines(static_cast<int>(Random() % 30)), Random() % 3 == 0);
        const std::string Ours = UnifiedDiff(A, B, "x", "x");
        ASSERT_EQ(Ours.empty(), A == B);
        EXPECT_EQ(Apply(A, Ours), B) << "round " << Round;
        EXPECT_EQ(Changes(Hunks(Ours)), Changes(DiffU(Dir, A, B, 3, "--minimal")))
            << "round " << Round << "\n"
            << Ours;
        // Settling early for a longer script still gives a diff that applies.
        EXPECT_EQ(Apply(A, UnifiedDiff(A, B, "x", "x", {}, {}, 3, 1)), B) << "round " << Round;
    }
}

// Lines are shown through the functions given, the LF and the marks outside them.
TEST(KanaconvDiff, LinesAreShownAsAsked) {
    const auto Upper = [](std::string_view L) {
        std::string U(L);
        for (char& C : U) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
        return "<" + U + ">";
    };
    EXPECT_EQ(UnifiedDiff("a\nb\n", "a\nc", "f", "g", Upper, {}),
              "--- f\n+++ g\n@@ -1,2 +1,2 @@\n <A>\n-<B>\n+c\n\\ No newline at end of file\n");
    EXPECT_EQ(UnifiedDiff("", "x\n", "-", "-"), "--- -\n+++ -\n@@ -0,0 +1 @@\n+x\n");
}

} // namespace
