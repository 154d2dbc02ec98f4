#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/png_encoding.h"
#include "base/utf8_files.h"
#include "support/test_support.h"

namespace {

// Show folders carry names from every language; a UTF-8 name must reach the same file through every entry point.
TEST(Utf8Files, NonAsciiNamesRoundTripThroughEveryEntryPoint) {
    const testing_support::TempDir temp;
    const std::string folder = utf8PathText(temp.path()) + "/Gr\xC3\xB6\xC3\x9F" "e \xE2\x9C\x93";
    std::filesystem::create_directories(utf8FilePath(folder));

    const std::string text = folder + "/n\xC3\xA4me.txt";
    std::FILE* out = openUtf8File(text, "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("bytes", out);
    std::fclose(out);
    std::FILE* in = openUtf8File(text, "rb");
    ASSERT_NE(in, nullptr);
    char read[8] = {};
    EXPECT_EQ(std::fread(read, 1, sizeof read, in), 5u);
    std::fclose(in);
    EXPECT_STREQ(read, "bytes");

    const std::uint8_t pixel[4] = {1, 2, 3, 255};
    std::string error;
    ASSERT_TRUE(writePngFile(folder + "/\xE2\x9C\x93.png", pixel, 1, 1, &error)) << error;
    EXPECT_TRUE(std::filesystem::exists(utf8FilePath(folder + "/\xE2\x9C\x93.png")));
    EXPECT_FALSE(std::filesystem::exists(utf8FilePath(folder + "/\xE2\x9C\x93.png.partial")));
}

TEST(Utf8Files, PathTextKeepsForwardSlashesAndBytes) {
    const struct {
        const char* path;
        const char* text;
    } cases[] = {
        {"a/b/c.hlsl", "a/b/c.hlsl"},
        {"resources/sc\xC3\xA8nes/x.glb", "resources/sc\xC3\xA8nes/x.glb"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(utf8PathText(utf8FilePath(c.path)), c.text) << c.path;
    EXPECT_EQ(utf8PathText((utf8FilePath("shaders/post") / utf8FilePath("../common.hlsl")).lexically_normal()),
              "shaders/common.hlsl");
}

}  // namespace
