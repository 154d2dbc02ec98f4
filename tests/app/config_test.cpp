#include <gtest/gtest.h>

#include "app/config_manager.h"
#include "app/config_values.h"

namespace {

TEST(ConfigValues, DefaultsGiveAWindowedFullHdRunAtTheOrigin) {
    ConfigValues config;
    ConfigManager manager(&config, "config.json");
    EXPECT_EQ(config.numericSettings["width"], 1920);
    EXPECT_EQ(config.numericSettings["height"], 1080);
    EXPECT_EQ(config.numericSettings["vsync"], 1);
    EXPECT_EQ(config.numericSettings["multiSample"], 1);
    EXPECT_EQ(config.flagSettings["windowed"], 1);
    EXPECT_EQ(config.flagSettings["alwaysOnTop"], 0);
    EXPECT_EQ(config.windowPositions["mainWindowPosition"], std::make_pair(0, 0));
    EXPECT_EQ(config.windowPositions["consoleWindowPosition"], std::make_pair(0, 0));
    EXPECT_EQ(config.editorState["position"], 0);
    EXPECT_EQ(config.editorState["paused"], 0);
}

TEST(ConfigValues, MissingKeysReadAsZeroAndSetDefaultsDropsThemAgain) {
    ConfigValues config;
    config.setDefaults();
    EXPECT_EQ(config.numericSettings["nonexistent"], 0);
    EXPECT_EQ(config.windowPositions["nowhere"], std::make_pair(0, 0));
    EXPECT_EQ(config.numericSettings.size(), 5u);
    config.numericSettings["width"] = 640;
    config.editorState["paused"] = 1;
    config.setDefaults();
    EXPECT_EQ(config.numericSettings.size(), 4u);
    EXPECT_EQ(config.windowPositions.size(), 2u);
    EXPECT_EQ(config.numericSettings["width"], 1920);
    EXPECT_EQ(config.editorState["paused"], 0);
}

}  // namespace
