#pragma once

#include <SDL.h>

#include <vector>

#include "platform/sound/sound.h"

namespace sound {

// SDL's output devices under the current driver, in SDL's order (our index 1 is SDL's 0). Starts SDL's audio
// subsystem for the look-up when nobody has; empty when no driver can start.
std::vector<DeviceInfo> listOutputDevices();

// Opens `device` (-1 default, n >= 1 the n-th listed) for 44100 Hz 16-bit stereo and starts its callback.
// Answers kOk or an error code; on success `opened` is the SDL device and SDL's audio subsystem stays started
// until closeOutput.
int openOutput(int device, SDL_AudioCallback callback, SDL_AudioDeviceID& opened);
void closeOutput(SDL_AudioDeviceID opened);

}  // namespace sound
