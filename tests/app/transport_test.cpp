#include "app/transport.h"

#include <gtest/gtest.h>

#include "audio/audio_manager.h"
#include "base/wide_text.h"
#include "platform/window/messages.h"
#include "support/audio_files.h"
#include "support/scoped_environment.h"
#include "support/test_support.h"

namespace {

constexpr uint64_t kSecond = 176400;
constexpr uint64_t kLength = 20 * kSecond;

TimelineMarker marker(double from, double to) {
    TimelineMarker m;
    m.from = static_cast<uint32_t>(from * kSecond);
    m.to = static_cast<uint32_t>(to * kSecond);
    return m;
}

// Markers out of document order, with a gap (8..10 s) and one that starts past the music.
const std::vector<TimelineMarker> kMarkers = {marker(5, 8), marker(0, 5), marker(10, 12), marker(30, 40)};

TEST(Transport, KeysSeekToWholeFramesInsideTheTrackAndToMarkerStarts) {
    using C = TransportCommand;
    struct Case {
        C command;
        double from;  // seconds
        std::optional<double> to;
    };
    const Case cases[] = {
        {C::Forward, 3.0, 4.0},          {C::Back, 3.0, 2.0},
        {C::ForwardFar, 3.0, 13.0},      {C::BackFar, 13.0, 3.0},
        {C::Back, 0.5, 0.0},             {C::BackFar, 3.0, 0.0},  // clamped at the start
        {C::Start, 7.0, 0.0},
        {C::PreviousMarker, 6.0, 0.0},   // inside the second marker: the one before it
        {C::PreviousMarker, 5.0, 0.0},   // at its start: the same
        {C::PreviousMarker, 9.0, 5.0},   // in the gap: the latest start before here
        {C::PreviousMarker, 2.0, std::nullopt},
        {C::NextMarker, 2.0, 5.0},       {C::NextMarker, 9.0, 10.0},
        {C::NextMarker, 11.0, std::nullopt},  // the next one starts after the music
        {C::TogglePause, 3.0, std::nullopt},  {C::ToggleLoop, 3.0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << int(c.command) << " from " << c.from);
        const auto target = seekTarget(c.command, static_cast<uint64_t>(c.from * kSecond), kLength, kMarkers);
        ASSERT_EQ(target.has_value(), c.to.has_value());
        if (c.to) {
            EXPECT_EQ(*target, static_cast<uint64_t>(*c.to * kSecond));
        }
    }
    // Past the end: the last whole frame, never the length itself (that would end the run).
    EXPECT_EQ(seekTarget(C::ForwardFar, 15 * kSecond, kLength, kMarkers), kLength - 4);
    // Where one marker ends and the next begins, the position is the earlier one's: the next starts a frame on.
    const std::vector<TimelineMarker> contiguous = {marker(0, 5), marker(5, 10), marker(6, 7)};
    EXPECT_EQ(seekTarget(C::NextMarker, kSecond, kLength, contiguous), 5 * kSecond + 4);
    EXPECT_EQ(seekTarget(C::PreviousMarker, 7 * kSecond, kLength, contiguous), 0u);
    EXPECT_EQ(markerStart(contiguous, 2), std::nullopt);  // never current: the one before holds all of it
    EXPECT_EQ(clampToTrack(kSecond + 3, kLength), kSecond);
    EXPECT_EQ(clampToTrack(-7, kLength), 0u);
    EXPECT_EQ(clampToTrack(100, 0), 0u);

    EXPECT_EQ(transportCommandForKey(platform::VK_LEFT, true), C::BackFar);
    EXPECT_EQ(transportCommandForKey(platform::VK_RIGHT, false), C::Forward);
    EXPECT_EQ(transportCommandForKey(platform::VK_PRIOR, false), C::PreviousMarker);
    EXPECT_EQ(transportCommandForKey('L', false), C::ToggleLoop);
    EXPECT_EQ(transportCommandForKey(platform::VK_ESCAPE, false), std::nullopt);
}

// The music on SDL's dummy output: pausing holds the position, a seek while paused stays paused, a loop brings
// the position back into its marker, and the configuration's two slots follow.
TEST(Transport, PausesSeeksLoopsAndWritesTheEditorState) {
    const testing_support::ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
    testing_support::TempDir dir;
    const auto file = testing_support::writeAudioFile(dir.path() / "music", testing_support::AudioContainer::Wav,
                                                      44100, 2, 44100 * 20);
    AudioManager audio;
    ASSERT_TRUE(audio.isInitialized());
    ASSERT_TRUE(audio.readAudioFile(widenUtf8(file.string())));
    int64_t position = -1, paused = -1;
    Transport transport;
    paused = 0;
    transport.bindState(&position, &paused);
    audio.setPosition(9 * kSecond + 100);
    ASSERT_TRUE(audio.play());

    transport.press(TransportCommand::TogglePause);
    transport.press(TransportCommand::Forward);
    transport.apply(audio, kMarkers);
    EXPECT_TRUE(transport.paused());
    EXPECT_FALSE(audio.isPlaying());
    const uint64_t held = audio.getAudio()->getPosition();
    EXPECT_GE(held, 10 * kSecond);
    EXPECT_LT(held, 10 * kSecond + kSecond / 2);
    EXPECT_EQ(held % 4, 0u);
    EXPECT_EQ(position, static_cast<int64_t>(held));
    EXPECT_EQ(paused, 1);

    // Looping the marker at 10..12 s: a seek out of it is brought back to its start at the next frame.
    transport.press(TransportCommand::ToggleLoop);
    transport.press(TransportCommand::ForwardFar);
    transport.apply(audio, kMarkers);
    EXPECT_EQ(transport.loop(), (std::pair<uint64_t, uint64_t>{10 * kSecond, 12 * kSecond}));
    EXPECT_EQ(audio.getAudio()->getPosition(), 10 * kSecond);
    // The stretch, not the marker's number, is looped: a timeline read again keeps it.
    transport.apply(audio, {marker(0, 20)});
    EXPECT_TRUE(transport.looping());
    transport.press(TransportCommand::ToggleLoop);
    transport.press(TransportCommand::ForwardFar);
    transport.apply(audio, kMarkers);
    EXPECT_FALSE(transport.looping());
    EXPECT_EQ(audio.getAudio()->getPosition(), kLength - 4);

    transport.press(TransportCommand::Start);
    transport.press(TransportCommand::TogglePause);
    transport.apply(audio, kMarkers);
    EXPECT_FALSE(transport.paused());
    EXPECT_TRUE(audio.isPlaying());
    EXPECT_EQ(paused, 0);
    EXPECT_LT(position, static_cast<int64_t>(kSecond / 2));
}

}  // namespace
