#include "platform/sound/playback_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

constexpr int64_t kMs = 1'000'000;

TEST(PlaybackClock, FollowsTimeFromTheLastCallbackUpToWhatWasHandedOver) {
    const sound::ClockState playing{true, 44100, 44100 + 1024, 1000 * kMs};
    EXPECT_EQ(sound::framesHeardAt(playing, 1000 * kMs, 44100), 44100u);
    EXPECT_EQ(sound::framesHeardAt(playing, 990 * kMs, 44100), 44100u) << "a reader's clock just before the anchor";
    EXPECT_EQ(sound::framesHeardAt(playing, 1010 * kMs, 44100), 44100u + 441);
    EXPECT_EQ(sound::framesHeardAt(playing, 1010 * kMs + kMs / 2, 44100), 44100u + 463) << "whole frames";
    EXPECT_EQ(sound::framesHeardAt(playing, 1100 * kMs, 44100), 44100u + 1024) << "capped at the handed frames";

    const sound::ClockState stopped{false, 500, 500, 0};
    EXPECT_EQ(sound::framesHeardAt(stopped, 100000 * kMs, 44100), 500u);
}

TEST(PlaybackClock, ReadersNeverSeeAHalfWrittenState) {
    // Every published state has handed = anchor + 1024 and nanos = anchor; a torn read breaks that.
    sound::PlaybackClock clock;
    clock.publish({true, 0, 1024, 0});
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint64_t i = 1; i < 200000; ++i) clock.publish({true, i, i + 1024, int64_t(i)});
        done = true;
    });
    uint64_t torn = 0;
    uint64_t last = 0;
    bool backwards = false;
    while (!done) {
        const sound::ClockState state = clock.read();
        if (state.handedFrames != state.anchorFrames + 1024 || state.anchorNanos != int64_t(state.anchorFrames)) ++torn;
        if (state.anchorFrames < last) backwards = true;
        last = state.anchorFrames;
    }
    writer.join();
    EXPECT_EQ(torn, 0u);
    EXPECT_FALSE(backwards);
}

}  // namespace
