// The music through the sound layer, as the player opens it: decoded whole into a stream on the no-sound device,
// measured, positioned and read back.
#include <cstdlib>

#include "base/wide_text.h"
#include "fuzz_support.h"
#include "platform/sound/sound.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!sound::initialize(sound::kNoSoundDevice, 44100, 0)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeInput("music", data, size);
    const sound::Handle stream = sound::createFileStream(widenUtf8(path));
    if (!stream) return 0;
    fuzz::Draws draws(data, size);
    const std::uint64_t length = sound::channelGetLength(stream, sound::kPositionBytes);
    if (length == sound::kInvalidPosition || length % 4 != 0) std::abort();
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t position = length ? draws.next() % (length + 8) : 0;
        if (sound::channelSetPosition(stream, position, sound::kPositionBytes) &&
            sound::channelGetPosition(stream, sound::kPositionBytes) > length)
            std::abort();
        (void)sound::channelBytesToSeconds(stream, position);
    }
    sound::ChannelInfo info;
    (void)sound::channelGetInfo(stream, info);
    sound::freeStream(stream);
    return 0;
}
