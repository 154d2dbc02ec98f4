// Editor mode and the party-hall options as a show maker uses them: keys sent to the player's window, the frames
// F12 writes (named by their music time) and screenshots of the window read through the X server.
#include <gtest/gtest.h>

#include <iostream>
#include <regex>
#include <sstream>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "support/child_process.h"
#include "support/test_show.h"
#include "support/test_support.h"
#include "support/window_capture.h"
#include "support/x11_driver.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::ChildProcess;
using testing_support::RgbImage;
using testing_support::meanAbsoluteDifference;

// Two still markers on different scenes, then a short moving one to loop.
const std::string kEditorTimeline = R"(<Timeline timeunit="second">
  <TimelineTrack label="Orbit" to="5" scene="Orbit" camera="Camera" start="0.25" end="0.25"/>
  <TimelineTrack label="Hall" to="10" scene="Hall" camera="Camera" start="0.25" end="0.25">
    <Effect type="ColorCorrection"><Parameter name="vignette"><Key value="0.9" time="0"/></Parameter></Effect>
  </TimelineTrack>
  <TimelineTrack label="Short" to="11" scene="Orbit" camera="Camera" start="0" end="1"/>
</Timeline>)";

class EditorModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::getenv("DISPLAY") && X11Driver().connected()) << "needs an X display";
        ASSERT_NO_FATAL_FAILURE(testing_support::writeShortShow(show.path(), 20.0, kEditorTimeline));
    }
    void start(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {"SDL_AUDIODRIVER=dummy"}) {
        player = std::make_unique<ChildProcess>(DEMO_BINARY_DIR "/demo", arguments, show.path(), environment,
                                                show.path() / "player.out");
        window = x11.waitForWindow("WindowClass", player->pid(), 30s);
        ASSERT_NE(window, 0u) << output();
    }
    std::string output() const { return testing_support::readFile(show.path() / "player.out"); }

    // Presses F12 and waits for the frame it writes: its music time in seconds (from its name) and its picture.
    struct Frame {
        double seconds = -1.0;
        std::string name;
        RgbImage image;
    };
    Frame frameAfterF12() {
        std::set<fs::path> before;
        for (const auto& entry : fs::directory_iterator(show.path())) before.insert(entry.path());
        x11.pressKey(window, "F12");
        const std::regex name(R"(frame-(\d\d)-(\d\d\.\d\d\d)(-\d+)?\.png)");
        for (const auto deadline = Clock::now() + 30s; Clock::now() < deadline && player->running();) {
            for (const auto& entry : fs::directory_iterator(show.path())) {
                std::smatch match;
                const std::string file = entry.path().filename().string();
                if (before.count(entry.path()) || !std::regex_match(file, match, name)) continue;
                return {std::stoi(match[1]) * 60 + std::stod(match[2]), file, testing_support::loadRgbPng(entry.path())};
            }
            std::this_thread::sleep_for(50ms);
        }
        ADD_FAILURE() << "F12 wrote no frame\n" << output();
        return {};
    }

    // The window's picture once it differs from (or, `same`, matches) `reference`; empty on time-out.
    RgbImage waitForWindow(const RgbImage& reference, bool same, std::chrono::seconds timeout = 30s) {
        for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline && player->running();) {
            RgbImage image = capture.capture(window);
            if (!image.empty()) {
                const double difference = meanAbsoluteDifference(image, reference);
                if (same ? difference < 1.0 : difference > 6.0) return image;
            }
            std::this_thread::sleep_for(20ms);
        }
        return {};
    }
    // Lines of the debugger output that start with `prefix`.
    std::vector<std::string> outputLines(const std::string& prefix) const {
        std::vector<std::string> lines;
        std::istringstream text(output());
        for (std::string line; std::getline(text, line);)
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }
    bool waitForOutputLines(const std::string& prefix, size_t count, std::chrono::seconds timeout = 30s) {
        for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
            if (outputLines(prefix).size() >= count) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    testing_support::TempDir show;
    X11Driver x11;
    testing_support::WindowCapture capture;
    std::unique_ptr<ChildProcess> player;
    unsigned long window = 0;
};

