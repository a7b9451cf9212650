#include "UnifiedDiff.h"

#include <algorithm>
#include <unordered_map>

namespace {

// The search for a shortest edit script between two sequences of line numbers, A and B,
// as in Myers's "An O(ND) difference algorithm and its variations": the middle snake of
// each part, found from both ends, splits it in two, so memory stays linear.
class TMyers {
public:
    TMyers(const std::vector<int>& A, const std::vector<int>& B, long CostLimit)
        : FA(A), FB(B), FCostLimit(std::max(CostLimit, 1L)), FRemoved(A.size()), FAdded(B.size()) {
        const long Most = (static_cast<long>(A.size() + B.size()) + 1) / 2 + 2;
        FForward.resize(static_cast<std::size_t>(2 * Most + 1));
        FBackward.resize(FForward.size());
        FOffset = Most;
    }

    void Compare(long A0, long A1, long B0, long B1) {
        while (A0 < A1 && B0 < B1 && FA[A0] == FB[B0]) ++A0, ++B0;
        while (A0 < A1 && B0 < B1 && FA[A1 - 1] == FB[B1 - 1]) --A1, --B1;
        if (A0 == A1 || B0 == B1) {
            for (long I = A0; I < A1; ++I) FRemoved[I] = true;
            for (long J = B0; J < B1; ++J) FAdded[J] = true;
            return;
        }
        const TSnake S = Middle(A0, A1 - A0, B0, B1 - B0);
        Compare(A0, A0 + S.X0, B0, B0 + S.Y0);
        Compare(A0 + S.X1, A1, B0 + S.Y1, B1);
    }

    std::vector<bool>& Removed() { return FRemoved; }
    std::vector<bool>& Added() { return FAdded; }

private:
    // A run of equal lines from (X0, Y0) to (X1, Y1), relative to the part's start.
    struct TSnake {
        long X0, Y0, X1, Y1;
    };
    static constexpr long Unreached = -1;

    // Forward: the furthest X on diagonal K = X - Y reached from (0, 0) with D edits.
    // Backward: the smallest X on diagonal K reached from (N, M) with D edits.
    long& F(long K) { return FForward[static_cast<std::size_t>(K + FOffset)]; }
    long& Bk(long K, long Delta) {
        return FBackward[static_cast<std::size_t>(K - Delta + FOffset)];
    }

    TSnake Middle(long A0, long N, long B0, long M) {
        const int* Ap = FA.data() + A0;
        const int* Bp = FB.data() + B0;
        const long Delta = N - M;
        const bool Odd = (Delta & 1) != 0;
        const long MaxD = (N + M + 1) / 2;
        // Each step reads the diagonals that the step before wrote, and the two just
        // beyond them, which no path has reached yet.
        F(1) = 0; // as if from (0, -1): the first step lands on (0, 0)
        F(-1) = Unreached;
        Bk(Delta - 1, Delta) = N; // as if from (N, M + 1)
        Bk(Delta + 1, Delta) = Unreached;
        for (long D = 0; D <= MaxD; ++D) {
            if (D > 0) {
                F(-D - 1) = F(D + 1) = Unreached;
                Bk(Delta - D - 1, Delta) = Bk(Delta + D + 1, Delta) = Unreached;
            }
            if (D > FCostLimit) return FurthestForward(D);
            for (long K = -D; K <= D; K += 2) {
                // A step right from diagonal K - 1 or down from K + 1, whichever gets
                // further and stays inside the grid.
                long X = Unreached;
                if (F(K - 1) != Unreached && F(K - 1) + 1 <= N) X = F(K - 1) + 1;
                if (F(K + 1) != Unreached && F(K + 1) - K <= M) X = std::max(X, F(K + 1));
                if (X == Unreached) {
                    F(K) = Unreached;
                    continue;
                }
                long Y = X - K;
                const long X0 = X, Y0 = Y;
                while (X < N && Y < M && Ap[X] == Bp[Y]) ++X, ++Y;
                F(K) = X;
                if (Odd && K >= Delta - (D - 1) && K <= Delta + (D - 1) &&
                    Bk(K, Delta) != Unreached && X >= Bk(K, Delta))
                    return {X0, Y0, X, Y};
            }
            for (long K = Delta - D; K <= Delta + D; K += 2) {
                // A step left from diagonal K + 1 or up from K - 1, whichever gets
                // further back and stays inside the grid.
                long X = Unreached;
                const long Left = Bk(K + 1, Delta), Up = Bk(K - 1, Delta);
                if (Left != Unreached && Left - 1 >= 0) X = Left - 1;
                if (Up != Unreached && Up - K >= 0 && (X == Unreached || Up < X)) X = Up;
                if (X == Unreached) {
                    Bk(K, Delta) = Unreached;
                    continue;
                }
                long Y = X - K;
                const long X1 = X, Y1 = Y;
                while (X > 0 && Y > 0 && Ap[X - 1] == Bp[Y - 1]) --X, --Y;
                Bk(K, Delta) = X;
                if (!Odd && K >= -D && K <= D && F(K) != Unreached && X <= F(K))
                    return {X, Y, X1, Y1};
            }
        }
        return FurthestForward(MaxD); // not reached: the paths meet by MaxD
    }

