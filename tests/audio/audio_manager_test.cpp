#include "audio/audio_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "log_capture.h"
#include "platform/sound/sound_output.h"
#include "base/wide_text.h"
#include "support/audio_files.h"
#include "support/scoped_environment.h"
#include "support/test_support.h"

namespace {

using audio_tests::DemoLogCapture;
using audio_tests::LogLine;
using testing_support::AudioContainer;
using testing_support::ScopedEnvironment;
namespace level = spdlog::level;

TEST(AudioManagerStartUp, WithoutADefaultDeviceLogsTheCauseAndTheDevices) {
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "alsa");
    if (!sound::listOutputDevices().empty()) GTEST_SKIP() << "this machine has a sound card";
    const DemoLogCapture log;
    const AudioManager manager;
    EXPECT_FALSE(manager.isInitialized());
    const std::vector<LogLine> expected = {
        {level::critical, "Unable to initialize BASS Sound System! Error code: 23"},
        {level::warn, "BASS_ERROR_DEVICE was returned, no default device initialized. Trying others:"},
        {level::info, "Found total 0 devices."},
    };
    EXPECT_EQ(log.lines(), expected);
}

TEST(AudioManagerStartUp, ADeviceThatCannotOpenListsTheEnabledOnes) {
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
    const DemoLogCapture log;
    const AudioManager manager(5);  // the dummy driver has one device
    EXPECT_FALSE(manager.isInitialized());
    sound::DeviceInfo only;
    ASSERT_TRUE(sound::deviceInfo(1, only));
    const std::vector<LogLine> expected = {
        {level::critical, "Unable to initialize BASS Sound System! Error code: 23"},
        {level::warn, "BASS_ERROR_DEVICE was returned, no default device initialized. Trying others:"},
        {level::info, "Found total 1 devices."},
        {level::info, "Found device: '" + only.name + "' (dummy), flags: 1 "},
    };
    EXPECT_EQ(log.lines(), expected);
}

TEST(AudioManagerStartUp, OtherFailuresLogOnlyTheCode) {
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    const DemoLogCapture log;
    const AudioManager manager;
    EXPECT_FALSE(manager.isInitialized());
    const std::vector<LogLine> expected = {{level::critical, "Unable to initialize BASS Sound System! Error code: 3"}};
    EXPECT_EQ(log.lines(), expected);
}

TEST(AudioManagerTrack, AFileThatCannotBeReadIsLoggedByItsUtf8Path) {
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
    testing_support::TempDir dir;
    const DemoLogCapture log;
    AudioManager manager;
    ASSERT_TRUE(manager.isInitialized());
    const std::string path = (dir.path() / "m\xC3\xBCsik \xE2\x99\xAB.ogg").string();

    EXPECT_FALSE(manager.readAudioFile(widenUtf8(path)));
    const std::vector<LogLine> expected = {{level::info, "Reading audio (" + path + ") file"},
                                           {level::critical, "Unable to read the audio file: " + path}};
    EXPECT_EQ(log.lines(), expected);
    EXPECT_EQ(manager.getAudio(), nullptr);
    EXPECT_FALSE(manager.play());
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.getCurrentMarkerIndex(), std::nullopt);
}