TEST_F(EditorModeTest, TransportKeysMoveTheMusicAndThePictureFollowsInTheNextFrame) {
    ASSERT_NO_FATAL_FAILURE(start({"editor", "--at", "1.5", "--size", "320x180", "--vsync", "0"}));
    const Frame first = frameAfterF12();
    EXPECT_GE(first.seconds, 1.5);
    EXPECT_LT(first.seconds, 5.0);
    EXPECT_EQ(first.image.width, 320);

    // Paused: the position holds and the same picture keeps being drawn.
    x11.pressKey(window, "space");
    const Frame paused = frameAfterF12();
    std::this_thread::sleep_for(1s);
    const Frame stillPaused = frameAfterF12();
    EXPECT_EQ(stillPaused.seconds, paused.seconds);
    EXPECT_NE(stillPaused.name, paused.name);  // a second frame at the same time gets its own name
    EXPECT_LT(meanAbsoluteDifference(stillPaused.image, paused.image), 0.5);

    // Page Down: the next marker's start, another scene and other effects, in the first frame after the key.
    x11.pressKey(window, "Next");
    const Frame hall = frameAfterF12();
    EXPECT_EQ(hall.seconds, 5.0);  // a frame past Orbit's end, which holds 5 s itself
    EXPECT_GT(meanAbsoluteDifference(hall.image, paused.image), 8.0);
    if (const char* keep = std::getenv("DEMO_KEEP_SCREENSHOTS")) {
        testing_support::saveRgbPng(fs::path(keep) / "paused.png", paused.image);
        testing_support::saveRgbPng(fs::path(keep) / "hall.png", hall.image);
    }
    x11.pressKey(window, "Prior");  // at the start of Hall: back to Orbit's start
    EXPECT_EQ(frameAfterF12().seconds, 0.0);
    x11.pressKey(window, "Left");  // clamped at the start
    const Frame clamped = frameAfterF12();
    EXPECT_EQ(clamped.seconds, 0.0);
    EXPECT_LT(meanAbsoluteDifference(clamped.image, paused.image), 0.5);  // the same still marker
    x11.pressKeyWith(window, "Shift_L", "Right");
    EXPECT_EQ(frameAfterF12().seconds, 10.0);
    x11.pressKey(window, "Right");
    EXPECT_EQ(frameAfterF12().seconds, 11.0);
    x11.pressKey(window, "Home");
    EXPECT_EQ(frameAfterF12().seconds, 0.0);
    x11.pressKeyWith(window, "Shift_L", "Right");
    x11.pressKeyWith(window, "Shift_L", "Right");
    x11.pressKeyWith(window, "Shift_L", "Right");  // clamped at the last sample frame, which does not end the run
    EXPECT_EQ(frameAfterF12().seconds, 20.0);
    EXPECT_TRUE(player->running());

    // L loops the marker at 10..11 s while the music plays.
    x11.pressKey(window, "Home");
    x11.pressKey(window, "Next");
    x11.pressKey(window, "Next");
    x11.pressKey(window, "l");
    x11.pressKey(window, "space");
    std::this_thread::sleep_for(2500ms);
    const Frame looped = frameAfterF12();
    EXPECT_GE(looped.seconds, 10.0);
    EXPECT_LE(looped.seconds, 11.2);

    x11.pressKey(window, "Escape");
    EXPECT_EQ(player->waitFor(15s), std::optional<int>(0)) << output();
}

