#pragma once

#include <cstdint>
#include <filesystem>

namespace testing_support {

enum class AudioContainer { Wav, WavFloat, Flac, OggVorbis, Mp3 };

// Writes `frames` frames of a test signal with libsndfile and answers the path. Lossless containers hold exactly
// testSample(frame, channel); lossy ones a tone of the same length.
std::filesystem::path writeAudioFile(const std::filesystem::path& path, AudioContainer container, int sampleRate,
                                     int channels, int64_t frames);

// The sample a lossless file written above holds at `frame` in `channel`.
int16_t testSample(int64_t frame, int channel);

}  // namespace testing_support
