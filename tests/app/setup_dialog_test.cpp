// The start-up dialog: its choices as options, driven by keys under the test's X server, and the packed player
// that opens it through the default-options file beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "app/setup_choices.h"
#include "support/child_process.h"
#include "support/test_show.h"
#include "support/test_support.h"
#include "support/x11_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::TempDir;
using Key = SetupChoices::Key;
using Words = std::vector<std::string>;

TEST(SetupChoices, KeysChangeTheSettingsAndTheChoicesAreOptions) {
    const platform::DisplayInfo wide{"A", 0, 0, 2560, 1440, {{2560, 1440}, {1920, 1080}, {1280, 720}}};
    const platform::DisplayInfo small{"B", 2560, 0, 1024, 768, {{1024, 768}, {800, 600}}};
    struct Case {
        Words options;
        std::vector<platform::DisplayInfo> displays;
        std::vector<Key> keys;
        Words expected;
        SetupChoices::Outcome outcome;
    };
    const auto started = SetupChoices::Outcome::Started;
    const Case cases[] = {
        // The player's own settings first: the show's size, windowed, vsync, full quality.
        {{}, {wide}, {Key::Start}, {"--size", "1920x1080", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        // The options given before the dialog are where it starts.
        {{"--size", "640x360", "--fullscreen", "--vsync", "0", "--scale", "0.6"}, {wide}, {Key::Start},
         {"--size", "640x360", "--fullscreen", "--vsync", "0", "--scale", "0.5"}, started},
        // Resolution: smallest first, the show's own among the display's modes; Home and End; stops at the ends.
        {{"--size", "640x360"}, {wide}, {Key::Right, Key::Start}, {"--size", "1280x720", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        {{}, {wide}, {Key::Last, Key::Right, Key::Start}, {"--size", "2560x1440", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        {{}, {wide}, {Key::First, Key::Left, Key::Start}, {"--size", "1280x720", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        // Down to the window mode, vsync and quality rows.
        {{}, {wide}, {Key::Down, Key::Left, Key::Down, Key::Left, Key::Down, Key::Right, Key::Right, Key::Start},
         {"--size", "1920x1080", "--fullscreen", "--vsync", "0", "--scale", "0.5"}, started},
        {{}, {wide}, {Key::Down, Key::Activate, Key::Activate, Key::Down, Key::Activate, Key::Start},
         {"--size", "1920x1080", "--fullscreen", "--vsync", "0", "--scale", "1"}, started},
        // Space on the Start row starts; the row stops at the last.
        {{}, {wide}, {Key::Down, Key::Down, Key::Down, Key::Down, Key::Down, Key::Down, Key::Activate},
         {"--size", "1920x1080", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        // Several displays: a display row (starting on the resolution row); another display lists its own modes.
        {{}, {wide, small}, {Key::Up, Key::Right, Key::Down, Key::First, Key::Start},
         {"--display", "2", "--size", "800x600", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        {{"--display", "2", "--size", "1024x768"}, {wide, small}, {Key::Up, Key::Left, Key::Start},
         {"--display", "1", "--size", "1024x768", "--windowed", "--vsync", "1", "--scale", "1"}, started},
        {{}, {wide}, {Key::Right, Key::Quit}, {"--size", "2560x1440", "--windowed", "--vsync", "1", "--scale", "1"},
         SetupChoices::Outcome::Quit},
    };
    for (const Case& c : cases) {
        Words arguments = {"demo"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        SetupChoices choices(parsePlayerOptions(arguments), c.displays);
        for (const Key key : c.keys) choices.press(key);
        SCOPED_TRACE(testing::PrintToString(c.options) + " " + testing::PrintToString(c.expected));
        EXPECT_EQ(choices.outcome(), c.outcome);
        EXPECT_EQ(choices.optionWords(), c.expected);
        // The words mean what they say to the command line's own parser.
        arguments.insert(arguments.end(), c.expected.begin(), c.expected.end());
        EXPECT_TRUE(parsePlayerOptions(arguments).problems.empty());
    }
}

TEST(SetupChoices, DefaultOptionsFileWords) {
    const std::pair<std::string, Words> cases[] = {
        {"", {}},
        {"--setup\n", {"--setup"}},
        {"# party hall\r\n--fullscreen --size 1920x1080  # the projector\n\t--vsync 1", {"--fullscreen", "--size", "1920x1080", "--vsync", "1"}},
        {"--at \"4 2\" a#b", {"--at", "4 2", "a#b"}},
    };
    for (const auto& [text, words] : cases) EXPECT_EQ(optionsFileWords(text), words) << text;
    // The command line's own options come after the file's, so that they win.
    const PlayerOptions options = parsePlayerOptions(withDefaultOptions({"demo", "--size", "640x360"}, {"--setup", "--size", "1280x720"}));
    EXPECT_TRUE(options.setup);
    EXPECT_EQ(options.width, 640u);
    EXPECT_FALSE(parsePlayerOptions(withDefaultOptions({"demo", "--no-setup"}, {"--setup"})).setup);
    EXPECT_TRUE(parsePlayerOptions({"demo", "--in-program-folder"}).programFolder);
}

class SetupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::getenv("DISPLAY") && X11Driver().connected()) << "needs an X display";
    }
    std::unique_ptr<ChildProcess> start(const fs::path& program, const fs::path& folder, const Words& arguments) {
        return std::make_unique<ChildProcess>(program.string(), arguments, folder, Words{"SDL_AUDIODRIVER=dummy"},
                                              work.path() / "player.out");
    }
    std::string output() const { return testing_support::readFile(work.path() / "player.out"); }

    TempDir work;
};

TEST_F(SetupDialogTest, EnterStartsTheShowAtTheChosenSizeAndEscapeQuits) {
    testing_support::writeTestShow(work.path(), 60.0);
    X11Driver x11;
    // The size the dialog starts at, then the largest the display offers (End on the resolution row).
    const std::vector<platform::DisplayInfo> displays = platform::displays();
    ASSERT_FALSE(displays.empty());
    std::pair<int, int> largest{400, 300};
    for (const auto& mode : displays.front().modes)
        if (int64_t(mode.first) * mode.second > int64_t(largest.first) * largest.second) largest = mode;
    for (const auto& [keys, size] : {std::pair{std::vector<const char*>{"Return"}, std::pair{400, 300}},
                                     std::pair{std::vector<const char*>{"End", "KP_Enter"}, largest}}) {
        fs::remove(work.path() / "demo.log");
        auto player = start(DEMO_BINARY_DIR "/demo", work.path(), {"--setup", "--size", "400x300", "--windowed"});
        const unsigned long dialog = x11.waitForWindow("DemoSetup", player->pid(), 20s);
        ASSERT_NE(dialog, 0u) << output();
        EXPECT_FALSE(fs::exists(work.path() / "demo.log")) << "nothing is set up before the dialog is done";
        for (const char* key : keys) x11.pressKey(dialog, key);
        const unsigned long window = x11.waitForWindow("WindowClass", player->pid(), 20s);
        ASSERT_NE(window, 0u) << output();
        std::this_thread::sleep_for(1000ms);
        int width = 0, height = 0;
        ASSERT_TRUE(x11.size(window, width, height));
        EXPECT_EQ(std::pair(width, height), size) << output();
        x11.pressKey(window, "Escape");
        EXPECT_EQ(player->waitFor(15s), std::optional(0)) << output();
    }

    // Escape, or closing the dialog, quits before anything is set up.
    for (const bool close : {false, true}) {
        auto player = start(DEMO_BINARY_DIR "/demo", work.path(), {"--setup"});
        const unsigned long dialog = x11.waitForWindow("DemoSetup", player->pid(), 20s);
        ASSERT_NE(dialog, 0u) << output();
        fs::remove(work.path() / "demo.log");
        close ? x11.requestClose(dialog) : x11.pressKey(dialog, "Escape");
        EXPECT_EQ(player->waitFor(10s), std::optional(0)) << output();
        EXPECT_FALSE(fs::exists(work.path() / "demo.log"));
    }
}

TEST_F(SetupDialogTest, ThePackedPlayerOpensTheDialogAndPlaysTheShowToItsEnd) {
    const fs::path show = work.path() / "show";
    ASSERT_NO_FATAL_FAILURE(testing_support::writeOwnShortShow(show, 2.0, R"(<Timeline timeunit="second">
  <TimelineTrack label="Tunnel" to="3600" scene="Tunnel" camera="Camera" start="0" end="1"/>
</Timeline>)"));
    ChildProcess pack(DEMO_BINARY_DIR "/demo-pack", {"show", "packed"}, work.path(), {}, work.path() / "pack.out");
    ASSERT_EQ(pack.waitFor(120s), std::optional(0)) << testing_support::readFile(work.path() / "pack.out");

    // Started from another folder, as a file manager may: the show is read beside the player.
    const fs::path packed = work.path() / "packed";
    auto player = start(packed / "demo", work.path(), {"--size", "320x180"});
    X11Driver x11;
    const unsigned long dialog = x11.waitForWindow("DemoSetup", player->pid(), 20s);
    ASSERT_NE(dialog, 0u) << "the default-options file did not open the dialog\n" << output();
    x11.pressKey(dialog, "Return");
    EXPECT_EQ(player->waitFor(60s), std::optional(0)) << output();
    EXPECT_TRUE(fs::exists(packed / "demo.log"));
    EXPECT_EQ(output().find("Unable"), std::string::npos) << output();
}

}  // namespace
