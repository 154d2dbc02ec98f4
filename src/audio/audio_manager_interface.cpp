#include "audio/audio_manager_interface.h"

AudioManagerInterface::AudioManagerInterface(sound::Handle channel) : channel(channel) {}

uint64_t AudioManagerInterface::getLength() const { return sound::channelGetLength(channel, sound::kPositionBytes); }

uint64_t AudioManagerInterface::getPosition() const {
    return sound::channelGetPosition(channel, sound::kPositionBytes);
}

double AudioManagerInterface::bytesToSeconds(uint64_t bytes) const {
    return sound::channelBytesToSeconds(channel, bytes);
}

double AudioManagerInterface::getPositionSeconds() const { return bytesToSeconds(getPosition()); }

bool AudioManagerInterface::isPlaying() {
    const uint32_t state = sound::channelIsActive(channel);
    playing = state == sound::kPlaying || state == sound::kStalled;
    return playing;
}

bool AudioManagerInterface::play(bool restart) {
    if (sound::channelPlay(channel, restart)) playing = true;
    return playing;
}

bool AudioManagerInterface::pause() {
    if (!sound::channelPause(channel)) return false;
    playing = false;
    return true;
}

uint64_t AudioManagerInterface::setPosition(uint64_t position) {
    sound::channelSetPosition(channel, position, sound::kPositionBytes);
    return getPosition();
}
