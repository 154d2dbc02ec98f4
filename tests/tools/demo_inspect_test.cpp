#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/test_show.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

using testing_support::CommandResult;

// Runs demo-inspect in `directory` and collects its standard output.
CommandResult inspect(const std::filesystem::path& directory, const std::string& arguments) {
    return testing_support::runCommand("cd " + testing_support::shellQuote(directory.string()) + " && " +
                                       testing_support::shellQuote(DEMO_BINARY_DIR "/demo-inspect") + " " + arguments +
                                       " 2>/dev/null");
}

void writeShow(const TempDir& dir, const std::string& timeline, const std::string& extraManifest = "") {
    testing_support::writeToneWav(dir.path() / "resources/music.wav", 1.0);
    dir.write("resources/resources.xml", R"(<Resources><Paths><Path name="audioTrack" path="resources/music.wav"/>
        </Paths><Scenes><Scene name="intro" path="resources/intro.gltf"/>)" + extraManifest + "</Scenes></Resources>");
    dir.write("resources/intro.gltf", "{}");
    dir.write("resources/timeline.xml", timeline);
}

TEST(DemoInspect, PrintsTheShowAsJsonInTheDocumentedShape) {
    TempDir dir;
    writeShow(dir, R"(<Timeline timeunit="raw"><TimelineTrack label="A &quot;q&quot;" from="0" to="99" scene="intro"
        start="0.1" end="0.7"><Effect type="bloom"><Parameter name="p"><Key value="0.3" time="2"/></Parameter>
        </Effect></TimelineTrack></Timeline>)");
    const CommandResult run = inspect(dir.path(), "--json");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output,
              "{\"manifest\": {\"Paths\": {\"audioTrack\": \"resources/music.wav\"}, \"PixelShader\": {}, "
              "\"VertexShader\": {}, \"Scenes\": {\"intro\": \"resources/intro.gltf\"}}, \"timeline\": {\"path\": "
              "\"./resources/timeline.xml\", \"markers\": [{\"label\": \"A \\\"q\\\"\", \"from\": 0, \"to\": 99, "
              "\"start\": 0.1, \"end\": 0.7, \"scene\": \"intro\", \"camera\": \"Camera\", \"effects\": [{\"type\": "
              "\"bloom\", \"parameters\": [{\"name\": \"p\", \"keys\": [{\"value\": 0.3, \"time\": 2}]}]}]}]}, "
              "\"at\": [], \"music\": {\"path\": \"resources/music.wav\", \"bytes\": 176400, \"seconds\": 1}, "
              "\"warnings\": [\"no marker covers positions 100..176399 (0.001 s to 1.000 s) at the end of the music\", "
              "\"marker 0 'A \\\"q\\\"': effect type 'bloom' is not one the player knows, so it changes nothing "
              "(did you mean 'Bloom'?); the types are DOF, LensDistort, Bloom, ColorCorrection, Glitch\"]}\n");
}

TEST(DemoInspect, WarnsAboutWhatWillGoWrongWhenTheShowPlays) {
    TempDir dir;
    writeShow(dir, R"(<Timeline timeunit="raw">
        <TimelineTrack label="first" from="0" to="100" scene="intro"/>
        <TimelineTrack label="hidden" from="10" to="50"/>
        <TimelineTrack label="backwards" from="300" to="200"/>
        <TimelineTrack label="lost" from="500" to="600" scene="Intro"/>
    </Timeline>)",
              R"(<Scene name="gone" path="resources/gone.gltf"/>)");
    const CommandResult run = inspect(dir.path(), "");
    ASSERT_EQ(run.exitCode, 0);
    for (const char* expected : {"marker 1 'hidden': never shown", "marker 2 'backwards': 'to' 200 is below 'from' 300",
                                 "marker 3 'lost': scene 'Intro' is not in the manifest",
                                 "manifest Scenes 'gone': file 'resources/gone.gltf' does not exist",
                                 "no marker covers positions 101..499"}) {
        EXPECT_NE(run.output.find(expected), std::string::npos) << "missing: " << expected << "\n" << run.output;
    }
    EXPECT_EQ(run.output.find("'first'"), run.output.find("'first' 0..100"));  // no warning names the first marker

    // Odd labels, as XML writes them and as the warnings print them: raw in the text, escaped in the JSON.
    const std::pair<const char*, const char*> labels[] = {
        {"&quot;q&quot;", "\"q\""}, {"back\\slash", "back\\slash"}, {"two&#10;lines", "two\nlines"},
        {"a&#9;tab", "a\ttab"},     {"bell&#7;", "bell\x07"},     {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"latin\xe9", "latin\xc3\xa9"}};
    std::string timeline = R"(<Timeline timeunit="raw"><TimelineTrack label="first" from="0" to="100"/>)";
    for (const auto& [xml, label] : labels) {
        timeline += std::string(R"(<TimelineTrack from="1" to="2" label=")") + xml + "\"/>";
    }
    TempDir odd;
    writeShow(odd, timeline + "</Timeline>");
    const std::string text = inspect(odd.path(), "").output;
    const nlohmann::json json = nlohmann::json::parse(inspect(odd.path(), "--json").output);
    for (size_t i = 0; i < std::size(labels); ++i) {
        const std::string warning = "marker " + std::to_string(i + 1) + " '" + labels[i].second + "': never shown";
        EXPECT_NE(text.find("  " + warning), std::string::npos) << warning;
        EXPECT_EQ(json["timeline"]["markers"][i + 1]["label"], labels[i].second);
        EXPECT_EQ(json["warnings"][i].get<std::string>().rfind(warning, 0), 0u) << json["warnings"][i];
    }
}

