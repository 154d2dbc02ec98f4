// Sizes a file can ask for in a few bytes: each is refused with the loader's own failure, or given in full, without
// trying to allocate what the claim would take.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "audio/marker_lookup.h"
#include "base/wide_text.h"
#include "platform/sound/sound.h"
#include "platform/sound/sound_decoder.h"
#include "platform/sound/sound_errors.h"
#include "render/scene.h"
#include "render/texture.h"
#include "resources/demo_timeline.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

std::string bigEndian32(std::uint32_t value) {
    return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

std::string littleEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char(value >> (8 * i));
    return out;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string pngChunk(const std::string& type, const std::string& data) {
    return bigEndian32(std::uint32_t(data.size())) + type + data + bigEndian32(crc32(type + data));
}

// A grey PNG whose header claims width x height pixels. Its data holds every row (zeros, stored uncompressed) when
// they fit in one stored block, so that only the size can refuse it; else about 1 KB of zeros.
std::string claimingPng(std::uint32_t width, std::uint32_t height) {
    const std::string header = bigEndian32(width) + bigEndian32(height) + std::string("\x08\x00\x00\x00\x00", 5);
    std::string data = "\x78\x01" + std::string(960, '\0');
    const std::uint64_t raw = std::uint64_t(width + 1) * height;
    if (raw < 65536) {
        std::uint32_t a = 1, b = 0;
        for (std::uint64_t i = 0; i < raw; ++i) b = (b + a) % 65521;
        data = "\x78\x01\x01" + littleEndian(std::uint32_t(raw), 2) + littleEndian(std::uint32_t(~raw), 2) +
               std::string(raw, '\0') + bigEndian32((b << 16) | a);
    }
    return std::string("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data) +
           pngChunk("IEND", "");
}

// 8-bit mono PCM at `rate` frames a second.
std::string wav(std::uint32_t rate, std::uint32_t frames) {
    const std::string format = littleEndian(1, 2) + littleEndian(1, 2) + littleEndian(rate, 4) + littleEndian(rate, 4) +
                               littleEndian(1, 2) + littleEndian(8, 2);
    const std::string body = "WAVEfmt " + littleEndian(16, 4) + format + "data" + littleEndian(frames, 4) +
                             std::string(frames, '\x80');
    return "RIFF" + littleEndian(std::uint32_t(body.size()), 4) + body;
}

// A glTF scene of one triangle list whose position accessor claims `count` vertices, with `bufferBytes` of data.
std::string claimingGltf(std::uint32_t count, std::uint32_t bufferBytes) {
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
      "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
      "buffers":[{"byteLength":)" + std::to_string(bufferBytes) + R"(,"uri":"data:application/octet-stream;base64,)" +
           std::string(bufferBytes / 3 * 4, 'A') + R"("}],
      "bufferViews":[{"buffer":0,"byteLength":)" + std::to_string(bufferBytes) + R"(}],
      "accessors":[{"bufferView":0,"componentType":5126,"count":)" + std::to_string(count) +
           R"(,"type":"VEC3","min":[0,0,0],"max":[0,0,0]}]})";
}

struct SizeCase {
    const char* claim;
    std::function<void(const TempDir&, gpu::Device*)> check;
};

void expectTextureRefused(const TempDir& dir, const std::string& png) {
    dir.write("claim.png", png);
    Texture texture;
    texture.directory = dir.path().string() + "/";
    EXPECT_THROW(texture.load(nullptr, "claim.png", true), std::runtime_error);
    EXPECT_THROW(texture.loadEmbedded(nullptr, reinterpret_cast<const std::uint8_t*>(png.data()), png.size(), 0, 0,
                                      "claim.png", true),
                 std::runtime_error);
}

TEST(FileSizes, ClaimsBeyondWhatThePlayerCanHoldAreRefusedOrBounded) {
    testing_support::HeadlessGpu gpu = testing_support::createHeadlessGpu();
    const SizeCase cases[] = {
        {"a 1 KB PNG of 60000 x 60000 pixels",
         [](const TempDir& dir, gpu::Device*) { expectTextureRefused(dir, claimingPng(60000, 60000)); }},
        {"a PNG wider than a texture can be (16385 x 1)",
         [](const TempDir& dir, gpu::Device*) { expectTextureRefused(dir, claimingPng(16385, 1)); }},
        {"a PNG as wide as a texture can be (16384 x 1)",
         [](const TempDir& dir, gpu::Device*) {
             dir.write("wide.png", claimingPng(16384, 1));
             Texture texture;
             texture.directory = dir.path().string() + "/";
             EXPECT_NO_THROW(texture.load(nullptr, "wide.png", true));
         }},
        {"a 100-byte run-length TGA of 16384 x 16384 pixels: more than its bytes can hold",
         [](const TempDir& dir, gpu::Device*) {
             std::string tga("\0\0\x0a\0\0\0\0\0\0\0\0\0", 12);
             tga += littleEndian(16384, 2) + littleEndian(16384, 2) + "\x20\x28";
             for (int run = 0; run < 16; ++run) tga += std::string("\xff\x10\x20\x30\x40", 5);
             expectTextureRefused(dir, tga);
         }},
        {"a texture the scene file holds of 20000 x 20000 texels",
         [](const TempDir&, gpu::Device*) {
             const std::uint8_t texel[4] = {};
             Texture texture;
             EXPECT_THROW(texture.loadEmbedded(nullptr, texel, 4, 20000, 20000, "*0", true), std::runtime_error);
         }},
        {"a scene whose 36 bytes claim ten million vertices",
         [](const TempDir& dir, gpu::Device* device) {
             const auto file = dir.write("claim.gltf", claimingGltf(10'000'000, 36));
             Scene scene(device, "Claim");
             const bool loaded = scene.load(widenUtf8(file.string()));
             for (const Mesh& mesh : scene.meshes) EXPECT_LE(mesh.vertexCount, 3u);
             EXPECT_TRUE(!loaded || scene.meshes.size() <= 1);
         }},
        {"a timeline of a million markers",
         [](const TempDir& dir, gpu::Device*) {
             std::string text = "<Timeline timeunit=\"byte\">";
             text.reserve(40'000'000);
             for (int i = 0; i < 1'000'000; ++i)
                 text += "<TimelineTrack from=\"" + std::to_string(i * 10) + "\" to=\"" + std::to_string(i * 10 + 9) +
                         "\" scene=\"S\"/>";
             text += "</Timeline>";
             const DemoTimeline timeline(ResourcePath(dir.write("timeline.xml", text).string().c_str()));
             ASSERT_EQ(timeline.markerList().size(), 1'000'000u);
             EXPECT_EQ(findMarkerAt(timeline.markerList(), 9'999'995), std::optional<std::size_t>(999'999));
         }},
        {"a 25 KB WAV at 1 Hz: a rate the converter cannot take, whose output chunks would take gigabytes",
         [](const TempDir& dir, gpu::Device*) {
             sound::DecodedAudio decoded;
             EXPECT_EQ(sound::decodeAudioFile(dir.write("slow.wav", wav(1, 25'000)).string(), decoded),
                       sound::kErrorFormat);
         }},
        {"a 5 MB WAV at 200 Hz, seven hours: more than positions reach",
         [](const TempDir& dir, gpu::Device*) {
             const auto file = dir.write("long.wav", wav(200, 5'040'000));
             sound::DecodedAudio decoded;
             EXPECT_EQ(sound::decodeAudioFile(file.string(), decoded), sound::kErrorMemory);
             EXPECT_EQ(sound::createFileStream(widenUtf8(file.string())), 0u);
             EXPECT_EQ(sound::lastError(), sound::kErrorMemory);
         }},
        {"a WAV at 8000 Hz that positions reach",
         [](const TempDir& dir, gpu::Device*) {
             sound::DecodedAudio decoded;
             ASSERT_EQ(sound::decodeAudioFile(dir.write("short.wav", wav(8000, 8000)).string(), decoded), sound::kOk);
             EXPECT_EQ(decoded.frames(), 44100u);
         }},
    };
    ASSERT_TRUE(sound::initialize(sound::kNoSoundDevice, 44100, 0));
    for (const SizeCase& size : cases) {
        SCOPED_TRACE(size.claim);
        TempDir dir;
        size.check(dir, gpu.device.get());
    }
    sound::shutdown();
}

}  // namespace
