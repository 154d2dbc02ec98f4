// demo-render end to end: its arguments, and frames of the sample show compared with committed golden images.
// DEMO_UPDATE_GOLDEN=1 writes the golden images anew (look at them before committing).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stb/stb_image.h>

#include "base/atomic_file.h"
#include "post/effect_parameters.h"
#include "resources/timeline_edits.h"
#include "support/test_show.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CommandResult;
using testing_support::TempDir;

const fs::path kSampleShow = fs::path(DEMO_SOURCE_DIR) / "show";
const fs::path kGoldenDirectory = fs::path(DEMO_SOURCE_DIR) / "tests/tools/golden";
constexpr const char* kSize = "160x90";

CommandResult render(const fs::path& show, const std::string& arguments) {
    return testing_support::runCommand("cd " + testing_support::shellQuote(show.string()) + " && " +
                                       testing_support::shellQuote(DEMO_BINARY_DIR "/demo-render") + " " + arguments +
                                       " 2>&1");
}

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

Image loadPng(const fs::path& file) {
    Image image;
    int components = 0;
    unsigned char* pixels = stbi_load(file.c_str(), &image.width, &image.height, &components, 4);
    if (pixels) image.rgba.assign(pixels, pixels + std::size_t(image.width) * image.height * 4);
    stbi_image_free(pixels);
    return image;
}

// Software rendering is repeatable on one machine, but another CPU may round differently, and the film grain is
// seeded by each pixel's brightness, so a difference of one level re-rolls a pixel's grain. Frames are compared
// as averages over 4 x 4 blocks, where the grain cancels out and a moved edge or a wrong colour does not.
void expectMatchesGolden(const fs::path& frame, const std::string& goldenName) {
    const fs::path golden = kGoldenDirectory / goldenName;
    if (std::getenv("DEMO_UPDATE_GOLDEN")) {
        fs::copy_file(frame, golden, fs::copy_options::overwrite_existing);
        return;
    }
    const Image actual = loadPng(frame), expected = loadPng(golden);
    ASSERT_FALSE(expected.rgba.empty()) << "no golden image " << golden;
    ASSERT_EQ(actual.width, expected.width) << goldenName;
    ASSERT_EQ(actual.height, expected.height) << goldenName;
    constexpr int kBlock = 4;
    double total = 0.0, largest = 0.0;
    int blocks = 0;
    for (int by = 0; by + kBlock <= actual.height; by += kBlock) {
        for (int bx = 0; bx + kBlock <= actual.width; bx += kBlock) {
            for (int channel = 0; channel < 3; ++channel) {
                double sum = 0.0;
                for (int y = by; y < by + kBlock; ++y) {
                    for (int x = bx; x < bx + kBlock; ++x) {
                        const std::size_t i = (std::size_t(y) * actual.width + x) * 4 + channel;
                        sum += int(actual.rgba[i]) - int(expected.rgba[i]);
                    }
                }
                const double difference = std::abs(sum) / (kBlock * kBlock);
                total += difference;
                largest = std::max(largest, difference);
                ++blocks;
            }
        }
    }
    EXPECT_LT(total / blocks, 1.5) << goldenName << ": mean difference of 4 x 4 block averages";
    EXPECT_LT(largest, 24.0) << goldenName << ": largest difference of a 4 x 4 block average";
}

// A show that reads the sample show's shaders, scenes, images and music, with a timeline of its own.
void writeShowOverSample(const TempDir& show, const std::string& timeline) {
    fs::create_directories(show.path() / "resources");
    for (const char* shared : {"shaders", "scenes", "textures", "music.ogg"}) {
        fs::create_directory_symlink(kSampleShow / "resources" / shared, show.path() / "resources" / shared);
    }
    fs::copy_file(kSampleShow / "resources/resources.xml", show.path() / "resources/resources.xml");
    show.write("resources/timeline.xml", timeline);
}

TEST(DemoRender, BadArgumentsAndShowsStopWithAMessageAndExitCodeOne) {
    TempDir empty;
    for (const char* bad : {"", "--at 1", "--at x --out a.png", "--out", "--at 1 --out a.png --size 0x9",
                            "--size 12", "--from 2 --to 1 --fps 5 --out d", "--from 0 --to 1 --out d",
                            "--from 0 --to 1 --fps 5", "--video v.mp4", "--frames 3",
                            "--from 0 --to 1 --fps 5 --out d --crf 20", "--from 0 --to 1 --fps 5 --video v.mp4 --crf 52",
                            "--from 0 --to 1 --fps 5 --video v.mp4 --crf 2.5",
                            "--from 0 --to 1 --fps 5 --video v.mp4 --preset quick",
                            "--from 0 --to 1 --fps 5 --video v.mp4 --out d",
                            "--size 16x16 --from 40 --to 41 --fps 5 --video /no/such/folder/v.mp4"}) {
        const CommandResult run = render(kSampleShow, bad);
        EXPECT_EQ(run.exitCode, 1) << bad;
        EXPECT_NE(run.output.find("demo-render: "), std::string::npos) << bad << ": " << run.output;
    }
    const CommandResult noShow = render(empty.path(), "--at 1 --out a.png");
    EXPECT_EQ(noShow.exitCode, 1);
    EXPECT_NE(noShow.output.find("resource manifest"), std::string::npos) << noShow.output;
}

