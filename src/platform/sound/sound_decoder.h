#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sound {

// What every stream is converted to: the unit of all positions and lengths.
constexpr uint32_t kOutputRate = 44100;
constexpr uint32_t kOutputChannels = 2;
constexpr uint32_t kBytesPerFrame = kOutputChannels * sizeof(int16_t);

enum class SourceKind : uint32_t { Wav, Flac, OggVorbis, Mp3, Other };

struct DecodedAudio {
    std::vector<int16_t> samples;  // interleaved stereo at kOutputRate
    uint32_t sourceRate = 0;
    uint32_t sourceChannels = 0;
    uint32_t sourceBits = 0;  // 0 for compressed sources
    SourceKind kind = SourceKind::Other;

    uint64_t frames() const { return samples.size() / kOutputChannels; }
};

// Decodes a whole file into memory and converts it to 44100 Hz 16-bit stereo (mono goes to both channels). The
// converted length is the source length scaled to 44100 Hz, rounded to the nearest frame. Answers kOk or the
// error code (sound_errors.h); `out` is only written on success.
int decodeAudioFile(const std::string& utf8Path, DecodedAudio& out);

}  // namespace sound
