#include "platform/sound/sound.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "platform/sound/playback_clock.h"
#include "platform/sound/sound_decoder.h"
#include "platform/sound/sound_output.h"
#include "base/wide_text.h"

namespace sound {

namespace {

constexpr size_t kMaxStreams = 64;

struct Stream {
    Handle handle = 0;
    DecodedAudio audio;
    uint64_t lengthFrames = 0;
    ChannelInfo info;
    PlaybackClock clock;
    // Guarded by SoundSystem::mixLock.
    uint64_t cursorFrames = 0;
    bool playing = false;
    std::atomic<bool> paused{false};
    // A stretch played over and over (end 0: none), in frames; guarded by the mix lock like the cursor.
    uint64_t loopStartFrames = 0;
    uint64_t loopEndFrames = 0;
};

// Lock order: control, then table, then mix. Position and length queries take the table lock shared and nothing
// else; only creating, freeing and shutting down take it exclusively.
struct SoundSystem {
    std::mutex control;
    bool started = false;
    std::atomic<int> device{kNoSoundDevice};
    SDL_AudioDeviceID output = 0;
    uint32_t nextSerial = 1;
    std::vector<DeviceInfo> devices;

    std::shared_mutex table;
    std::array<std::unique_ptr<Stream>, kMaxStreams> slots;

    std::mutex mix;

