#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/music_format.h"
#include "platform/sound/sound_errors.h"

// The sound layer: the music track decoded into memory and played through SDL2 audio. Calls, units and states
// follow the audio library the engine was written against: devices -1 (the default output) and 0 (no sound),
// positions and lengths in bytes of a 44100 Hz 16-bit stereo stream (176400 a second), failures answered as
// false / 0 with the reason in lastError().
namespace sound {

using Handle = uint32_t;

constexpr int kDefaultDevice = -1;
// Starts without any output: streams can be opened, measured and positioned, but not played.
constexpr int kNoSoundDevice = 0;
constexpr uint32_t kFrequency = music_format::kFramesPerSecond;
constexpr uint32_t kBytesPerSecond = music_format::kBytesPerSecond;

// Device flags.
constexpr uint32_t kDeviceEnabled = 1;
constexpr uint32_t kDeviceInitialized = 4;

// Channel activity. Tracks are whole in memory, so a channel never stalls; kStalled keeps its number for callers
// that test for it.
constexpr uint32_t kStopped = 0;
constexpr uint32_t kPlaying = 1;
constexpr uint32_t kStalled = 2;
constexpr uint32_t kPaused = 3;

// Position mode: bytes of the decoded stream, the only mode there is.
constexpr uint32_t kPositionBytes = 0;

// Channel type, by the source file's container.
constexpr uint32_t kTypeWav = 1;
constexpr uint32_t kTypeFlac = 2;
constexpr uint32_t kTypeOggVorbis = 3;
constexpr uint32_t kTypeMp3 = 4;
constexpr uint32_t kTypeOther = 5;

constexpr uint64_t kInvalidPosition = ~uint64_t{0};

struct DeviceInfo {
    std::string name;
    std::string driver;  // SDL's audio driver ("pulseaudio", "alsa", "dummy")
    uint32_t flags = 0;
};

struct ChannelInfo {
    uint32_t frequency = 0;   // of the decoded stream: always 44100
    uint32_t channels = 0;    // of the decoded stream: always 2
    uint32_t flags = 0;       // creation flags: none exist
    uint32_t type = 0;        // kType*
    uint32_t resolution = 0;  // bits per sample of the source, 0 for compressed sources
    uint32_t sourceFrequency = 0;
    uint32_t sourceChannels = 0;
    std::string fileName;     // UTF-8
};

// Starts output on `device` (-1 default, 0 no sound, n >= 1 the n-th entry of deviceInfo) at `frequency`
// (only 44100 is offered). Without a usable default device this fails with kErrorDevice.
bool initialize(int device, uint32_t frequency, uint32_t flags);
// Stops output and frees every stream. Fails with kErrorInit when not started.
bool shutdown();
// Output devices, index 1, 2, ... (0 is the no-sound device); false past the last one.
bool deviceInfo(uint32_t index, DeviceInfo& info);

// Decodes the whole file (WAV, FLAC, Ogg Vorbis, MP3, ...). 0 on failure.
Handle createFileStream(std::u16string_view path);
bool freeStream(Handle stream);

// Plays from the current position, or from the start with `restart`. Once, no loop.
bool channelPlay(Handle channel, bool restart);
// Holds the channel where the listener is; channelPlay without restart goes on from there. Fails with
// kErrorNotPlaying when the channel is not playing.
bool channelPause(Handle channel);
uint32_t channelIsActive(Handle channel);
// kInvalidPosition on failure. Safe on any thread, lock-free against playback, no allocation.
uint64_t channelGetPosition(Handle channel, uint32_t mode);
uint64_t channelGetLength(Handle channel, uint32_t mode);
// Plays start..end (bytes, whole frames, clamped to the stream and short of its last frame) over and over once the
// position is inside it; end <= start switches looping off. The stream never reaches its end while it loops.
bool channelSetLoop(Handle channel, uint64_t start, uint64_t end);
// Clamped into the stream, rounded down to a whole frame.
bool channelSetPosition(Handle channel, uint64_t position, uint32_t mode);
// -1 on failure.
double channelBytesToSeconds(Handle channel, uint64_t bytes);
bool channelGetInfo(Handle channel, ChannelInfo& info);

}  // namespace sound