TEST(AudioManagerTrack, PlaysToTheEndAndStops) {
    const ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
    testing_support::TempDir dir;
    const auto file = testing_support::writeAudioFile(dir.path() / "short.mp3", AudioContainer::Mp3, 44100, 2, 13230);
    AudioManager manager;  // no "demo" logger registered: logs go nowhere
    ASSERT_TRUE(manager.readAudioFile(widenUtf8(file.string())));
    AudioManagerInterface* audio = manager.getAudio();
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->getLength(), 13230u * 4);
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.setPosition(0), 0u);

    ASSERT_TRUE(manager.play());
    EXPECT_TRUE(manager.isPlaying());
    for (int i = 0; i < 200 && manager.isPlaying(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(audio->getPosition(), audio->getLength());
    EXPECT_DOUBLE_EQ(audio->getPositionSeconds(), 0.3);
}

class AudioManagerMarkers : public testing::Test {
protected:
    void SetUp() override {
        // Two seconds of music: 352800 bytes.
        testing_support::writeAudioFile(dir.path() / "music.wav", AudioContainer::Wav, 44100, 2, 88200);
        dir.write("timeline.xml", R"(<Timeline timeunit="byte">
            <TimelineTrack from="1000" to="101000" label="first"/>
            <TimelineTrack from="51000" to="201000" label="overlapping"/>
            <TimelineTrack from="300000" to="250000" label="reversed"/>
            <TimelineTrack from="260000" to="300000" label="last"/>
        </Timeline>)");
        registry.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
        manager.setTimeline(registry.acquire<DemoTimeline>(ResourcePath("timeline.xml")));
        ASSERT_TRUE(manager.isInitialized());
        ASSERT_TRUE(manager.readAudioFile(widenUtf8((dir.path() / "music.wav").string())));
    }

    std::string labelAt(uint64_t position) {
        EXPECT_EQ(manager.setPosition(position), position);
        return manager.getCurrentMarker().label;
    }

    testing_support::TempDir dir;
    testing_support::ScopedWorkingDirectory workingDirectory{dir.path()};
    ResourceRegistry registry;
    DemoLogCapture log;
    AudioManager manager{sound::kNoSoundDevice};
};

TEST_F(AudioManagerMarkers, TheFirstMarkerHoldingThePositionIsCurrent) {
    EXPECT_EQ(labelAt(1000), "first");
    EXPECT_EQ(labelAt(101000), "first");
    EXPECT_EQ(labelAt(101004), "overlapping");
    EXPECT_EQ(manager.getCurrentMarkerIndex(), 1u);
    EXPECT_EQ(labelAt(201000), "overlapping");
    EXPECT_EQ(labelAt(270000), "last");
    EXPECT_EQ(manager.getCurrentMarkerIndex(), 3u);
    EXPECT_EQ(labelAt(255000), "") << "inside the reversed marker, which holds nothing";
    EXPECT_EQ(manager.getCurrentMarkerIndex(), std::nullopt);

    const TimelineMarker empty = (manager.setPosition(400), manager.getCurrentMarker());
    EXPECT_EQ(empty.from, 0u);
    EXPECT_EQ(empty.to, 0u);
    EXPECT_TRUE(empty.scene.empty() && empty.camera.empty() && empty.effects.empty());
}

TEST_F(AudioManagerMarkers, ProgressFollowsThePositionThroughTheMarker) {
    manager.setPosition(1000);
    EXPECT_EQ(manager.getMarkerProgress(), 0.0);
    manager.setPosition(51000);
    EXPECT_EQ(manager.getMarkerProgress(), 0.5);
    manager.setPosition(101000);
    EXPECT_EQ(manager.getMarkerProgress(), 1.0);
    EXPECT_EQ(manager.getProgress(101000 - 400, 101000 + 400), 0.5);

    // No marker: 0 at the very start, 1 anywhere else.
    manager.setPosition(0);
    EXPECT_EQ(manager.getMarkerProgress(), 0.0);
    manager.setPosition(240000);
    EXPECT_EQ(manager.getMarkerProgress(), 1.0);
}

// A frame's one reading of the clock gives what the separate questions give at that position, marker ends included.
TEST_F(AudioManagerMarkers, AMomentAnswersForOnePositionWhatTheSeparateQuestionsDo) {
    for (uint64_t position : {0ull, 1000ull, 51000ull, 101000ull, 101004ull, 201000ull, 255000ull, 270000ull}) {
        manager.setPosition(position);
        const MusicMoment now = manager.moment();
        EXPECT_EQ(now.position, position);
        EXPECT_DOUBLE_EQ(now.seconds, double(position) / 176400.0);
        EXPECT_EQ(now.markerIndex, manager.getCurrentMarkerIndex()) << position;
        EXPECT_EQ(now.marker.label, manager.getCurrentMarker().label) << position;
        EXPECT_EQ(now.progress, manager.getMarkerProgress()) << position;
    }
}

TEST_F(AudioManagerMarkers, SeeksAreLoggedAndClampedToTheTrack) {
    EXPECT_EQ(manager.setPosition(1002), 1000u);
    EXPECT_EQ(manager.setPosition(10'000'000), 352800u);
    EXPECT_EQ(manager.getCurrentMarkerIndex(), std::nullopt);
    EXPECT_FALSE(manager.play()) << "the no-sound device does not play";
    const std::vector<LogLine> lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], (LogLine{level::debug, "Setting audio/midi position: 1002"}));
    EXPECT_EQ(lines.back(), (LogLine{level::debug, "Setting audio/midi position: 10000000"}));
}

}  // namespace
