// For tests and benchmarks only: the conversion kernels this machine can run, and a
// switch that forces one of them for the whole process. Hosts never need this header;
// the engine picks the best level for the processor on its own, once.
#pragma once

#include "HanZen.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kana::detail {

enum class TEngineLevel : std::uint8_t {
    Scalar, // the plan alone, on every target
    Sse42,  // x86-64 with SSE4.2 and POPCNT: the judge's vectors; conversion runs the plan,
            // which a 16-byte kernel did not beat
    Avx2,   // x86-64 with AVX2, BMI1 and BMI2
    Avx512, // x86-64 with AVX-512 BW, VBMI and VBMI2
};

const char* EngineLevelName(TEngineLevel Level);
// The level of that name (scalar, sse4.2, avx2, avx512), if this machine has it.
std::optional<TEngineLevel> EngineLevelNamed(std::string_view Name);
// The levels this build and this processor support, Scalar first, the best last.
std::vector<TEngineLevel> EngineLevelsAvailable();
// The level ConvertLine uses now.
TEngineLevel EngineLevel();
// Forces Level (one of EngineLevelsAvailable(), else std::invalid_argument) for every
// thread; meant to be called while no conversion runs.
void SetEngineLevel(TEngineLevel Level);
// H.ConvertLine(S, Out) at Level, whatever the level in force: lets threads compare
// levels side by side.
void ConvertLineAt(TEngineLevel Level, const THanZen& H, std::string_view S, std::string& Out);
// How many conversions on the calling thread have run a vector kernel so far.
std::uint64_t KernelCallsOnThisThread();

} // namespace kana::detail
