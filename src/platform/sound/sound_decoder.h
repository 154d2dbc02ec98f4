#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/music_format.h"

namespace sound {

// What every stream is converted to: the unit of all positions and lengths.
constexpr uint32_t kOutputRate = music_format::kFramesPerSecond;
constexpr uint32_t kOutputChannels = music_format::kChannels;
constexpr uint32_t kBytesPerFrame = music_format::kBytesPerFrame;

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
// converted length is the source length scaled to 44100 Hz, rounded to the nearest frame; a stream longer than
// the 2^32 bytes positions reach is refused with kErrorMemory. Answers kOk or the error code (sound_errors.h);
// `out` is only written on success.
int decodeAudioFile(const std::string& utf8Path, DecodedAudio& out);

}  // namespace sound