TEST_F(EditorModeTest, TheOverlayIsDrawnOverThePictureAndF1HidesIt) {
    ASSERT_NO_FATAL_FAILURE(start({"editor", "--size", "640x360", "--vsync", "0", "--at", "2"}));
    std::this_thread::sleep_for(3s);  // a few frames played, for the overlay's figures
    x11.pressKey(window, "space");
    const Frame frame = frameAfterF12();  // the back buffer: the picture without the overlay
    ASSERT_EQ(frame.image.width, 640);
    RgbImage withOverlay;
    for (const auto deadline = Clock::now() + 20s; Clock::now() < deadline;) {
        withOverlay = capture.capture(window);
        if (!withOverlay.empty() && meanAbsoluteDifference(withOverlay, frame.image) > 3.0) break;
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_GT(meanAbsoluteDifference(withOverlay, frame.image), 3.0) << "no overlay over the picture";
    if (const char* keep = std::getenv("DEMO_KEEP_SCREENSHOTS")) {
        testing_support::saveRgbPng(fs::path(keep) / "editor-overlay.png", withOverlay);
    }
    x11.pressKey(window, "F1");
    RgbImage hidden;
    for (const auto deadline = Clock::now() + 20s; Clock::now() < deadline;) {
        hidden = capture.capture(window);
        if (!hidden.empty() && meanAbsoluteDifference(hidden, frame.image) < 1.0) break;
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_LT(meanAbsoluteDifference(hidden, frame.image), 1.0) << "F1 did not hide the overlay";
    x11.pressKey(window, "Escape");
    EXPECT_EQ(player->waitFor(15s), std::optional<int>(0)) << output();
}

// Saving the timeline or a shader while the player runs (paused, so only the edit changes the picture): the
// window shows the change without a restart, a broken shader keeps the picture it had, and a hundred reloads
// leave as many GPU objects alive as there were.
TEST_F(EditorModeTest, SavedTimelinesAndShadersShowWhileTheShowRuns) {
    const fs::path shaders = show.path() / "resources" / "shaders";
    for (const char* folder : {"shaders", "scenes"}) {  // copies to edit instead of the sample show's own files
        fs::remove(show.path() / "resources" / folder);
        fs::copy(fs::path(DEMO_SOURCE_DIR) / "show" / "resources" / folder, show.path() / "resources" / folder);
    }
    const fs::path colourShader = shaders / "post_color_p0.hlsl";
    const std::string original = testing_support::readFile(colourShader);
    const std::string ending = "return float4(display * display, 1.0);";
    ASSERT_NE(original.find(ending), std::string::npos);
    auto withEnding = [&](const std::string& replacement) {
        std::string text = original;
        return text.replace(text.find(ending), ending.size(), replacement);
    };
    auto save = [](const fs::path& file, const std::string& text) {
        // As editors do: a new file renamed over the old one.
        std::ofstream(file.string() + ".new") << text;
        fs::rename(file.string() + ".new", file);
    };

    ASSERT_NO_FATAL_FAILURE(start({"editor", "--size", "320x180", "--vsync", "0", "--at", "1"},
                                  {"SDL_AUDIODRIVER=dummy", "DEMO_DEBUG_OUTPUT=1"}));
    x11.pressKey(window, "space");
    x11.pressKey(window, "F1");  // the overlay off: only the picture is compared
    const RgbImage orbit = frameAfterF12().image;
    ASSERT_FALSE(waitForWindow(orbit, true).empty()) << "the window does not show the paused frame";

    std::string timeline = kEditorTimeline;
    timeline.replace(timeline.find("scene=\"Orbit\""), 13, "scene=\"Tunnel\"");  // a scene not loaded yet
    auto saved = Clock::now();
    save(show.path() / "resources" / "timeline.xml", timeline);
    // The marker draws no scene until Tunnel has loaded in the background, then Tunnel.
    ASSERT_FALSE(waitForWindow(orbit, false).empty()) << "the saved timeline did not change the picture\n" << output();
    const auto firstChange = Clock::now() - saved;
    ASSERT_TRUE(waitForOutputLines("reload: timeline.xml: loaded Tunnel", 1)) << output();
    std::this_thread::sleep_for(700ms);  // the frame after the scene came in
    const RgbImage tunnel = capture.capture(window);
    EXPECT_GT(meanAbsoluteDifference(tunnel, orbit), 6.0);
    std::cout << "timeline saved to changed window: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(firstChange).count() << " ms\n";

    saved = Clock::now();
    save(colourShader, withEnding("return float4(1.0 - display * display, 1.0);"));
    const RgbImage inverted = waitForWindow(tunnel, false);
    ASSERT_FALSE(inverted.empty()) << "the saved shader did not change the picture\n" << output();
    std::cout << "shader saved to changed window: "
              << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - saved).count() << " ms\n";
    if (const char* keep = std::getenv("DEMO_KEEP_SCREENSHOTS")) {
        testing_support::saveRgbPng(fs::path(keep) / "reload-tunnel.png", tunnel);
        testing_support::saveRgbPng(fs::path(keep) / "reload-inverted.png", inverted);
    }
    save(colourShader, withEnding("return float4(display * display, 1.0) +;"));
    ASSERT_TRUE(waitForOutputLines("reload error: ", 1)) << output();
    EXPECT_NE(outputLines("reload error: ")[0].find("post_color_p0.hlsl"), std::string::npos) << output();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(meanAbsoluteDifference(capture.capture(window), inverted), 1.0) << "a broken shader changed the picture";
    x11.pressKey(window, "F1");  // the error in the overlay
    std::this_thread::sleep_for(1s);
    if (const char* keep = std::getenv("DEMO_KEEP_SCREENSHOTS")) {
        testing_support::saveRgbPng(fs::path(keep) / "reload-error.png", capture.capture(window));
    }

    // A malformed timeline and a scene saved again: the one keeps the timeline it had, the other loads anew.
    const size_t beforeBroken = outputLines("reload: done").size();
    save(show.path() / "resources" / "timeline.xml", "<Timeline><TimelineTrack to=");
    ASSERT_TRUE(waitForOutputLines("reload error: timeline.xml: ", 1)) << output();
    const fs::path hallScene = show.path() / "resources" / "scenes" / "hall.gltf";
    save(hallScene, testing_support::readFile(hallScene));
    ASSERT_TRUE(waitForOutputLines("reload: scenes reloaded: Hall", 1)) << output();
    // Both batches done (the count below must not take in a line still to come).
    ASSERT_TRUE(waitForOutputLines("reload: done", beforeBroken + 2)) << output();
    EXPECT_TRUE(player->running());

    // A hundred reloads while the music plays, shader and timeline in turn, each of them back and forth.
    x11.pressKey(window, "Home");  // twenty seconds of music for them
    x11.pressKey(window, "space");
    const size_t before = outputLines("reload: done").size();
    for (int i = 0; i < 100; ++i) {
        if (i % 2 == 0) {
            save(colourShader, i % 4 == 0 ? original : withEnding("return float4(display, 1.0);"));
        } else {
            save(show.path() / "resources" / "timeline.xml", i % 4 == 1 ? kEditorTimeline : timeline);
        }
        ASSERT_TRUE(waitForOutputLines("reload: done", before + i + 1)) << "reload " << i << " did not finish\n"
                                                                         << output();
    }
    const std::vector<std::string> done = outputLines("reload: done");
    auto objects = [](const std::string& line) {
        const size_t comma = line.find("ms, ");
        return std::stol(line.substr(comma + 4));
    };
    // After the fourth and the hundredth the show is in the same state.
    EXPECT_EQ(objects(done[before + 99]), objects(done[before + 3])) << done[before + 3] << "\n" << done[before + 99];
    std::cout << done[before] << "\n" << done[before + 99] << "\n";
    x11.pressKey(window, "Escape");
    EXPECT_EQ(player->waitFor(15s), std::optional<int>(0)) << output();
}

// Making a show in the player: a click in the timeline strip seeks, Ctrl+B cuts the marker under the playhead
// without changing the picture and Ctrl+Z gives back the file's bytes, and a slider's drag changes the file and
// the window. The layout is ImGui's default style at 800 x 450: the strip's content from (8, 346), 784 wide, the
// marker panel's "start" slider on its sixth row.
TEST_F(EditorModeTest, TheStripSeeksAndEditsAreSavedAndUndone) {
    ASSERT_NO_FATAL_FAILURE(start({"editor", "--size", "800x450", "--vsync", "0", "--at", "1"},
                                  {"SDL_AUDIODRIVER=dummy", "DEMO_DEBUG_OUTPUT=1"}));
    const fs::path file = show.path() / "resources" / "timeline.xml";
    const std::string original = testing_support::readFile(file);
    x11.pressKey(window, "space");
    auto waitForFile = [&](const std::function<bool(const std::string&)>& done) {
        for (const auto deadline = Clock::now() + 20s; Clock::now() < deadline; std::this_thread::sleep_for(50ms))
            if (done(testing_support::readFile(file))) return true;
        return false;
    };
    auto tracks = [](const std::string& text) {
        size_t count = 0;
        for (size_t at = text.find("<TimelineTrack"); at != std::string::npos; at = text.find("<TimelineTrack", at + 1)) ++count;
        return count;
    };

    // The panels act after a frame is drawn: the frame after the one that took the input shows it.
    auto settledFrame = [&] {
        frameAfterF12();
        return frameAfterF12();
    };
    frameAfterF12();  // the panels are on screen
    // 8 s of the 20, in the waveform; held long enough for a frame or two of this slow machine to see it.
    x11.drag(window, 8 + 784 * 2 / 5, 420, 8 + 784 * 2 / 5, 420, 1, 600ms);
    const Frame hall = settledFrame();
    EXPECT_NEAR(hall.seconds, 8.0, 0.1) << output();

    x11.pressKeyWith(window, "Control_L", "b");
    ASSERT_TRUE(waitForFile([&](const std::string& text) { return tracks(text) == 4; })) << output();
    EXPECT_LT(meanAbsoluteDifference(frameAfterF12().image, hall.image), 0.5) << "the cut changed the picture";
    x11.pressKeyWith(window, "Control_L", "z");
    ASSERT_TRUE(waitForFile([&](const std::string& text) { return text == original; })) << output();

    // The start of Hall (a still marker: its start and end are the same) dragged to the right.
    x11.drag(window, 432 + 30, 130, 432 + 200, 130, 4);
    ASSERT_TRUE(waitForFile([&](const std::string& text) { return text != original; })) << output();
    const std::string edited = testing_support::readFile(file);
    EXPECT_EQ(edited.find("label=\"Hall\" to=\"10\" scene=\"Hall\" camera=\"Camera\" start=\"0.25\""), std::string::npos)
        << edited;
    const Frame moved = settledFrame();
    EXPECT_GT(meanAbsoluteDifference(moved.image, hall.image), 2.0) << "the slider did not change the picture";
    if (const char* keep = std::getenv("DEMO_KEEP_SCREENSHOTS")) {
        testing_support::saveRgbPng(fs::path(keep) / "editor-authoring.png", capture.capture(window));
    }

    // Typed into the label field (second row), a space is a letter, not Space's pause; Return writes the label.
    x11.drag(window, 432 + 200, 61, 432 + 200, 61, 1, 600ms);
    settledFrame();  // the field has the keyboard from the frame that took the click
    for (const char* key : {"space", "x", "Return"}) x11.pressKey(window, key);
    ASSERT_TRUE(waitForFile([&](const std::string& text) { return text.find("label=\"Hall x\"") != std::string::npos; }))
        << testing_support::readFile(file) << output();
    EXPECT_EQ(settledFrame().seconds, moved.seconds) << "the space in the field reached the transport";
    for (const std::string& line : outputLines("edit: ")) std::cout << line << "\n";
    x11.pressKey(window, "Escape");
    EXPECT_EQ(player->waitFor(15s), std::optional<int>(0)) << output();
}

// Normal mode, where the overlay keys do nothing: the picture keeps its aspect with black bars when the window
// takes another shape, --scale draws it smaller, and unknown options are named with the usage line.
TEST_F(EditorModeTest, ThePictureKeepsItsAspectInWindowsOfOtherShapes) {
    ASSERT_NO_FATAL_FAILURE(start({"--size", "320x180", "--borderless", "--scale", "0.5", "--bogus"}));
    auto blackRows = [](const RgbImage& image, int fromRow, int rows) {
        long sum = 0;
        for (int y = fromRow; y < fromRow + rows; ++y)
            for (int x = 0; x < image.width * 3; ++x) sum += image.pixels[std::size_t(y) * image.width * 3 + x];
        return sum == 0;
    };
    auto blackColumns = [](const RgbImage& image, int fromColumn, int columns) {
        long sum = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = fromColumn * 3; x < (fromColumn + columns) * 3; ++x)
                sum += image.pixels[std::size_t(y) * image.width * 3 + x];
        return sum == 0;
    };
    struct Shape {
        int width, height;
        bool barsAboveAndBelow;
        int bar;  // pixels on each side
    };
    for (const Shape shape : {Shape{320, 240, true, 30}, Shape{420, 180, false, 50}}) {  // 4:3 and 21:9
        SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height);
        x11.resize(window, shape.width, shape.height);
        RgbImage image;
        bool bars = false;
        for (const auto deadline = Clock::now() + 30s; Clock::now() < deadline && !bars;) {
            std::this_thread::sleep_for(300ms);
            image = capture.capture(window);
            if (image.width != shape.width || image.height != shape.height) continue;
            bars = shape.barsAboveAndBelow
                       ? blackRows(image, 0, shape.bar - 1) && blackRows(image, shape.height - shape.bar + 1, shape.bar - 1) &&
                             !blackRows(image, shape.bar + 2, shape.height - 2 * shape.bar - 4)
                       : blackColumns(image, 0, shape.bar - 1) &&
                             blackColumns(image, shape.width - shape.bar + 1, shape.bar - 1) &&
                             !blackColumns(image, shape.bar + 2, shape.width - 2 * shape.bar - 4);
        }
        EXPECT_TRUE(bars) << "no black bars around the picture";
    }
    x11.pressKey(window, "Escape");
    EXPECT_EQ(player->waitFor(15s), std::optional<int>(0));
    EXPECT_NE(output().find("demo: unknown option --bogus"), std::string::npos) << output();
    EXPECT_NE(output().find("usage: demo"), std::string::npos) << output();
}

}  // namespace