    // The point furthest from the start that D edits reach, as an empty snake: a split
    // that keeps both parts smaller, at the cost of a script that may not be shortest.
    TSnake FurthestForward(long D) {
        long BestX = 0, BestY = 0;
        for (long K = -(D - 1); K <= D - 1; K += 2) {
            const long X = F(K);
            if (X != Unreached && X + (X - K) > BestX + BestY) BestX = X, BestY = X - K;
        }
        return {BestX, BestY, BestX, BestY};
    }

    const std::vector<int>& FA;
    const std::vector<int>& FB;
    const long FCostLimit;
    std::vector<bool> FRemoved, FAdded;
    std::vector<long> FForward, FBackward;
    long FOffset = 0;
};

struct TGroup {
    std::size_t Old0, Old1, New0, New1; // removed [Old0, Old1), added [New0, New1)
};

std::string Range(std::size_t Start, std::size_t Count) {
    // A range of no lines names the line before it.
    if (Count == 0) return std::to_string(Start) + ",0";
    if (Count == 1) return std::to_string(Start + 1);
    return std::to_string(Start + 1) + "," + std::to_string(Count);
}

} // namespace

std::vector<std::string_view> SplitLines(std::string_view Text) {
    std::vector<std::string_view> Lines;
    while (!Text.empty()) {
        const std::size_t End = Text.find('\n');
        const std::size_t Length = End == std::string_view::npos ? Text.size() : End + 1;
        Lines.push_back(Text.substr(0, Length));
        Text.remove_prefix(Length);
    }
    return Lines;
}

