#include "platform/sound/sound_output.h"

namespace sound {

namespace {

// About 23 ms a callback: small enough for a steady clock, large enough not to underrun on a busy machine.
constexpr Uint16 kCallbackFrames = 1024;

std::vector<DeviceInfo> enumerate() {
    std::vector<DeviceInfo> devices;
    const char* driver = SDL_GetCurrentAudioDriver();
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetAudioDeviceName(i, 0);
        devices.push_back({name ? name : "", driver ? driver : "", kDeviceEnabled});
    }
    return devices;
}

}  // namespace

std::vector<DeviceInfo> listOutputDevices() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return {};
    std::vector<DeviceInfo> devices = enumerate();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return devices;
}

int openOutput(int device, SDL_AudioCallback callback, SDL_AudioDeviceID& opened) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return kErrorDriver;

    const char* name = nullptr;  // SDL's default device
    if (device >= 1) {
        name = device <= SDL_GetNumAudioDevices(0) ? SDL_GetAudioDeviceName(device - 1, 0) : nullptr;
        if (!name) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return kErrorDevice;
        }
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(kFrequency);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kCallbackFrames;
    wanted.callback = callback;
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts to whatever the device wants, so the callback always sees our format.
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return kErrorDevice;
    }
    SDL_PauseAudioDevice(id, 0);
    opened = id;
    return kOk;
}

void closeOutput(SDL_AudioDeviceID opened) {
    SDL_CloseAudioDevice(opened);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace sound