TEST(DemoRender, SequencesAreNumberedAndEveryRunGivesTheSameFrames) {
    TempDir out;
    const std::string sequence = (out.path() / "sequence").string();
    const std::string still = (out.path() / "still.png").string();
    ASSERT_EQ(render(kSampleShow, std::string("--size ") + kSize + " --from 30 --to 30.5 --fps 4 --out " + sequence)
                  .exitCode,
              0);
    EXPECT_TRUE(fs::exists(out.path() / "sequence/frame_00001.png"));
    EXPECT_FALSE(fs::exists(out.path() / "sequence/frame_00002.png"));  // the end of the range is not drawn
    for (const fs::directory_entry& file : fs::directory_iterator(out.path() / "sequence"))
        EXPECT_EQ(file.path().extension(), ".png") << file.path();  // no temporary file is left
    ASSERT_EQ(render(kSampleShow, std::string("--size ") + kSize + " --at 30.25 --out " + still).exitCode, 0);
    EXPECT_EQ(loadPng(still).rgba, loadPng(out.path() / "sequence/frame_00001.png").rgba);
}

TEST(DemoRender, AVideoCarriesTheFramesAndExactlyTheirSpanOfMusic) {
    TempDir out;
    const fs::path video = out.path() / "clip.mp4";
    // 40 to 40.51 at 60 a second is 31 frames: 0.5167 s of music, not the 0.51 s asked for.
    const CommandResult run = render(kSampleShow, std::string("--size ") + kSize +
                                                      " --from 40 --to 40.51 --fps 60 --crf 30 --preset ultrafast"
                                                      " --video " + video.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto probe = [&](const char* stream) {
        return testing_support::runCommand(std::string("ffprobe -v error -select_streams ") + stream +
                                           " -show_entries stream=nb_frames,duration -of csv=p=0 " + video.string())
            .output;
    };
    const std::string pictures = probe("v"), sound = probe("a");
    EXPECT_EQ(pictures.substr(pictures.find(',') + 1, 2), "31") << pictures;
    const double videoSeconds = std::atof(pictures.c_str()), audioSeconds = std::atof(sound.c_str());
    EXPECT_NEAR(videoSeconds, 31.0 / 60.0, 1e-3) << pictures;
    // The edit list trims AAC's padding: measured 0.66 ms short; the range asked for would be 6.7 ms short.
    EXPECT_NEAR(audioSeconds, 31.0 / 60.0, 0.003) << sound;
}

// Each marker of the sample show at its start, middle and end: the scene, camera and animation time of that
// marker through the whole chain.
TEST(DemoRender, FramesOfTheSampleShowMatchTheirGoldenImages) {
    TempDir out;
    // Markers 1 (forwards), 5 and 9 (backwards) at start, middle and end; the others at their middles; the
    // logos; the breakdown's focus pull halfway (66 s) and the outro's fade to black (208 s, 209.5 s).
    const std::vector<std::pair<double, std::string>> frames = {
        {0.5, "sample_000_5.png"},   {8.0, "sample_008_0.png"},   {15.9, "sample_015_9.png"},
        {20.0, "sample_020_0.png"},  {28.0, "sample_028_0.png"},  {40.0, "sample_040_0.png"},
        {48.1, "sample_048_1.png"},  {56.0, "sample_056_0.png"},  {63.9, "sample_063_9.png"},
        {66.0, "sample_066_0.png"},  {72.0, "sample_072_0.png"},  {88.0, "sample_088_0.png"},
        {104.0, "sample_104_0.png"}, {112.1, "sample_112_1.png"}, {120.0, "sample_120_0.png"},
        {127.9, "sample_127_9.png"}, {136.0, "sample_136_0.png"}, {152.0, "sample_152_0.png"},
        {165.0, "sample_165_0.png"}, {180.0, "sample_180_0.png"}, {208.0, "sample_208_0.png"},
        {209.5, "sample_209_5.png"}};
    std::string arguments = std::string("--size ") + kSize;
    for (const auto& [seconds, name] : frames) {
        arguments += " --at " + std::to_string(seconds) + " --out " + (out.path() / name).string();
    }
    const CommandResult run = render(kSampleShow, arguments);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const auto& [seconds, name] : frames) expectMatchesGolden(out.path() / name, name);
}

