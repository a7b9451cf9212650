// What the script around the WebAssembly module needs besides kana.h's calls: the sizes
// and field offsets of kana.h's structs, taken from the compiler rather than spelled by
// hand, and the output bound as a size the script can hold.
#include "kana.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace {

// In the order the script reads them (npm/src/api.js).
const std::uint32_t Layout[] = {
    sizeof(kana_options),        offsetof(kana_options, tab_stops), sizeof(kana_error),
    offsetof(kana_error, code),  offsetof(kana_error, line),        offsetof(kana_error, column),
    offsetof(kana_error, bytes), offsetof(kana_error, size),        offsetof(kana_error, option),
    sizeof(kana_judgment),       offsetof(kana_judgment, encoding),
};

} // namespace

extern "C" {

// The number of entries, then the entries.
__attribute__((used, visibility("default"))) const std::uint32_t*
kana_wasm_layout(std::uint32_t* Count) {
    *Count = sizeof Layout / sizeof Layout[0];
    return Layout;
}

// kana_convert_bound, at most the largest size_t: a bound past it cannot be allocated anyway.
__attribute__((used, visibility("default"))) std::size_t
kana_wasm_bound(const kana_options* Options, std::size_t Size) {
    const std::uint64_t Bound = kana_convert_bound(Options, Size);
    constexpr std::size_t Most = std::numeric_limits<std::size_t>::max();
    return Bound > Most ? Most : static_cast<std::size_t>(Bound);
}

} // extern "C"
