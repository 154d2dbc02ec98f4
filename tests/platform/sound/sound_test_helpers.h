#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/sound/sound.h"

namespace sound_tests {

// Shuts the sound layer down when the test leaves, also through a failed assertion, so the next test can start it.
struct ShutdownOnExit {
    ShutdownOnExit() = default;
    ShutdownOnExit(const ShutdownOnExit&) = delete;
    ShutdownOnExit& operator=(const ShutdownOnExit&) = delete;
    ~ShutdownOnExit() { sound::shutdown(); }
};

struct TimedPosition {
    uint64_t bytes;
    double seconds;  // wall time since the start, when the position was read
};

// Reads the position between two clock readings; nothing when the test thread was preempted in between, so a
// scheduling hiccup of the test is not mistaken for an error of the clock.
inline std::optional<TimedPosition> readTimedPosition(sound::Handle stream,
                                                      std::chrono::steady_clock::time_point start) {
    const auto before = std::chrono::steady_clock::now();
    const uint64_t bytes = sound::channelGetPosition(stream, sound::kPositionBytes);
    const auto after = std::chrono::steady_clock::now();
    if (after - before > std::chrono::milliseconds(1)) return std::nullopt;
    return TimedPosition{bytes, std::chrono::duration<double>(before + (after - before) / 2 - start).count()};
}

}  // namespace sound_tests
