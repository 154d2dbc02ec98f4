#pragma once

#include "audio/audio_manager_interface.h"

// The channel of the music track. The stream is left to the sound layer's shutdown, not freed here.
class AudioManagerAudio : public AudioManagerInterface {
public:
    explicit AudioManagerAudio(sound::Handle channel);
    ~AudioManagerAudio() override;
};
