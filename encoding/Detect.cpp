// The encoding judge: the text fed to the reference or to a vector level, the one the
// engine uses unless a level is asked for.
#include "Detect.h"
#include "EngineLevels.h"
#include "JudgeSteps.h"

#include <algorithm>
#include <stdexcept>

using namespace kana::detail;

namespace {

using judge::detail::TState;
using TSteps = void (*)(TState&, const std::uint8_t*, std::size_t);

TSteps StepsAt(TEngineLevel Level) {
    const std::vector<TEngineLevel> Levels = EngineLevelsAvailable();
    if (std::find(Levels.begin(), Levels.end(), Level) == Levels.end())
        throw std::invalid_argument("engine level not available on this machine");
    switch (Level) {
#if defined(KANA_X86_KERNELS)
    case TEngineLevel::Sse42: return x86::JudgeSse42;
    case TEngineLevel::Avx2: return x86::JudgeAvx2;
    case TEngineLevel::Avx512: return x86::JudgeAvx512;
#endif
    default: return judge::detail::StepsReference;
    }
}

std::int64_t Weighted(std::uint64_t Count, int Weight) {
    return static_cast<std::int64_t>(Count) * Weight;
}

} // namespace

std::int64_t TEvidence::Utf8Score() const {
    return Weighted(Utf8ThreeByte, judge::ThreeByte) + Weighted(Utf8FourByte, judge::FourByte) +
           Weighted(Utf8InWord, judge::TwoByteInWord) + Weighted(Utf8Alone, judge::TwoByteAlone) +
           Weighted(Utf8TwoByte, judge::TwoByteOther) + Weighted(Utf8Invalid, judge::Utf8Invalid);
}

std::int64_t TEvidence::SjisScore() const {
    return Weighted(SjisCommon, judge::SjisCommon) + Weighted(SjisRare, judge::SjisRare) +
           Weighted(SjisUnassigned, judge::SjisUnassigned) +
           Weighted(SjisHalfWidth, judge::SjisHalfWidth) +
           Weighted(SjisInvalid, judge::SjisInvalid);
}

TJudgedEncoding TEvidence::Encoding() const {
    return judge::detail::VerdictOf(NonAscii, ByteOrderMark, Utf8Score() - SjisScore());
}

TEncodingJudge::TEncodingJudge() : TEncodingJudge(EngineLevel()) {}

TEncodingJudge::TEncodingJudge(TEngineLevel Level) : FSteps(StepsAt(Level)) {}

void TEncodingJudge::See(std::string_view Block) {
    if (FFinished) throw std::logic_error("the text was judged to its end already");
    // The byte-order mark is known before the kernels reach its last byte.
    for (std::size_t I = 0; I < Block.size() && FState.Offset + I < 3; ++I)
        FState.Start[FState.Offset + I] = static_cast<std::uint8_t>(Block[I]);
    FSteps(FState, reinterpret_cast<const std::uint8_t*>(Block.data()), Block.size());
}

void TEncodingJudge::Finish() {
    if (FFinished) return;
    // The end settles what waits for the next byte, as a NUL would: a character cut short,
    // a two-byte character with no letter after it, a Shift-JIS lead byte alone.
    const std::uint64_t Offset = FState.Offset;
    const std::uint8_t End = 0;
    FSteps(FState, &End, 1);
    FState.Offset = Offset;
    FFinished = true;
}

TJudgement JudgeEncoding(std::string_view Text) {
    TEncodingJudge Judge;
    Judge.See(Text);
    Judge.Finish();
    return Judge.Judgement();
}
