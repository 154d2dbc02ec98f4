#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
// `out` is only written on success. The decoder runs in the file helper (a file that crashes or stops it cannot be
// decoded); the samples come back from there.
int decodeAudioFile(const std::string& utf8Path, DecodedAudio& out);

// Starts decoding the file in the background, so that the work overlaps with what the program does before it asks
// for the music (the player makes its graphics device meanwhile). The next decodeAudioFile of the same, unchanged
// file takes that result; once per process.
void prefetchAudioFile(const std::string& utf8Path);

// The file helper's job for it: words are the job's name and the path; answers the result code and the samples.
constexpr const char* kDecodeJob = "sound";
std::string runDecodeJob(const std::vector<std::string>& words, std::string_view input);

}  // namespace sound
