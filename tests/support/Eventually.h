// Waits, bounded, for something another thread does (a simulator logs a frame a moment after
// the host has its reply).
#pragma once

#include <chrono>
#include <thread>

namespace plenum::test {

template <typename Condition>
bool Eventually(Condition condition, int attempts = 400) {
    for (int i = 0; i < attempts; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    return condition();
}

}  // namespace plenum::test
