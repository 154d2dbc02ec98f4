#include "audio/audio_manager_audio.h"

AudioManagerAudio::AudioManagerAudio(sound::Handle channel) : AudioManagerInterface(channel) {}

AudioManagerAudio::~AudioManagerAudio() = default;
