// The kernel level: the best one the processor runs, found once; tests and benchmarks
// may force another.
#include "EngineLevels.h"
#include "Kernels.h"
#include "Utf8Kernels.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string_view>
#include <stdexcept>

namespace kana::detail {

namespace {

std::vector<TEngineLevel> Detect() {
    std::vector<TEngineLevel> Levels{TEngineLevel::Scalar};
#if defined(KANA_X86_KERNELS)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("popcnt"))
        Levels.push_back(TEngineLevel::Sse42);
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt"))
        Levels.push_back(TEngineLevel::Avx2);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
        __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt"))
        Levels.push_back(TEngineLevel::Avx512);
#endif
    return Levels;
}

const std::vector<TEngineLevel>& Available();

// The plan alone until the program's start has picked the best level.
std::atomic<TEngineLevel> Level{TEngineLevel::Scalar};
std::atomic<TKernel> Kernel{nullptr};
std::atomic<TUtf8Kernel> Utf8Kernel{nullptr};

void Pick(TEngineLevel L) {
    Level.store(L, std::memory_order_relaxed);
    Kernel.store(KernelOf(L), std::memory_order_relaxed);
    Utf8Kernel.store(Utf8KernelOf(L), std::memory_order_relaxed);
}

// KANA_ENGINE_LEVEL names a level to take instead of the best, for tests that run whole
// programs at every level; a level the processor lacks is ignored (kanaconv says so). Read
// only where there are levels to choose from (the WebAssembly build has no environment).
TEngineLevel Chosen(const std::vector<TEngineLevel>& Levels) {
#if defined(KANA_X86_KERNELS)
    if (const char* Name = std::getenv("KANA_ENGINE_LEVEL"))
        for (TEngineLevel L : Levels)
            if (std::string_view(Name) == EngineLevelName(L)) return L;
#endif
    return Levels.back();
}

const std::vector<TEngineLevel>& Available() {
    static const std::vector<TEngineLevel> Levels = [] {
        std::vector<TEngineLevel> L = Detect();
        Pick(Chosen(L));
        return L;
    }();
    return Levels;
}

// Picked once, as the program starts.
[[maybe_unused]] const bool Picked = !Available().empty();

} // namespace

TKernel KernelOf(TEngineLevel L) {
    switch (L) {
#if defined(KANA_X86_KERNELS)
    case TEngineLevel::Avx2: return x86::ConvertAvx2;
    case TEngineLevel::Avx512: return x86::ConvertAvx512;
#endif
    default: return nullptr;
    }
}

unsigned KernelDensity(TKernel K) {
#if defined(KANA_X86_KERNELS)
    // Measured on Japanese and half-width text: AVX2 beats the plan from about one
    // changed character in eight bytes, AVX-512 everywhere.
    if (K == x86::ConvertAvx2) return 128;
#endif
    (void)K;
    return 0;
}

const char* EngineLevelName(TEngineLevel Level) {
    switch (Level) {
    case TEngineLevel::Scalar: return "scalar";
    case TEngineLevel::Sse42: return "sse4.2";
    case TEngineLevel::Avx2: return "avx2";
    case TEngineLevel::Avx512: return "avx512";
    }
    return "unknown";
}

TUtf8Kernel Utf8KernelOf(TEngineLevel L) {
#if defined(KANA_X86_KERNELS)
    if (L == TEngineLevel::Avx512) return x86::ConvertUtf8Avx512;
#endif
    (void)L;
    return nullptr;
}

TUtf8Kernel ActiveUtf8Kernel() {
    return Utf8Kernel.load(std::memory_order_relaxed);
}

std::optional<TEngineLevel> EngineLevelNamed(std::string_view Name) {
    for (TEngineLevel L : Available())
        if (Name == EngineLevelName(L)) return L;
    return std::nullopt;
}

std::vector<TEngineLevel> EngineLevelsAvailable() {
    return Available();
}

TEngineLevel EngineLevel() {
    return Available(), Level.load(std::memory_order_relaxed);
}

void SetEngineLevel(TEngineLevel L) {
    if (std::find(Available().begin(), Available().end(), L) == Available().end())
        throw std::invalid_argument("engine level not available on this machine");
    Pick(L);
}

TKernel ActiveKernel() {
    return Kernel.load(std::memory_order_relaxed);
}

std::uint64_t KernelCallsOnThisThread() {
    return KernelCalls;
}

} // namespace kana::detail
