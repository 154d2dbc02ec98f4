#pragma once

#include <cstdint>

#include "platform/sound/sound.h"

// One playing channel of the sound layer. Position and length may be read from any thread while the engine
// thread plays; play and isPlaying belong to the engine thread.
class AudioManagerInterface {
public:
    explicit AudioManagerInterface(sound::Handle channel);
    virtual ~AudioManagerInterface() = default;
    AudioManagerInterface(const AudioManagerInterface&) = delete;
    AudioManagerInterface& operator=(const AudioManagerInterface&) = delete;

    // Bytes of the decoded stream; the layer's error value (all bits set) passes through unchanged.
    uint64_t getLength() const;
    uint64_t getPosition() const;
    double bytesToSeconds(uint64_t bytes) const;
    double getPositionSeconds() const;

    // Playing or stalled count as playing.
    bool isPlaying();
    // A failed start answers the earlier state.
    bool play(bool restart);
    // Holds playback where the listener is; play(false) resumes from there. False when it was not playing.
    bool pause();
    // Loops start..end (bytes) in the sound layer, sample-exact; end <= start stops looping.
    bool setLoop(uint64_t start, uint64_t end) { return sound::channelSetLoop(channel, start, end); }
    // Answers the position after the seek, whether or not the seek succeeded.
    uint64_t setPosition(uint64_t position);

protected:
    sound::Handle channel;
    bool playing = false;
};
