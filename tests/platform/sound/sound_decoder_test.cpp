#include "platform/sound/sound_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/sound/sound_errors.h"
#include "support/audio_files.h"
#include "support/test_support.h"

namespace {

using testing_support::AudioContainer;
using testing_support::testSample;
using testing_support::writeAudioFile;

struct SourceCase {
    const char* name;
    AudioContainer container;
    int rate;
    int channels;
    int64_t frames;
    sound::SourceKind kind;
};

// Names the case by its file in test listings.
void PrintTo(const SourceCase& source, std::ostream* out) { *out << source.name; }

class DecodedLength : public testing::TestWithParam<SourceCase> {};

TEST_P(DecodedLength, IsTheSourceLengthAt44100HzToTheFrame) {
    const SourceCase& source = GetParam();
    testing_support::TempDir dir;
    const auto file = writeAudioFile(dir.path() / source.name, source.container, source.rate, source.channels,
                                     source.frames);
    sound::DecodedAudio decoded;
    ASSERT_EQ(sound::decodeAudioFile(file.string(), decoded), sound::kOk);

    const auto expected = static_cast<uint64_t>(std::llround(source.frames * 44100.0 / source.rate));
    EXPECT_EQ(decoded.frames(), expected);
    EXPECT_EQ(decoded.samples.size(), expected * 2);
    EXPECT_EQ(decoded.sourceRate, static_cast<uint32_t>(source.rate));
    EXPECT_EQ(decoded.sourceChannels, static_cast<uint32_t>(source.channels));
    EXPECT_EQ(decoded.kind, source.kind);

    // Not silence: a converter fed the wrong layout or scale gives zeros or noise at +-1.
    double energy = 0;
    for (int16_t s : decoded.samples) energy += double(s) * s;
    EXPECT_GT(std::sqrt(energy / double(decoded.samples.size())), 1000.0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodedLength,
    testing::Values(SourceCase{"a.wav", AudioContainer::Wav, 44100, 2, 44100 + 17, sound::SourceKind::Wav},
                    SourceCase{"b.flac", AudioContainer::Flac, 44100, 2, 30011, sound::SourceKind::Flac},
                    SourceCase{"c.ogg", AudioContainer::OggVorbis, 48000, 2, 48000 + 101, sound::SourceKind::OggVorbis},
                    SourceCase{"d.mp3", AudioContainer::Mp3, 44100, 2, 44100, sound::SourceKind::Mp3},
                    SourceCase{"e.mp3", AudioContainer::Mp3, 48000, 1, 24000, sound::SourceKind::Mp3},
                    SourceCase{"f.wav", AudioContainer::Wav, 48000, 2, 48001, sound::SourceKind::Wav},
                    SourceCase{"g.wav", AudioContainer::Wav, 22050, 1, 22050 * 2 + 1, sound::SourceKind::Wav},
                    SourceCase{"h.ogg", AudioContainer::OggVorbis, 44100, 1, 12345, sound::SourceKind::OggVorbis}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::to_string(info.index); });

TEST(SoundDecoder, KeepsLosslessSamplesAt44100HzExactAndDuplicatesMono) {
    testing_support::TempDir dir;
    const int64_t frames = 20000;
    for (AudioContainer container : {AudioContainer::Wav, AudioContainer::Flac}) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "container " << int(container) << ", channels " << channels);
            const auto file = writeAudioFile(dir.path() / "x", container, 44100, channels, frames);
            sound::DecodedAudio decoded;
            ASSERT_EQ(sound::decodeAudioFile(file.string(), decoded), sound::kOk);
            ASSERT_EQ(decoded.frames(), uint64_t(frames));
            for (int64_t i = 0; i < frames; ++i) {
                const int16_t left = testSample(i, 0);
                const int16_t right = channels == 1 ? left : testSample(i, 1);
                if (decoded.samples[2 * i] != left || decoded.samples[2 * i + 1] != right) {
                    FAIL() << "frame " << i << ": " << decoded.samples[2 * i] << "," << decoded.samples[2 * i + 1]
                           << " instead of " << left << "," << right;
                }
            }
        }
    }
}

TEST(SoundDecoder, ScalesFloatSourcesToFullRange) {
    testing_support::TempDir dir;
    const auto file = writeAudioFile(dir.path() / "float.wav", AudioContainer::WavFloat, 44100, 2, 1000);
    sound::DecodedAudio decoded;
    ASSERT_EQ(sound::decodeAudioFile(file.string(), decoded), sound::kOk);
    EXPECT_EQ(decoded.sourceBits, 32u);
    for (int64_t i = 0; i < 1000; ++i) ASSERT_NEAR(decoded.samples[2 * i], testSample(i, 0), 1) << "frame " << i;
}

TEST(SoundDecoder, ResamplingKeepsTheSignal) {
    // A 48 kHz ramp pattern resampled must still line up in time with the source: compare a smooth tone instead.
    testing_support::TempDir dir;
    const auto file = writeAudioFile(dir.path() / "tone.ogg", AudioContainer::OggVorbis, 48000, 1, 48000);
    sound::DecodedAudio decoded;
    ASSERT_EQ(sound::decodeAudioFile(file.string(), decoded), sound::kOk);
    // Mid-file, the 440 Hz tone written at amplitude 8000 must come out at 44100 Hz with the same phase.
    double error = 0;
    int count = 0;
    for (uint64_t i = 10000; i < 30000; ++i) {
        const double expected = 8000 * std::sin(2 * M_PI * 440.0 * double(i) / 44100.0);
        error += std::abs(decoded.samples[2 * i] - expected);
        EXPECT_EQ(decoded.samples[2 * i], decoded.samples[2 * i + 1]);
        ++count;
    }
    EXPECT_LT(error / count, 400.0);
}

TEST(SoundDecoder, RejectsWhatItCannotPlay) {
    testing_support::TempDir dir;
    sound::DecodedAudio untouched;
    untouched.sourceRate = 1234;

    EXPECT_EQ(sound::decodeAudioFile((dir.path() / "missing.ogg").string(), untouched), sound::kErrorFileOpen);
    EXPECT_EQ(sound::decodeAudioFile(dir.write("noise.ogg", std::string(5000, '\x5a')).string(), untouched),
              sound::kErrorFileForm);
    EXPECT_EQ(sound::decodeAudioFile(dir.write("empty.wav", "").string(), untouched), sound::kErrorFileForm);
    EXPECT_EQ(sound::decodeAudioFile(dir.path().string(), untouched), sound::kErrorFileForm);
    const auto surround = writeAudioFile(dir.path() / "six.wav", AudioContainer::Wav, 44100, 6, 100);
    EXPECT_EQ(sound::decodeAudioFile(surround.string(), untouched), sound::kErrorFormat);

    // A file cut short in its header.
    const auto whole = writeAudioFile(dir.path() / "whole.flac", AudioContainer::Flac, 44100, 2, 44100);
    const std::string bytes = testing_support::readFile(whole);
    EXPECT_NE(sound::decodeAudioFile(dir.write("cut.flac", bytes.substr(0, 20)).string(), untouched), sound::kOk);

    EXPECT_EQ(untouched.sourceRate, 1234u);
    EXPECT_TRUE(untouched.samples.empty());
}

}  // namespace
