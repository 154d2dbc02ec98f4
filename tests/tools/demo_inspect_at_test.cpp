#include <gtest/gtest.h>

#include "support/audio_files.h"
#include "support/test_support.h"

namespace {

using testing_support::CommandResult;
using testing_support::TempDir;

CommandResult inspect(const std::filesystem::path& directory, const std::string& arguments) {
    return testing_support::runCommand("cd " + testing_support::shellQuote(directory.string()) + " && " +
                                       testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " " + arguments +
                                       " 2>/dev/null");
}

// Three seconds of music (529200 bytes) and two markers that leave its last half second uncovered.
void writeShow(const TempDir& dir, bool withMusic) {
    if (withMusic) {
        std::filesystem::create_directories(dir.path() / "resources");
        testing_support::writeAudioFile(dir.path() / "resources/music.flac", testing_support::AudioContainer::Flac,
                                        44100, 2, 3 * 44100);
    }
    dir.write("resources/resources.xml",
              R"(<Resources><Paths><Path name="audioTrack" path="resources/music.flac"/></Paths></Resources>)");
    dir.write("resources/timeline.xml", R"(<Timeline timeunit="raw">
        <TimelineTrack label="a" from="0" to="176400"/>
        <TimelineTrack label="b" from="176401" to="440999"/>
    </Timeline>)");
}

// The text from `from` on, without the "parameters" objects (checked on their own below).
std::string tail(const std::string& text, const std::string& from) {
    const size_t at = text.find(from);
    if (at == std::string::npos) return "(no " + from + ")";
    std::string out = text.substr(at);
    for (size_t start; (start = out.find(", \"parameters\": {")) != std::string::npos;) {
        size_t end = out.find('{', start);
        for (int depth = 0; end < out.size(); ++end) {
            depth += out[end] == '{' ? 1 : out[end] == '}' ? -1 : 0;
            if (depth == 0) break;
        }
        out.erase(start, end + 1 - start);
    }
    return out;
}

TEST(DemoInspectAt, PrintsPositionMarkerAndProgressAsThePlayerSeesThem) {
    TempDir dir;
    writeShow(dir, true);
    const CommandResult run = inspect(dir.path(), "--json --at 0.5 --at 1.75 --at 1.0000001 --at 2.75 --at 60");
    ASSERT_EQ(run.exitCode, 0);
    // 1.0000001 s is byte 176400 (truncated), the last of marker a; 60 s lies past the end and is clamped to it.
    EXPECT_EQ(tail(run.output, "]}, \"at\""),
              "]}, \"at\": [{\"seconds\": 0.5, \"position\": 88200, \"marker\": 0, \"progress\": 0.5}, "
              "{\"seconds\": 1.75, \"position\": 308700, \"marker\": 1, \"progress\": 0.5}, "
              "{\"seconds\": 1.0000001, \"position\": 176400, \"marker\": 0, \"progress\": 1}, "
              "{\"seconds\": 2.75, \"position\": 485100, \"marker\": null, \"progress\": 1}, "
              "{\"seconds\": 60, \"position\": 529200, \"marker\": null, \"progress\": 1}], "
              "\"music\": {\"path\": \"resources/music.flac\", \"bytes\": 529200, \"seconds\": 3}, "
              "\"warnings\": [\"no marker covers positions 441000..529199 (2.500 s to 3.000 s) at the end of the "
              "music\"]}\n");

    const CommandResult text = inspect(dir.path(), "--at 1.75");
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_NE(text.output.find("At 1.75 s: position 308700, marker 1 'b', progress 0.5000\n"), std::string::npos)
        << text.output;
    EXPECT_NE(text.output.find("Music resources/music.flac: 529200 bytes, 3.000 s\n"), std::string::npos);
}

TEST(DemoInspectAt, AnUnreadableTrackGivesNullMusicAndAWarning) {
    TempDir dir;
    writeShow(dir, false);
    dir.write("resources/music.flac", "fLaC and then nothing useful");
    const CommandResult run = inspect(dir.path(), "--json --at 1.75");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(tail(run.output, "\"at\""),
              "\"at\": [{\"seconds\": 1.75, \"position\": 308700, \"marker\": 1, \"progress\": 0.5}], "
              "\"music\": null, \"warnings\": [\"the music track 'resources/music.flac' cannot be read: not a "
              "decodable audio file\"]}\n");
}

TEST(DemoInspectAt, RejectsTimesThatAreNotNumbers) {
    TempDir dir;
    writeShow(dir, false);
    for (const char* bad : {"--at", "--at x", "--at -1", "--at nan", "--at 2s"}) {
        EXPECT_EQ(inspect(dir.path(), bad).exitCode, 1) << bad;
    }
}

// The blocks are what the frame uploads: the marker's effects over the defaults, each value by its knob in block
// order, keyed ones moved to the frame's time in the marker, and the overlay chosen by the music time (no music
// here, so positions are not clamped to a track).
TEST(DemoInspectAt, PrintsTheEffectParametersTheFrameUploads) {
    TempDir dir;
    dir.write("resources/resources.xml", "<Resources/>");
    dir.write("resources/timeline.xml", R"(<Timeline>
        <TimelineTrack label="a" to="10"><Effect type="DOF"><Parameter name="focus"><Key value="0.3"/></Parameter>
        </Effect><Effect type="Bloom"><Parameter name="blur_instensity"><Key value="0.75"/></Parameter></Effect>
        </TimelineTrack>
        <TimelineTrack label="b" to="200"><Effect type="DOF"><Parameter name="focus" interpolate="linear">
          <Key value="0.9" time="180"/><Key value="0.1" time="150"/></Parameter></Effect></TimelineTrack>
    </Timeline>)");
    const CommandResult run = inspect(dir.path(), "--json --at 5 --at 161 --at 161.001 --at 169 --at 190");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find(R"("progress": 0.5, "parameters": {"dof": {"aperture": 0.01, "focus": 0.3, "limit": 0.8}, )"
                              R"("lens": {"distort1": 0.502, "distort2": 0.47, "distort3": 0.497, "distortg": 0.5, )"
                              R"("zoom": 0.51, "chrom": 0.723}, "bloom": {"smooth": 0.206, "size": 0.931, )"
                              R"("samplesx": 0.1, "directionx": 0, "powerx": 0.14, "samplesy": 0.1, "directiony": 0.5, )"
                              R"("powery": 0.221, "blur_instensity": 0.75, "scene_intensity": 1}, )"
                              R"("color": {"exposure": 0.547, "saturation": 0.552, "vignette": 0.436, "grain": 0.697, )"
                              R"("red": 0.5, "green": 0.5, "blue": 0.5, "tonemap": 1, "red_offset": 0.5, )"
                              R"("green_offset": 0.5, "blue_offset": 0.5, "contrast": 0.676}, )"
                              R"("overlay": {"amount": 0, "texture": "preload"}})"),
              std::string::npos)
        << run.output;
    // Marker b starts a byte after 10 s: its focus moves from 0.1 at 160 s to 0.9 at 190 s of the music.
    std::vector<double> focus;
    for (size_t at = 0; (at = run.output.find("\"focus\": ", at)) != std::string::npos; ++at) {
        focus.push_back(std::atof(run.output.c_str() + at + 9));
    }
    const double expected[] = {0.3, 0.1 + 0.8 * 1.0 / 30, 0.1 + 0.8 * 1.001 / 30, 0.1 + 0.8 * 9.0 / 30, 0.9};
    ASSERT_EQ(focus.size(), std::size(expected)) << run.output;
    for (size_t i = 0; i < focus.size(); ++i) EXPECT_NEAR(focus[i], expected[i], 1e-5) << i;

    const CommandResult text = inspect(dir.path(), "--at 175");
    EXPECT_NE(text.output.find("  dof aperture=0.01 focus=0.49"), std::string::npos) << text.output;  // halfway
    EXPECT_NE(text.output.find("        focus (linear): 0.9@180 0.1@150\n"), std::string::npos) << text.output;
    std::vector<std::string> overlays;
    for (size_t at = 0; (at = run.output.find("\"overlay\": {", at)) != std::string::npos; ++at) {
        overlays.push_back(run.output.substr(at + 12, run.output.find('}', at) - at - 12));
    }
    EXPECT_EQ(overlays, (std::vector<std::string>{R"("amount": 0, "texture": "preload")",
                                                  R"("amount": 0, "texture": "preload")",
                                                  R"("amount": 1, "texture": "logo1")",
                                                  R"("amount": 1, "texture": "logo2")",
                                                  R"("amount": 0, "texture": "preload")"}));
}

}  // namespace
