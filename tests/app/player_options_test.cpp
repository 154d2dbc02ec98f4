#include "app/player_options.h"

#include <gtest/gtest.h>

#include "platform/gpu/swap_chain.h"

namespace {

TEST(PlayerOptions, EachOptionAndItsBadForms) {
    struct Case {
        std::vector<std::string> words;
        std::optional<uint32_t> width, height;
        std::optional<int32_t> mode, vsync;
        double scale;
        std::optional<double> at;
        size_t problems;
    };
    const std::vector<Case> cases = {
        {{}, {}, {}, {}, {}, 1.0, {}, 0},
        {{"editor", "projectfile", "x.xml"}, {}, {}, {}, {}, 1.0, {}, 0},  // the command line's words
        {{"--size", "1280x720"}, 1280, 720, {}, {}, 1.0, {}, 0},
        {{"--size", "800X600", "--fullscreen"}, 800, 600, 0, {}, 1.0, {}, 0},
        {{"--windowed", "--borderless"}, {}, {}, 2, {}, 1.0, {}, 0},  // the last one counts
        {{"--vsync", "0", "--scale", "0.5"}, {}, {}, {}, 0, 0.5, {}, 0},
        {{"--at", "42.5", "editor"}, {}, {}, {}, {}, 1.0, 42.5, 0},
        {{"--size", "0x720"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--size", "1280"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--size", "1280x720x3"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--size", "99999x720"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--size", "--windowed"}, {}, {}, 1, {}, 1.0, {}, 1},  // no value: the next option still counts
        {{"--vsync", "2"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--vsync"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--scale", "0"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--scale", "nan"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--scale", "5"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--at", "-1"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--at", "soon"}, {}, {}, {}, {}, 1.0, {}, 1},
        {{"--fulscreen", "--help"}, {}, {}, {}, {}, 1.0, {}, 2},
        {{"-size", "640x480", "/vsync"}, {}, {}, {}, {}, 1.0, {}, 0},  // not options: left alone
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"demo"};
        arguments.insert(arguments.end(), c.words.begin(), c.words.end());
        const PlayerOptions options = parsePlayerOptions(arguments);
        SCOPED_TRACE(testing::PrintToString(c.words));
        EXPECT_EQ(options.width, c.width);
        EXPECT_EQ(options.height, c.height);
        EXPECT_EQ(options.windowMode, c.mode);
        EXPECT_EQ(options.vsync, c.vsync);
        EXPECT_EQ(options.scale, c.scale);
        EXPECT_EQ(options.startSeconds, c.at);
        EXPECT_EQ(options.problems.size(), c.problems) << testing::PrintToString(options.problems);
    }
    const PlayerOptions unknown = parsePlayerOptions({"demo", "--fulscreen"});
    ASSERT_EQ(unknown.problems.size(), 1u);
    EXPECT_EQ(unknown.problems[0], "unknown option --fulscreen");
    const PlayerOptions bad = parsePlayerOptions({"demo", "--vsync", "2"});
    EXPECT_EQ(bad.problems[0], "--vsync needs 0 or 1, not \"2\"");
}

TEST(PlayerOptions, OverrideOnlyWhatTheyNameAndFullScreenTakesTheDesktop) {
    ConfigValues config;
    config.setDefaults();
    applyPlayerOptions(parsePlayerOptions({"demo"}), config, std::pair{2560, 1440});
    ConfigValues defaults;
    defaults.setDefaults();
    EXPECT_EQ(config.numericSettings, defaults.numericSettings);
    EXPECT_EQ(config.flagSettings, defaults.flagSettings);

    applyPlayerOptions(parsePlayerOptions({"demo", "--fullscreen", "--vsync", "0"}), config, std::pair{2560, 1440});
    EXPECT_EQ(config.flagSettings["windowed"], 0);
    EXPECT_EQ(config.numericSettings["width"], 2560);
    EXPECT_EQ(config.numericSettings["height"], 1440);
    EXPECT_EQ(config.numericSettings["vsync"], 0);

    config.setDefaults();
    applyPlayerOptions(parsePlayerOptions({"demo", "--fullscreen", "--size", "1280x720"}), config, std::pair{2560, 1440});
    EXPECT_EQ(config.numericSettings["width"], 1280);
    config.setDefaults();
    applyPlayerOptions(parsePlayerOptions({"demo", "--fullscreen"}), config, std::nullopt);  // no display known
    EXPECT_EQ(config.numericSettings["width"], 1920);

    EXPECT_EQ(pictureSize(1920, 1080, 0.5).width, 960u);
    EXPECT_EQ(pictureSize(1920, 1080, 0.5).height, 540u);
    EXPECT_EQ(pictureSize(3, 1, 0.1).height, 1u);
}

// Where the presented picture lands: the whole window when stretched, else centred with bars on the long side.
TEST(PlayerOptions, ThePictureKeepsItsAspectInAWindowOfAnotherShape) {
    struct Case {
        int bufferWidth, bufferHeight, windowWidth, windowHeight;
        gpu::PresentRect expected;
    };
    const Case cases[] = {
        {1920, 1080, 1920, 1080, {0, 0, 1920, 1080}},
        {960, 540, 1920, 1080, {0, 0, 1920, 1080}},     // --scale 0.5: scaled up, no bars
        {1920, 1080, 1024, 768, {0, 96, 1024, 576}},    // 16:9 on 4:3: bars above and below
        {1920, 1080, 2560, 1080, {320, 0, 1920, 1080}}, // on 21:9: bars left and right
        {1280, 1024, 1920, 1080, {285, 0, 1350, 1080}},
    };
    for (const Case& c : cases) {
        const gpu::PresentRect rect = gpu::presentRect(gpu::Scaling::AspectRatioStretch, c.bufferWidth,
                                                       c.bufferHeight, c.windowWidth, c.windowHeight);
        SCOPED_TRACE(testing::Message() << c.bufferWidth << "x" << c.bufferHeight << " in " << c.windowWidth << "x"
                                        << c.windowHeight);
        EXPECT_EQ(rect.x, c.expected.x);
        EXPECT_EQ(rect.y, c.expected.y);
        EXPECT_EQ(rect.width, c.expected.width);
        EXPECT_EQ(rect.height, c.expected.height);
    }
    const gpu::PresentRect stretched = gpu::presentRect(gpu::Scaling::Stretch, 1920, 1080, 1024, 768);
    EXPECT_EQ(stretched.width, 1024);
    EXPECT_EQ(stretched.height, 768);
}

}  // namespace
