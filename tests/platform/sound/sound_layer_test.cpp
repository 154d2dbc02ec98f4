#include "platform/sound/sound.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/sound/sound_output.h"
#include "base/wide_text.h"
#include "support/audio_files.h"
#include "sound_test_helpers.h"
#include "support/scoped_environment.h"
#include "support/test_support.h"

namespace {

using testing_support::AudioContainer;
using testing_support::ScopedEnvironment;
using testing_support::writeAudioFile;
using Clock = std::chrono::steady_clock;

std::u16string wide(const std::filesystem::path& path) { return widenUtf8(path.string()); }

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class SoundLayer : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sound::initialize(sound::kDefaultDevice, 44100, 0)) << sound::lastError(); }
    void TearDown() override { sound::shutdown(); }

    sound::Handle open(AudioContainer container, int rate, int channels, int64_t frames) {
        const auto file = writeAudioFile(dir.path() / "track", container, rate, channels, frames);
        const sound::Handle handle = sound::createFileStream(wide(file));
        EXPECT_NE(handle, 0u) << sound::errorText(sound::lastError());
        return handle;
    }

    ScopedEnvironment driver{"SDL_AUDIODRIVER", "dummy"};
    testing_support::TempDir dir;
};

TEST_F(SoundLayer, MeasuresStreamsInBytesOf44100HzStereo) {
    const auto file =
        writeAudioFile(dir.path() / "m\xC3\xBCsic \xE2\x99\xAA.ogg", AudioContainer::OggVorbis, 48000, 1, 48000 * 2);
    const sound::Handle stream = sound::createFileStream(wide(file));
    ASSERT_NE(stream, 0u) << sound::errorText(sound::lastError());

    EXPECT_EQ(sound::channelGetLength(stream, sound::kPositionBytes), 2u * 176400);
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), 0u);
    EXPECT_DOUBLE_EQ(sound::channelBytesToSeconds(stream, 176400), 1.0);
    EXPECT_DOUBLE_EQ(sound::channelBytesToSeconds(stream, 44100), 0.25);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kStopped);

    sound::ChannelInfo info;
    ASSERT_TRUE(sound::channelGetInfo(stream, info));
    EXPECT_EQ(info.frequency, 44100u);
    EXPECT_EQ(info.channels, 2u);
    EXPECT_EQ(info.type, sound::kTypeOggVorbis);
    EXPECT_EQ(info.sourceFrequency, 48000u);
    EXPECT_EQ(info.sourceChannels, 1u);
    EXPECT_EQ(info.fileName, file.string());
}

TEST_F(SoundLayer, SeeksToWholeFramesInsideTheStream) {
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, 44100);
    const uint64_t length = sound::channelGetLength(stream, sound::kPositionBytes);

    EXPECT_TRUE(sound::channelSetPosition(stream, 1002, sound::kPositionBytes));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), 1000u);
    EXPECT_TRUE(sound::channelSetPosition(stream, length + 4000, sound::kPositionBytes));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), length);
    EXPECT_TRUE(sound::channelSetPosition(stream, 0, sound::kPositionBytes));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), 0u);

    EXPECT_FALSE(sound::channelSetPosition(stream, 8, 1));
    EXPECT_EQ(sound::lastError(), sound::kErrorIllegalParameter);
    EXPECT_EQ(sound::channelGetPosition(stream, 1), sound::kInvalidPosition);
}

TEST_F(SoundLayer, FailuresAnswerZeroAndSayWhy) {
    EXPECT_EQ(sound::createFileStream(wide(dir.path() / "missing.mp3")), 0u);
    EXPECT_EQ(sound::lastError(), sound::kErrorFileOpen);
    EXPECT_EQ(sound::createFileStream(wide(dir.write("bad.ogg", "OggS but not really"))), 0u);
    EXPECT_EQ(sound::lastError(), sound::kErrorFileForm);

    const sound::Handle first = open(AudioContainer::Wav, 44100, 2, 100);
    ASSERT_TRUE(sound::freeStream(first));
    const sound::Handle second = open(AudioContainer::Wav, 44100, 2, 100);
    EXPECT_NE(first, second) << "a freed handle must not name the next stream";
    for (sound::Handle stale : {first, sound::Handle{0}, sound::Handle{0x12345}}) {
        EXPECT_EQ(sound::channelGetPosition(stale, sound::kPositionBytes), sound::kInvalidPosition);
        EXPECT_EQ(sound::lastError(), sound::kErrorHandle);
        EXPECT_EQ(sound::channelGetLength(stale, sound::kPositionBytes), sound::kInvalidPosition);
        EXPECT_EQ(sound::channelIsActive(stale), sound::kStopped);
        EXPECT_FALSE(sound::channelPlay(stale, false));
        EXPECT_FALSE(sound::freeStream(stale));
        EXPECT_EQ(sound::channelBytesToSeconds(stale, 4), -1.0);
    }
    EXPECT_EQ(sound::channelGetLength(second, sound::kPositionBytes), 400u);
}

