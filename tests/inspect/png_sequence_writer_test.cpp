// The capture's PNG writer: files decode to exactly the pixels given, each appears whole under its name, and a
// failed write is reported and stops the sequence.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "base/png_encoding.h"
#include "inspect/png_sequence_writer.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kWidth = 37, kHeight = 19;  // odd sizes: no row padding hides a stride fault

// Built up piece by piece: GCC 12 warns falsely about `"f" + std::to_string(...)`.
std::string frameName(int frame) {
    std::string name = "f";
    name += std::to_string(frame);
    name += ".png";
    return name;
}

std::vector<std::uint8_t> framePixels(int frame) {
    std::vector<std::uint8_t> rgba(std::size_t(kWidth) * kHeight * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = std::uint8_t(i * 7 + frame * 31 + (i >> 5));
    return rgba;
}

std::vector<std::uint8_t> decoded(const fs::path& file) {
    int width = 0, height = 0, components = 0;
    unsigned char* pixels = stbi_load(file.c_str(), &width, &height, &components, 4);
    std::vector<std::uint8_t> rgba;
    if (pixels && width == int(kWidth) && height == int(kHeight)) rgba.assign(pixels, pixels + kWidth * kHeight * 4);
    stbi_image_free(pixels);
    return rgba;
}

TEST(PngSequenceWriterTest, EveryFrameOnEveryWorkerCountDecodesToItsOwnPixelsAndNothingPartialIsLeft) {
    for (unsigned workers : {1u, 3u}) {
        testing_support::TempDir out;
        constexpr int kFrames = 20;  // more than the buffer pool, so buffers are reused while others encode
        {
            PngSequenceWriter writer(kWidth, kHeight, workers);
            for (int frame = 0; frame < kFrames; ++frame) {
                std::uint8_t* buffer = writer.acquire();
                ASSERT_NE(buffer, nullptr);
                const std::vector<std::uint8_t> pixels = framePixels(frame);
                std::copy(pixels.begin(), pixels.end(), buffer);
                writer.submit(buffer, (out.path() / frameName(frame)).string());
            }
            std::string error;
            EXPECT_TRUE(writer.finish(&error)) << error;
        }
        for (int frame = 0; frame < kFrames; ++frame)
            EXPECT_EQ(decoded(out.path() / frameName(frame)), framePixels(frame))
                << workers << " workers, frame " << frame;
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator{}), kFrames);
    }
}

TEST(PngSequenceWriterTest, AFileThatCannotBeWrittenIsReportedAndStopsTheSequence) {
    testing_support::TempDir out;
    const fs::path missing = out.path() / "no-such-folder";
    PngSequenceWriter writer(kWidth, kHeight, 2);
    std::uint8_t* buffer = writer.acquire();
    writer.submit(buffer, (missing / "f0.png").string());
    std::string error;
    EXPECT_FALSE(writer.finish(&error));
    EXPECT_NE(error.find("no-such-folder/f0.png"), std::string::npos) << error;
    EXPECT_EQ(writer.acquire(), nullptr);

    // Frames before the one that fails are written whatever the order the workers finish in; the ones after not.
    testing_support::TempDir sequence;
    {
        PngSequenceWriter several(kWidth, kHeight, 3);
        for (int frame = 0; frame < 5; ++frame) {
            std::uint8_t* pixels = several.acquire();
            if (!pixels) break;
            const fs::path file = frame == 2 ? missing / "f2.png" : sequence.path() / frameName(frame);
            several.submit(pixels, file.string());
        }
        std::string failure;
        EXPECT_FALSE(several.finish(&failure));
        EXPECT_NE(failure.find("f2.png"), std::string::npos) << failure;
    }
    EXPECT_TRUE(fs::exists(sequence.path() / frameName(0)) && fs::exists(sequence.path() / frameName(1)));
    EXPECT_FALSE(fs::exists(sequence.path() / frameName(3)) || fs::exists(sequence.path() / frameName(4)));

    const std::vector<std::uint8_t> still = framePixels(0);
    EXPECT_FALSE(writePngFile((missing / "still.png").string(), still.data(), kWidth, kHeight, &error));
    EXPECT_TRUE(fs::is_empty(out.path()));
}

}  // namespace