TLineChanges ChangedLines(const std::vector<std::string_view>& Old,
                          const std::vector<std::string_view>& New, long CostLimit) {
    // Every distinct line gets a number, and the count of its uses on each side.
    std::unordered_map<std::string_view, int> Numbers;
    std::vector<std::size_t> InOld, InNew;
    const auto Number = [&](std::string_view Line) {
        const auto [It, Added] = Numbers.try_emplace(Line, static_cast<int>(Numbers.size()));
        if (Added) InOld.push_back(0), InNew.push_back(0);
        return It->second;
    };
    std::vector<int> OldNumbers, NewNumbers;
    for (std::string_view L : Old)
        ++InOld[static_cast<std::size_t>(OldNumbers.emplace_back(Number(L)))];
    for (std::string_view L : New)
        ++InNew[static_cast<std::size_t>(NewNumbers.emplace_back(Number(L)))];

    // A line found on one side only is in no common subsequence: it is changed, and the
    // search runs on the others alone.
    TLineChanges Changes{std::vector<bool>(Old.size(), true), std::vector<bool>(New.size(), true)};
    std::vector<int> A, B;
    std::vector<std::size_t> AAt, BAt;
    for (std::size_t I = 0; I < Old.size(); ++I)
        if (InNew[static_cast<std::size_t>(OldNumbers[I])] > 0)
            A.push_back(OldNumbers[I]), AAt.push_back(I);
    for (std::size_t J = 0; J < New.size(); ++J)
        if (InOld[static_cast<std::size_t>(NewNumbers[J])] > 0)
            B.push_back(NewNumbers[J]), BAt.push_back(J);
    TMyers Search(A, B, CostLimit);
    Search.Compare(0, static_cast<long>(A.size()), 0, static_cast<long>(B.size()));
    for (std::size_t I = 0; I < A.size(); ++I) Changes.Removed[AAt[I]] = Search.Removed()[I];
    for (std::size_t J = 0; J < B.size(); ++J) Changes.Added[BAt[J]] = Search.Added()[J];
    return Changes;
}

std::string UnifiedDiff(std::string_view Old, std::string_view New, std::string_view OldName,
                        std::string_view NewName, const TShowLine& ShowOld,
                        const TShowLine& ShowNew, std::size_t Context, long CostLimit) {
    if (Old == New) return {};
    const std::vector<std::string_view> OldLines = SplitLines(Old), NewLines = SplitLines(New);
    const TLineChanges C = ChangedLines(OldLines, NewLines, CostLimit);

    // The runs of changes; between two runs the lines are equal, one for one.
    std::vector<TGroup> Groups;
    for (std::size_t I = 0, J = 0; I < OldLines.size() || J < NewLines.size();) {
        const std::size_t I0 = I, J0 = J;
        while (I < OldLines.size() && C.Removed[I]) ++I;
        while (J < NewLines.size() && C.Added[J]) ++J;
        if (I != I0 || J != J0)
            Groups.push_back({I0, I, J0, J});
        else
            ++I, ++J;
    }

    std::string Out = "--- " + std::string(OldName) + "\n+++ " + std::string(NewName) + "\n";
    const auto Put = [&Out](char Mark, std::string_view Line, const TShowLine& Show) {
        const bool Ended = Line.ends_with('\n');
        if (Ended) Line.remove_suffix(1);
        Out += Mark;
        Out += Show ? Show(Line) : std::string(Line);
        Out += Ended ? "\n" : "\n\\ No newline at end of file\n";
    };
    for (std::size_t G = 0; G < Groups.size();) {
        // One hunk: the groups no more than twice Context lines apart, in their context.
        std::size_t Last = G;
        while (Last + 1 < Groups.size() && Groups[Last + 1].Old0 - Groups[Last].Old1 <= 2 * Context)
            ++Last;
        const std::size_t Before = std::min(Context, Groups[G].Old0);
        const std::size_t After = std::min(Context, OldLines.size() - Groups[Last].Old1);
        const std::size_t Old0 = Groups[G].Old0 - Before, New0 = Groups[G].New0 - Before;
        const std::size_t Old1 = Groups[Last].Old1 + After, New1 = Groups[Last].New1 + After;
        Out += "@@ -" + Range(Old0, Old1 - Old0) + " +" + Range(New0, New1 - New0) + " @@\n";
        std::size_t I = Old0;
        for (std::size_t H = G; H <= Last; ++H) {
            for (; I < Groups[H].Old0; ++I) Put(' ', OldLines[I], ShowOld);
            for (; I < Groups[H].Old1; ++I) Put('-', OldLines[I], ShowOld);
            for (std::size_t J = Groups[H].New0; J < Groups[H].New1; ++J)
                Put('+', NewLines[J], ShowNew);
        }
        for (; I < Old1; ++I) Put(' ', OldLines[I], ShowOld);
        G = Last + 1;
    }
    return Out;
}