    ~SoundSystem() {
        if (output != 0) closeOutput(output);
    }
};

SoundSystem& soundSystem() {
    static SoundSystem system;
    return system;
}

// Handles carry the slot in the low byte and a serial above it, so a freed handle never names a newer stream.
Stream* findStream(SoundSystem& system, Handle handle) {
    const uint32_t slot = (handle & 0xFF) - 1;
    if (slot >= kMaxStreams) return nullptr;
    Stream* stream = system.slots[slot].get();
    return stream && stream->handle == handle ? stream : nullptr;
}

uint32_t typeOf(SourceKind kind) {
    switch (kind) {
        case SourceKind::Wav: return kTypeWav;
        case SourceKind::Flac: return kTypeFlac;
        case SourceKind::OggVorbis: return kTypeOggVorbis;
        case SourceKind::Mp3: return kTypeMp3;
        case SourceKind::Other: break;
    }
    return kTypeOther;
}

// Called while holding the mix lock.
void restartClock(Stream& stream, bool playing) {
    stream.playing = playing;
    stream.clock.publish({playing, stream.cursorFrames, stream.cursorFrames, monotonicNanos()});
}

void mixStream(Stream& stream, int16_t* out, uint64_t frames, int64_t now) {
    const bool looping = stream.loopEndFrames > stream.loopStartFrames && stream.cursorFrames < stream.loopEndFrames;
    const uint64_t end = looping ? stream.loopEndFrames : stream.lengthFrames;
    if (stream.cursorFrames >= end) {
        // Everything handed over was heard by this callback: the track has ended.
        stream.cursorFrames = stream.lengthFrames;
        restartClock(stream, false);
        return;
    }
    auto add = [&](uint64_t from, uint64_t count, int16_t* to) {
        const int16_t* in = stream.audio.samples.data() + from * kOutputChannels;
        for (uint64_t i = 0; i < count * kOutputChannels; ++i) {
            to[i] = static_cast<int16_t>(std::clamp(to[i] + in[i], -32768, 32767));
        }
    };
    const uint64_t count = std::min(frames, end - stream.cursorFrames);
    add(stream.cursorFrames, count, out);
    stream.clock.publish({true, stream.cursorFrames, stream.cursorFrames + count, now});
    stream.cursorFrames += count;
    // At the loop's end the rest of the buffer comes from its start; the clock is anchored there by the next
    // callback (until then the position holds at the loop's end, for less than a buffer).
    uint64_t done = count;
    while (looping && done < frames && stream.cursorFrames >= stream.loopEndFrames) {
        stream.cursorFrames = stream.loopStartFrames;
        const uint64_t more = std::min(frames - done, stream.loopEndFrames - stream.loopStartFrames);
        add(stream.cursorFrames, more, out + done * kOutputChannels);
        stream.cursorFrames += more;
        done += more;
    }
}

void SDLCALL mixCallback(void*, Uint8* buffer, int length) {
    const int64_t now = monotonicNanos();
    std::fill(buffer, buffer + length, Uint8{0});
    auto* out = reinterpret_cast<int16_t*>(buffer);
    const uint64_t frames = static_cast<uint64_t>(length) / kBytesPerFrame;

    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    std::lock_guard mix(system.mix);
    for (const auto& slot : system.slots) {
        if (slot && slot->playing) mixStream(*slot, out, frames, now);
    }
}

bool fail(int code) {
    setLastError(code);
    return false;
}

uint64_t failPosition(int code) {
    setLastError(code);
    return kInvalidPosition;
}

bool validMode(uint32_t mode) { return mode == kPositionBytes; }

}  // namespace

bool initialize(int device, uint32_t frequency, uint32_t) {
    SoundSystem& system = soundSystem();
    std::lock_guard control(system.control);
    if (system.started) return fail(kErrorAlready);
    if (frequency != kFrequency) return fail(kErrorIllegalParameter);
    if (device < kDefaultDevice) return fail(kErrorDevice);
    if (device != kNoSoundDevice) {
        const int result = openOutput(device, mixCallback, system.output);
        if (result != kOk) return fail(result);
    }
    system.started = true;
    system.device = device;
    setLastError(kOk);
    return true;
}

bool shutdown() {
    SoundSystem& system = soundSystem();
    std::lock_guard control(system.control);
    if (!system.started) return fail(kErrorInit);
    // Close first: SDL waits for a running callback, which may be waiting for the table lock.
    if (system.output != 0) closeOutput(system.output);
    system.output = 0;
    {
        std::unique_lock table(system.table);
        for (auto& slot : system.slots) slot.reset();
    }
    system.started = false;
    setLastError(kOk);
    return true;
}

bool deviceInfo(uint32_t index, DeviceInfo& info) {
    SoundSystem& system = soundSystem();
    std::lock_guard control(system.control);
    if (index == 0) {
        info = {"No sound", "", kDeviceEnabled};
        if (system.started && system.device == kNoSoundDevice) info.flags |= kDeviceInitialized;
        setLastError(kOk);
        return true;
    }
    if (index == 1 || system.devices.empty()) system.devices = listOutputDevices();
    if (index > system.devices.size()) return fail(kErrorDevice);
    info = system.devices[index - 1];
    if (system.started && system.device == static_cast<int>(index)) info.flags |= kDeviceInitialized;
    setLastError(kOk);
    return true;
}

Handle createFileStream(std::u16string_view path) {
    SoundSystem& system = soundSystem();
    {
        std::lock_guard control(system.control);
        if (!system.started) return fail(kErrorInit);
    }
    auto stream = std::make_unique<Stream>();
    stream->info.fileName = narrowToUtf8(path);
    // Decoding takes a while for a long track; nothing is locked meanwhile.
    const int result = decodeAudioFile(stream->info.fileName, stream->audio);
    if (result != kOk) return fail(result);
    stream->lengthFrames = stream->audio.frames();
    stream->info.frequency = kOutputRate;
    stream->info.channels = kOutputChannels;
    stream->info.type = typeOf(stream->audio.kind);
    stream->info.resolution = stream->audio.sourceBits;
    stream->info.sourceFrequency = stream->audio.sourceRate;
    stream->info.sourceChannels = stream->audio.sourceChannels;

    std::lock_guard control(system.control);
    if (!system.started) return fail(kErrorInit);
    std::unique_lock table(system.table);
    const auto free = std::find(system.slots.begin(), system.slots.end(), nullptr);
    if (free == system.slots.end()) return fail(kErrorMemory);
    const auto slot = static_cast<uint32_t>(free - system.slots.begin());
    stream->handle = (system.nextSerial << 8) | (slot + 1);
    system.nextSerial = (system.nextSerial + 1) & 0xFFFFFF;
    if (system.nextSerial == 0) system.nextSerial = 1;
    *free = std::move(stream);
    setLastError(kOk);
    return (*free)->handle;
}

bool freeStream(Handle handle) {
    SoundSystem& system = soundSystem();
    std::lock_guard control(system.control);
    std::unique_lock table(system.table);
    Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    system.slots[(handle & 0xFF) - 1].reset();
    setLastError(kOk);
    return true;
}

bool channelPlay(Handle handle, bool restart) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    if (system.device == kNoSoundDevice) return fail(kErrorNotAvailable);
    std::lock_guard mix(system.mix);
    stream->paused = false;
    if (restart) {
        stream->cursorFrames = 0;
    } else if (stream->playing) {
        setLastError(kOk);
        return true;
    }
    restartClock(*stream, true);
    setLastError(kOk);
    return true;
}

