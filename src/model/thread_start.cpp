#include "model/thread_start.h"

#include <atomic>

namespace quorvane {

namespace {

// Thread starts left before they are refused; negative for no limit.
std::atomic<int> g_startsLeft{-1};

}  // namespace

bool ThreadStartAllowed() noexcept {
    int left = g_startsLeft.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (left == 0) {
            return false;
        }
        if (g_startsLeft.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            return true;
        }
    }
    return true;
}

void LimitThreadStartsForTesting(int allowed) noexcept {
    g_startsLeft.store(allowed < 0 ? -1 : allowed, std::memory_order_relaxed);
}

}  // namespace quorvane
