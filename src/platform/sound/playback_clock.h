#pragma once

#include <atomic>
#include <cstdint>

namespace sound {

// What the output has done with one stream, as of its latest audio callback (or play/seek).
struct ClockState {
    bool playing = false;
    uint64_t anchorFrames = 0;  // heard at anchorNanos: what was handed before that callback
    uint64_t handedFrames = 0;  // handed to the device so far; the position never passes it
    int64_t anchorNanos = 0;    // monotonic time of the callback
};

// The playback position as the listener hears it: the frame at the latest callback plus the time since then,
// capped at what has been handed over. Between callbacks it advances with the monotonic clock, and a callback
// only moves it forward, so it never goes backwards while playing.
uint64_t framesHeardAt(const ClockState& state, int64_t nowNanos, uint32_t framesPerSecond);

// One writer at a time (the caller serialises them), any number of readers on any thread, no locks and no
// allocation: a sequence lock over plain atomics.
class PlaybackClock {
public:
    void publish(const ClockState& state);
    ClockState read() const;

private:
    std::atomic<uint64_t> sequence_{0};
    std::atomic<bool> playing_{false};
    std::atomic<uint64_t> anchorFrames_{0};
    std::atomic<uint64_t> handedFrames_{0};
    std::atomic<int64_t> anchorNanos_{0};
};

// CLOCK_MONOTONIC in nanoseconds.
int64_t monotonicNanos();

}  // namespace sound
