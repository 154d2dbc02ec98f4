// Images through the texture loader: a file in the texture folder, and the same bytes as an image a scene file
// holds. No device: everything up to the upload runs (decoding, the expansion to four channels).
#include <stdexcept>

#include "fuzz_support.h"
#include "render/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::writeInput("image.png", data, size);
    Texture texture;
    texture.directory = fuzz::scratch().string() + "/";
    try {
        texture.load(nullptr, "image.png", true);
    } catch (const std::runtime_error&) {
    }
    try {
        texture.loadEmbedded(nullptr, data, size, 0, 0, "embedded", false);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
