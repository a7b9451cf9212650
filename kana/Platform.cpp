#include "Platform.h"

#include <atomic>

namespace {
std::atomic<TPlatform*> Replacement{nullptr};
}

TPlatform& Platform() {
    TPlatform* P = Replacement.load(std::memory_order_acquire);
    return P ? *P : SystemPlatform();
}

TPlatform* SetPlatform(TPlatform* P) {
    return Replacement.exchange(P, std::memory_order_acq_rel);
}
