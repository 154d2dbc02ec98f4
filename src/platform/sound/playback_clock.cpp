#include "platform/sound/playback_clock.h"

#include <algorithm>
#include <chrono>

namespace sound {

uint64_t framesHeardAt(const ClockState& state, int64_t nowNanos, uint32_t framesPerSecond) {
    if (!state.playing || nowNanos <= state.anchorNanos) return std::min(state.anchorFrames, state.handedFrames);
    const auto elapsed = static_cast<uint64_t>(nowNanos - state.anchorNanos);
    // Whole frames only; elapsed stays far below the range where this product overflows (days).
    const uint64_t advanced = elapsed * framesPerSecond / 1'000'000'000u;
    return std::min(state.anchorFrames + advanced, state.handedFrames);
}

void PlaybackClock::publish(const ClockState& state) {
    const uint64_t start = sequence_.load(std::memory_order_relaxed);
    sequence_.store(start + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    playing_.store(state.playing, std::memory_order_relaxed);
    anchorFrames_.store(state.anchorFrames, std::memory_order_relaxed);
    handedFrames_.store(state.handedFrames, std::memory_order_relaxed);
    anchorNanos_.store(state.anchorNanos, std::memory_order_relaxed);
    sequence_.store(start + 2, std::memory_order_release);
}

ClockState PlaybackClock::read() const {
    for (;;) {
        const uint64_t before = sequence_.load(std::memory_order_acquire);
        ClockState state;
        state.playing = playing_.load(std::memory_order_relaxed);
        state.anchorFrames = anchorFrames_.load(std::memory_order_relaxed);
        state.handedFrames = handedFrames_.load(std::memory_order_relaxed);
        state.anchorNanos = anchorNanos_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before) return state;
    }
}

int64_t monotonicNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace sound