TEST_F(SoundLayer, StartsOnceAndOnlyAt44100Hz) {
    EXPECT_FALSE(sound::initialize(sound::kDefaultDevice, 44100, 0));
    EXPECT_EQ(sound::lastError(), sound::kErrorAlready);
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, 100);
    ASSERT_TRUE(sound::shutdown());
    EXPECT_EQ(sound::channelGetLength(stream, sound::kPositionBytes), sound::kInvalidPosition)
        << "shutting down frees the streams";
    EXPECT_FALSE(sound::shutdown());
    EXPECT_EQ(sound::lastError(), sound::kErrorInit);
    EXPECT_EQ(sound::createFileStream(wide(dir.path() / "x.wav")), 0u);
    EXPECT_EQ(sound::lastError(), sound::kErrorInit);

    EXPECT_FALSE(sound::initialize(sound::kDefaultDevice, 48000, 0));
    EXPECT_EQ(sound::lastError(), sound::kErrorIllegalParameter);
    EXPECT_FALSE(sound::initialize(7, 44100, 0));
    EXPECT_EQ(sound::lastError(), sound::kErrorDevice);
    EXPECT_TRUE(sound::initialize(1, 44100, 0)) << "the dummy driver's one device, by number";
}

TEST_F(SoundLayer, ListsSdlOutputDevices) {
    sound::DeviceInfo info;
    ASSERT_TRUE(sound::deviceInfo(0, info));
    EXPECT_EQ(info.name, "No sound");
    ASSERT_TRUE(sound::deviceInfo(1, info));
    EXPECT_FALSE(info.name.empty());
    EXPECT_EQ(info.driver, "dummy");
    EXPECT_EQ(info.flags & sound::kDeviceEnabled, sound::kDeviceEnabled);
    EXPECT_FALSE(sound::deviceInfo(2, info));
    EXPECT_EQ(sound::lastError(), sound::kErrorDevice);
}

TEST_F(SoundLayer, PlaysOnceToTheEndInStepWithWallTime) {
    const double duration = 1.5;
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, int64_t(duration * 44100));
    const uint64_t length = sound::channelGetLength(stream, sound::kPositionBytes);

    // A second thread reads the clock as the main thread's message pump does.
    std::atomic<bool> finished{false};
    std::atomic<bool> otherThreadSawBackwards{false};
    std::thread reader([&] {
        uint64_t last = 0;
        while (!finished) {
            const uint64_t position = sound::channelGetPosition(stream, sound::kPositionBytes);
            if (position < last || position > length) otherThreadSawBackwards = true;
            last = position;
        }
    });

    const auto start = Clock::now();
    ASSERT_TRUE(sound::channelPlay(stream, false));
    uint64_t last = 0;
    double worstError = 0;
    bool sawPlaying = false;
    while (sound::channelIsActive(stream) == sound::kPlaying && secondsSince(start) < duration * 3) {
        sawPlaying = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        const auto sample = sound_tests::readTimedPosition(stream, start);
        if (!sample) continue;
        ASSERT_GE(sample->bytes, last) << "went backwards at " << sample->seconds << " s";
        ASSERT_EQ(sample->bytes % 4, 0u);
        last = sample->bytes;
        worstError = std::max(worstError, std::abs(double(sample->bytes) / 176400 - sample->seconds) -
                                              0.05 * sample->seconds);
    }
    const double playedFor = secondsSince(start);
    finished = true;
    reader.join();

    EXPECT_TRUE(sawPlaying);
    EXPECT_FALSE(otherThreadSawBackwards);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kStopped);
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), length);
    // The dummy driver consumes at roughly, not exactly, real time: a few percent, plus a callback or two.
    EXPECT_LT(worstError, 0.1) << "position off wall time by more than 5 % + 100 ms";
    EXPECT_NEAR(playedFor, duration, duration * 0.05 + 0.15);

    // At the end, playing without restart ends at once; with restart it starts over.
    EXPECT_TRUE(sound::channelPlay(stream, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sound::channelIsActive(stream), sound::kStopped);
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), length);
    EXPECT_TRUE(sound::channelPlay(stream, true));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sound::channelIsActive(stream), sound::kPlaying);
    EXPECT_LT(sound::channelGetPosition(stream, sound::kPositionBytes), length / 2);
}

