// Generated and mutated inputs for the path rules and the two XML readers: bounded, seeded, repeatable.
#include <gtest/gtest.h>

#include <random>

#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"
#include "resources/resource_path.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

std::string randomPath(std::mt19937& random) {
    static const char* pieces[] = {"/", "\\", ".", "..", "...", "a", "B", "c:", "C:", "x.y", "\xC3\xA9", "", "//"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 8)(random);
    for (int i = 0; i < count; ++i) text += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)];
    return text;
}

TEST(Fuzz, NormalisationIsIdempotentAndCanonical) {
    std::mt19937 random(1234);
    for (int i = 0; i < 20000; ++i) {
        const std::string input = randomPath(random);
        std::string once;
        try {
            once = ResourcePath(input.c_str()).text();
        } catch (const ResourcePath::Exception&) {
            continue;  // climbing above a root
        }
        ASSERT_EQ(ResourcePath(once.c_str()).text(), once) << "input: " << input;
        ASSERT_EQ(once.find('\\'), std::string::npos);
        ASSERT_TRUE(once.rfind("/", 0) == 0 || once.rfind("./", 0) == 0 || once.rfind("../", 0) == 0 ||
                    (once.size() >= 3 && once[1] == ':' && once[2] == '/'))
            << once;
        for (char c : once) ASSERT_FALSE(c >= 'A' && c <= 'Z') << once;
    }
}

std::string mutate(std::string text, std::mt19937& random) {
    const int edits = std::uniform_int_distribution<int>(1, 6)(random);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        const size_t at = std::uniform_int_distribution<size_t>(0, text.size() - 1)(random);
        switch (std::uniform_int_distribution<int>(0, 3)(random)) {
            case 0: text.erase(at, std::uniform_int_distribution<size_t>(1, 12)(random)); break;
            case 1: text.insert(at, 1, static_cast<char>(random())); break;
            case 2: text[at] = static_cast<char>(random()); break;
            default: text.insert(at, text.substr(at, std::uniform_int_distribution<size_t>(1, 40)(random))); break;
        }
    }
    return text;
}

TEST(Fuzz, ReadersSurviveMutatedAndDeeplyNestedDocuments) {
    const std::string timeline = R"(<?xml version="1.0"?><Timeline timeunit="second">
      <TimelineTrack label="a" to="1.5" start="0" end="1" scene="s" camera="c"><Effect type="bloom">
      <Parameter name="p"><Key value="1" time="0"/></Parameter></Effect></TimelineTrack>
      <TimelineTrack from="3" to="9"/></Timeline>)";
    const std::string manifest = R"(<Resources><PixelShader><Shader name="a" path="b"/></PixelShader>
      <Scenes><Scene name="s" path="x.gltf"/></Scenes><Paths><Path name="audioTrack" path="m.ogg"/></Paths></Resources>)";
    TempDir dir;
    std::mt19937 random(99);
    for (int i = 0; i < 600; ++i) {
        const auto timelineFile = dir.write("t.xml", mutate(timeline, random));
        const DemoTimeline parsed(ResourcePath(timelineFile.string().c_str()));
        for (const TimelineMarker& marker : parsed.getMarkers()) ASSERT_LE(marker.effects.size(), 1000u);
        const auto manifestFile = dir.write("m.xml", mutate(manifest, random));
        const ResourceManifest read(manifestFile.string());
        ASSERT_LE(read.Paths.size(), 10u);
    }
    std::string deep = "<Timeline>";
    for (int i = 0; i < 20000; ++i) deep += "<TimelineTrack>";
    const auto deepFile = dir.write("deep.xml", deep);
    EXPECT_LE(DemoTimeline(ResourcePath(deepFile.string().c_str())).getMarkers().size(), 1u);
    EXPECT_TRUE(ResourceManifest(deepFile.string()).Paths.empty());
}

}  // namespace
