// The capture's PNG writer: files decode to exactly the pixels given, each appears whole under its name, and a
// failed write is reported and stops the sequence.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "inspect/png_encoding.h"
#include "inspect/png_sequence_writer.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kWidth = 37, kHeight = 19;  // odd sizes: no row padding hides a stride fault

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
                writer.submit(buffer, (out.path() / ("f" + std::to_string(frame) + ".png")).string());
            }
            std::string error;
            EXPECT_TRUE(writer.finish(&error)) << error;
        }
        for (int frame = 0; frame < kFrames; ++frame)
            EXPECT_EQ(decoded(out.path() / ("f" + std::to_string(frame) + ".png")), framePixels(frame))
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

    const std::vector<std::uint8_t> still = framePixels(0);
    EXPECT_FALSE(writePngFile((missing / "still.png").string(), still.data(), kWidth, kHeight, &error));
    EXPECT_TRUE(fs::is_empty(out.path()));
}

}  // namespace
