#pragma once

#include <cstdint>

// The one format every music track is decoded to, and so the unit of every music position and length in the show
// (timeline bytes, the sound layer, the tools): 44100 frames a second, 16-bit stereo, 4 bytes a frame.
namespace music_format {

constexpr uint32_t kFramesPerSecond = 44100;
constexpr uint32_t kChannels = 2;
constexpr uint32_t kBytesPerFrame = kChannels * sizeof(int16_t);
constexpr uint32_t kBytesPerSecond = kFramesPerSecond * kBytesPerFrame;

}  // namespace music_format
