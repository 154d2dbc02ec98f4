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

std::string tail(const std::string& text, const std::string& from) {
    const size_t at = text.find(from);
    return at == std::string::npos ? "(no " + from + ")" : text.substr(at);
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

}  // namespace