TEST_F(SoundLayer, SeekingWhilePlayingMovesTheClock) {
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, 44100 * 3);
    ASSERT_TRUE(sound::channelPlay(stream, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(sound::channelSetPosition(stream, 2 * 176400, sound::kPositionBytes));
    const uint64_t afterSeek = sound::channelGetPosition(stream, sound::kPositionBytes);
    EXPECT_GE(afterSeek, 2u * 176400);
    EXPECT_LT(afterSeek, 2u * 176400 + 176400 / 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_GT(sound::channelGetPosition(stream, sound::kPositionBytes), afterSeek + 176400 / 10);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kPlaying);
}

TEST_F(SoundLayer, PauseHoldsThePositionHeardAndPlayResumesFromIt) {
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, 44100 * 3);
    EXPECT_FALSE(sound::channelPause(stream));
    EXPECT_EQ(sound::lastError(), sound::kErrorNotPlaying);
    ASSERT_TRUE(sound::channelPlay(stream, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(sound::channelPause(stream));
    const uint64_t held = sound::channelGetPosition(stream, sound::kPositionBytes);
    EXPECT_GT(held, 0u);
    EXPECT_EQ(held % 4, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), held);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kPaused);
    // A seek while paused stays paused at the new place.
    ASSERT_TRUE(sound::channelSetPosition(stream, 176400 + 3, sound::kPositionBytes));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), 176400u);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kPaused);
    ASSERT_TRUE(sound::channelPlay(stream, false));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(sound::channelIsActive(stream), sound::kPlaying);
    EXPECT_GT(sound::channelGetPosition(stream, sound::kPositionBytes), 176400u);
}

// A loop up to the track's end (the last marker's, usually) keeps playing inside its stretch; switched off, the
// track plays to its end and stops.
TEST_F(SoundLayer, ALoopKeepsPlayingInsideItsStretchUpToTheEndOfTheTrack) {
    const sound::Handle stream = open(AudioContainer::Wav, 44100, 2, 44100 * 2);
    const uint64_t length = sound::channelGetLength(stream, sound::kPositionBytes);
    ASSERT_TRUE(sound::channelSetLoop(stream, length * 3 / 4, length));
    ASSERT_TRUE(sound::channelSetPosition(stream, length * 3 / 4, sound::kPositionBytes));
    ASSERT_TRUE(sound::channelPlay(stream, false));
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const uint64_t position = sound::channelGetPosition(stream, sound::kPositionBytes);
        EXPECT_GE(position, length * 3 / 4);
        EXPECT_LT(position, length);
        EXPECT_EQ(sound::channelIsActive(stream), sound::kPlaying);
    }
    ASSERT_TRUE(sound::channelSetLoop(stream, 0, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_EQ(sound::channelIsActive(stream), sound::kStopped);
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), length);
}

TEST(SoundLayerWithoutOutput, NoSoundDeviceMeasuresAndSeeksButDoesNotPlay) {
    // No driver at all: device 0 must not need one.
    ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    testing_support::TempDir dir;
    ASSERT_TRUE(sound::initialize(sound::kNoSoundDevice, 44100, 0));
    const sound_tests::ShutdownOnExit shutdown;
    const auto file = writeAudioFile(dir.path() / "a.flac", AudioContainer::Flac, 44100, 2, 44100);
    const sound::Handle stream = sound::createFileStream(wide(file));
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(sound::channelGetLength(stream, sound::kPositionBytes), 176400u);
    EXPECT_TRUE(sound::channelSetPosition(stream, 88200, sound::kPositionBytes));
    EXPECT_EQ(sound::channelGetPosition(stream, sound::kPositionBytes), 88200u);
    EXPECT_FALSE(sound::channelPlay(stream, false));
    EXPECT_EQ(sound::lastError(), sound::kErrorNotAvailable);
    EXPECT_EQ(sound::channelIsActive(stream), sound::kStopped);
    sound::DeviceInfo info;
    ASSERT_TRUE(sound::deviceInfo(0, info));
    EXPECT_EQ(info.flags, sound::kDeviceEnabled | sound::kDeviceInitialized);
}

TEST(SoundLayerWithoutOutput, StartUpFailuresNameTheirCause) {
    {
        ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
        EXPECT_FALSE(sound::initialize(sound::kDefaultDevice, 44100, 0));
        EXPECT_EQ(sound::lastError(), sound::kErrorDriver);
        sound::DeviceInfo info;
        EXPECT_FALSE(sound::deviceInfo(1, info));
    }
    ScopedEnvironment driver("SDL_AUDIODRIVER", "alsa");
    if (!sound::listOutputDevices().empty()) GTEST_SKIP() << "this machine has a sound card";
    const sound_tests::ShutdownOnExit shutdown;
    EXPECT_FALSE(sound::initialize(sound::kDefaultDevice, 44100, 0));
    EXPECT_EQ(sound::lastError(), sound::kErrorDevice);
}

}  // namespace