bool channelPause(Handle handle) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    std::lock_guard mix(system.mix);
    if (!stream->playing) return fail(kErrorNotPlaying);
    // What was handed to the device but not yet heard is played again on resume: the position stays put.
    stream->cursorFrames = framesHeardAt(stream->clock.read(), monotonicNanos(), kOutputRate);
    stream->paused = true;
    restartClock(*stream, false);
    setLastError(kOk);
    return true;
}

uint32_t channelIsActive(Handle handle) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    const Stream* stream = findStream(system, handle);
    if (!stream) {
        setLastError(kErrorHandle);
        return kStopped;
    }
    setLastError(kOk);
    const ClockState state = stream->clock.read();
    if (!state.playing) return stream->paused ? kPaused : kStopped;
    return framesHeardAt(state, monotonicNanos(), kOutputRate) < stream->lengthFrames ? kPlaying : kStopped;
}

uint64_t channelGetPosition(Handle handle, uint32_t mode) {
    if (!validMode(mode)) return failPosition(kErrorIllegalParameter);
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    const Stream* stream = findStream(system, handle);
    if (!stream) return failPosition(kErrorHandle);
    setLastError(kOk);
    return framesHeardAt(stream->clock.read(), monotonicNanos(), kOutputRate) * kBytesPerFrame;
}

uint64_t channelGetLength(Handle handle, uint32_t mode) {
    if (!validMode(mode)) return failPosition(kErrorIllegalParameter);
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    const Stream* stream = findStream(system, handle);
    if (!stream) return failPosition(kErrorHandle);
    setLastError(kOk);
    return stream->lengthFrames * kBytesPerFrame;
}

bool channelSetLoop(Handle handle, uint64_t start, uint64_t end) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    std::lock_guard mix(system.mix);
    const uint64_t last = stream->lengthFrames > 0 ? stream->lengthFrames - 1 : 0;
    stream->loopStartFrames = std::min(start / kBytesPerFrame, last);
    stream->loopEndFrames = std::min(end / kBytesPerFrame, last);
    if (stream->loopEndFrames <= stream->loopStartFrames) stream->loopStartFrames = stream->loopEndFrames = 0;
    setLastError(kOk);
    return true;
}

bool channelSetPosition(Handle handle, uint64_t position, uint32_t mode) {
    if (!validMode(mode)) return fail(kErrorIllegalParameter);
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    std::lock_guard mix(system.mix);
    stream->cursorFrames = std::min(position / kBytesPerFrame, stream->lengthFrames);
    restartClock(*stream, stream->playing);
    setLastError(kOk);
    return true;
}

double channelBytesToSeconds(Handle handle, uint64_t bytes) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    if (!findStream(system, handle)) {
        setLastError(kErrorHandle);
        return -1.0;
    }
    setLastError(kOk);
    return static_cast<double>(bytes) / kBytesPerSecond;
}

bool channelGetInfo(Handle handle, ChannelInfo& info) {
    SoundSystem& system = soundSystem();
    std::shared_lock table(system.table);
    const Stream* stream = findStream(system, handle);
    if (!stream) return fail(kErrorHandle);
    info = stream->info;
    setLastError(kOk);
    return true;
}

}  // namespace sound