// What the player reads silently: names it does not know (matched exactly), keys it skips, a track past the music.
TEST(DemoInspect, LintsEffectNamesKeysAndTracksPastTheMusic) {
    TempDir dir;
    writeShow(dir, R"(<Timeline timeunit="second">
        <TimelineTrack label="a" from="0" to="2" scene="intro">
          <Effect type="bloom"><Parameter name="size"><Key value="1" time="0"/></Parameter></Effect>
          <Effect type="Bloom"><Parameter name="Intensity"><Key value="1" time="0"/></Parameter>
                               <Parameter name="blur_intensity"><Key value="1" time="0"/></Parameter>
                               <Parameter name="wobble"><Key value="1" time="0"/></Parameter></Effect>
          <Effect type="DOF"><Parameter name="focus"><Key value="0.2" time="0"/><Key value="0.9" time="1"/></Parameter></Effect>
          <Effect type="Glitch"><Parameter name="amount"><Key value="1" time="0"/></Parameter></Effect>
          <Effect type="Sparkle"/>
        </TimelineTrack>
        <TimelineTrack label="keyed" to="4">
          <Effect type="DOF"><Parameter name="focus" interpolate="Linear"><Key value="0.2"/><Key value="0.9" time="1"/>
                             </Parameter>
                             <Parameter name="aperture" interpolate="smooth"><Key value="0.1" time="-1"/>
                               <Key value="0.2" time="1"/><Key value="0.3" time="1"/><Key value="0.4" time="2.5"/>
                               <Key value="0.5" time="nan"/>
                             </Parameter></Effect>
        </TimelineTrack>
    </Timeline>)");
    const std::string text = inspect(dir.path(), "").output;
    for (const char* expected : {
             "marker 0 'a': effect type 'bloom' is not one the player knows, so it changes nothing (did you mean "
             "'Bloom'?)",
             "effect 'Bloom' has no parameter 'Intensity', so it changes nothing (did you mean 'scene_intensity'?)",
             "has no parameter 'blur_intensity', so it changes nothing (did you mean 'blur_instensity'?)",
             "has no parameter 'wobble', so it changes nothing\n",
             "parameter 'focus' of 'DOF' has 2 keys; the player uses the first one only (0.2); "
             "interpolate=\"linear\" (or step, smooth, ramp) on the parameter makes them move the knob",
             "marker 1 'keyed': parameter 'focus' of 'DOF' has interpolate 'Linear', which is not a kind the player "
             "knows, so only its first key counts (did you mean 'linear'?); the kinds are step, linear, smooth, ramp",
             "marker 1 'keyed': key 0 of parameter 'aperture' of 'DOF' is at -1 s, before the marker's start",
             "keys 1 and 2 of parameter 'aperture' of 'DOF' are both at 1 s; the knob jumps there to the later one's",
             "key 3 of parameter 'aperture' of 'DOF' is at 2.5 s, after the marker's end at 2.000 s",
             "key 4 of parameter 'aperture' of 'DOF' has a time that is not a number; the player leaves it out",
             "effect 'Glitch' takes no parameters; 'amount' changes nothing",
             "effect type 'Sparkle' is not one the player knows, so it changes nothing; the types are DOF,",
             "ends at position 352800 (2.000 s), after the music's end at 176400 (1.000 s)"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << "missing: " << expected << "\n" << text;
    }
}

TEST(DemoInspect, AnEmptyTimelineIsAWarningNotAnError) {
    TempDir dir;
    writeShow(dir, "<Timeline/>");
    const CommandResult run = inspect(dir.path(), "--json");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("the timeline has no markers"), std::string::npos);
}

TEST(DemoInspect, UnreadableFilesEndWithExitCodeOne) {
    TempDir empty;
    EXPECT_EQ(inspect(empty.path(), "--json").exitCode, 1);

    TempDir broken;
    writeShow(broken, "<Timeline><TimelineTrack");
    const CommandResult run = inspect(broken.path(), "--json");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.empty());

    EXPECT_EQ(inspect(empty.path(), "--bogus").exitCode, 1);
}

}  // namespace