// The chain with every parameter at 0 and at 1, and the two logos, over one of the sample show's scenes.
TEST(DemoRender, ExtremeParametersAndLogosMatchTheirGoldenImages) {
    auto effects = [](const char* value) {
        std::string xml;
        for (const EffectType& type : effectTable()) {
            if (type.knobs.empty()) continue;
            xml += "<Effect type=\"" + std::string(type.type) + "\">";
            for (const EffectKnob& knob : type.knobs) {
                xml += "<Parameter name=\"" + std::string(knob.name) + "\"><Key value=\"" + value + "\"/></Parameter>";
            }
            xml += "</Effect>";
        }
        return xml;
    };
    TempDir show;
    writeShowOverSample(show, "<Timeline>"
                              "<TimelineTrack label=\"default\" to=\"20\" scene=\"Hall\" camera=\"Camera\"/>"
                              "<TimelineTrack label=\"low\" to=\"40\" scene=\"Hall\" camera=\"Camera\">" +
                                  effects("0") +
                                  "</TimelineTrack>"
                                  "<TimelineTrack label=\"high\" to=\"60\" scene=\"Hall\" camera=\"Camera\">" +
                                  effects("1") +
                                  "</TimelineTrack>"
                                  "<TimelineTrack label=\"logos\" to=\"210\" scene=\"Hall\" camera=\"Camera\"/>"
                                  "</Timeline>");
    const std::vector<std::pair<double, std::string>> frames = {{10.0, "chain_default.png"},
                                                                {30.0, "chain_parameters_at_0.png"},
                                                                {50.0, "chain_parameters_at_1.png"},
                                                                {161.0, "chain_before_logo_1.png"},
                                                                {165.0, "chain_logo_1.png"},
                                                                {175.0, "chain_logo_2.png"}};
    std::string arguments = std::string("--size ") + kSize;
    for (const auto& [seconds, name] : frames) {
        arguments += " --at " + std::to_string(seconds) + " --out " + (show.path() / name).string();
    }
    const CommandResult run = render(show.path(), arguments);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const auto& [seconds, name] : frames) expectMatchesGolden(show.path() / name, name);
}

}  // namespace

namespace {

// The editor's cut (Ctrl+B) changes no frame: demo-render's frames in both halves and on either side of the cut
// are those of the whole marker, for a moving scene and knobs moving by each kind of curve.
TEST(DemoRender, ACutMarkerGivesTheSameFrames) {
    TempDir show;
    ASSERT_NO_FATAL_FAILURE(testing_support::writeShortShow(show.path(), 9.0, R"(<Timeline timeunit="second">
  <!-- one moving marker -->
  <TimelineTrack label="Orbit" to="8" scene="Orbit" camera="Camera" start="0.1" end="0.9">
    <Effect type="DOF">
      <Parameter name="focus" interpolate="linear"><Key value="0.2" time="1"/><Key value="0.9" time="7"/></Parameter>
      <Parameter name="aperture" interpolate="smooth"><Key value="0.01" time="0"/><Key value="0.05" time="6"/></Parameter>
    </Effect>
    <Effect type="ColorCorrection">
      <Parameter name="exposure" interpolate="step"><Key value="0.4" time="2"/><Key value="0.7" time="4.5"/></Parameter>
    </Effect>
  </TimelineTrack>
</Timeline>
)"));
    const std::vector<std::string> times = {"0.5", "3.9", "4", "4.00003", "4.6", "7.99"};
    auto renderAll = [&](const std::string& prefix) {
        std::string arguments = std::string("--size ") + kSize;
        for (const std::string& time : times) arguments += " --at " + time + " --out " + prefix + time + ".png";
        const CommandResult result = render(show.path(), arguments);
        EXPECT_EQ(result.exitCode, 0) << result.output;
    };
    renderAll("whole-");
    const fs::path file = show.path() / "resources" / "timeline.xml";
    TimelineDocument document;
    ASSERT_TRUE(document.load(testing_support::readFile(file)));
    const DemoTimeline timeline(ResourcePath("resources\\timeline.xml"), testing_support::readFile(file));
    std::string why;
    ASSERT_TRUE(timeline_edits::splitMarker(document, timeline.markerList(), 0, 4 * 176400, &why)) << why;
    std::string error;
    ASSERT_TRUE(writeFileAtomically(file.string(), document.text(), error)) << error;
    renderAll("cut-");
    for (const std::string& time : times) {
        const Image whole = loadPng(show.path() / ("whole-" + time + ".png"));
        const Image cut = loadPng(show.path() / ("cut-" + time + ".png"));
        ASSERT_EQ(whole.rgba.size(), cut.rgba.size()) << time;
        // The halves' new start, end and key values are 32-bit floats as the file holds them: one a rounding step
        // away may turn a pixel one level, which re-rolls its film grain; a frame that moved would differ all over.
        size_t differing = 0;
        for (size_t i = 0; i < whole.rgba.size(); ++i) differing += whole.rgba[i] != cut.rgba[i];
        EXPECT_LT(differing, whole.rgba.size() / 500) << "at " << time << " s";
    }
}

}  // namespace
