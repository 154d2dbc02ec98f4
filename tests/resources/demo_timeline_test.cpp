#include <gtest/gtest.h>

#include <limits>

#include "resources/demo_timeline.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

std::vector<TimelineMarker> markersOf(const TempDir& dir, const std::string& xml) {
    const auto file = dir.write("resources/timeline.xml", xml);
    return DemoTimeline(ResourcePath(file.string().c_str())).getMarkers();
}

TEST(DemoTimeline, SecondsModeChainsTracksAfterEachOther) {
    TempDir dir;
    const auto markers = markersOf(dir, R"(<Timeline>
        <TimelineTrack to="0.5"/>
        <TimelineTrack to="1"/>
        <TimelineTrack from="7" to="2"/>
        <TimelineTrack from="0" to="3"/>
    </Timeline>)");
    ASSERT_EQ(markers.size(), 4u);
    EXPECT_EQ(markers[0].from, 0u);
    EXPECT_EQ(markers[0].to, 88200u);
    EXPECT_EQ(markers[1].from, 88201u);
    EXPECT_EQ(markers[1].to, 176400u);
    EXPECT_EQ(markers[2].from, 0u);  // a nonzero "from" in seconds is not used
    EXPECT_EQ(markers[2].to, 352800u);
    EXPECT_EQ(markers[3].from, 352801u);
}

TEST(DemoTimeline, OnlyTheExactWordSecondSelectsSeconds) {
    TempDir dir;
    for (const char* unit : {"Second", "raw", "bytes", ""}) {
        const auto markers = markersOf(dir, std::string("<Timeline timeunit=\"") + unit + R"("><TimelineTrack to="100"/>
            <TimelineTrack from="200" to="300"/><TimelineTrack to="50"/></Timeline>)");
        ASSERT_EQ(markers.size(), 3u) << unit;
        EXPECT_EQ(markers[0].from, 0u);
        EXPECT_EQ(markers[0].to, 100u);
        EXPECT_EQ(markers[1].from, 200u);
        EXPECT_EQ(markers[1].to, 300u);
        EXPECT_EQ(markers[2].from, 0u);  // no chaining outside seconds mode
    }
    const auto seconds = markersOf(dir, R"(<Timeline timeunit="second"><TimelineTrack to="1"/></Timeline>)");
    EXPECT_EQ(seconds[0].to, 176400u);
}

TEST(DemoTimeline, DefaultsAndDocumentOrderOfEverything) {
    TempDir dir;
    const auto markers = markersOf(dir, R"(<Timeline>
        <TimelineTrack to="2"/>
        <TimelineTrack label="Intro" to="1" start="0.25" end="0.75" scene="intro" camera="Cam2" unknown="x">
            <Effect type="bloom">
                <Parameter name="intensity"><Key value="2" time="5"/><Key value="3" time="1"/></Parameter>
                <Parameter name="empty"/>
                <Junk/>
            </Effect>
            <Effect/>
        </TimelineTrack>
        <Other to="9"/>
    </Timeline>)");
    ASSERT_EQ(markers.size(), 2u);
    const TimelineMarker& plain = markers[0];
    EXPECT_EQ(plain.label, "Untitled");
    EXPECT_EQ(plain.camera, "Camera");
    EXPECT_EQ(plain.scene, "");
    EXPECT_FLOAT_EQ(plain.start, 0.0f);
    EXPECT_FLOAT_EQ(plain.end, 0.1f);
    EXPECT_TRUE(plain.effects.empty());

    const TimelineMarker& intro = markers[1];  // document order, even with "to" out of order
    EXPECT_EQ(intro.label, "Intro");
    EXPECT_EQ(intro.scene, "intro");
    EXPECT_EQ(intro.camera, "Cam2");
    EXPECT_FLOAT_EQ(intro.start, 0.25f);
    EXPECT_FLOAT_EQ(intro.end, 0.75f);
    ASSERT_EQ(intro.effects.size(), 2u);
    EXPECT_EQ(intro.effects[0].type, "bloom");
    EXPECT_EQ(intro.effects[1].type, "");
    ASSERT_EQ(intro.effects[0].parameters.size(), 2u);
    const auto& keys = intro.effects[0].parameters[0].keys;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_FLOAT_EQ(keys[0].value, 2.0f);
    EXPECT_FLOAT_EQ(keys[0].time, 5.0f);
    EXPECT_FLOAT_EQ(keys[1].value, 3.0f);
    EXPECT_TRUE(intro.effects[0].parameters[1].keys.empty());
}

TEST(DemoTimeline, MalformedNumbersReadAsZeroAndHugeSecondsSaturate) {
    TempDir dir;
    const auto markers = markersOf(dir, R"(<Timeline>
        <TimelineTrack to="abc" start="x" end="?"><Effect type="t"><Parameter name="p"><Key value="v" time="w"/>
        </Parameter></Effect></TimelineTrack>
        <TimelineTrack to="1e12"/>
        <TimelineTrack to="-5"/>
    </Timeline>)");
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[0].to, 0u);
    EXPECT_FLOAT_EQ(markers[0].start, 0.0f);
    EXPECT_FLOAT_EQ(markers[0].end, 0.0f);
    EXPECT_FLOAT_EQ(markers[0].effects[0].parameters[0].keys[0].value, 0.0f);
    EXPECT_EQ(markers[1].to, std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(markers[2].to, 0u);
    EXPECT_EQ(markers[2].from, std::numeric_limits<uint32_t>::max());  // after a saturated "to": stays at the top

    EXPECT_EQ(secondsToPosition(24348.0), std::numeric_limits<uint32_t>::max());  // 2^32 bytes is 24347.66 s
    EXPECT_EQ(secondsToPosition(24347.0), 4294810800u);
    EXPECT_EQ(secondsToPosition(std::numeric_limits<double>::quiet_NaN()), 0u);
    EXPECT_EQ(secondsToPosition(1.0 / 176400.0 * 0.999), 0u);  // truncated toward zero
}

TEST(DemoTimeline, UnreadableFilesGiveAnEmptyOrShortListAndAReason) {
    TempDir dir;
    const DemoTimeline missing(ResourcePath((dir.path() / "none.xml").string().c_str()));
    EXPECT_TRUE(missing.getMarkers().empty());
    EXPECT_FALSE(missing.parseError().empty());

    EXPECT_EQ(markersOf(dir, "").size(), 0u);
    EXPECT_EQ(markersOf(dir, std::string("\xFF\xFE\x00<\x00", 5)).size(), 0u);
    const auto truncated = markersOf(dir, "<Timeline><TimelineTrack to=\"1\"/><TimelineTrack to=");
    ASSERT_FALSE(truncated.empty());  // what was read before the error is kept
    EXPECT_EQ(truncated[0].to, 176400u);
    EXPECT_EQ(markersOf(dir, "<Other><TimelineTrack to=\"1\"/></Other>").size(), 0u);
}

TEST(DemoTimeline, IsCreatedAndCachedThroughTheRegistry) {
    TempDir dir;
    dir.write("resources/timeline.xml", R"(<Timeline><TimelineTrack label="only" to="1"/></Timeline>)");
    testing_support::ScopedWorkingDirectory cwd(dir.path());
    ResourceRegistry registry;
    registry.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
    auto first = registry.acquire<DemoTimeline>(ResourcePath("resources\\timeline.xml"));
    auto second = registry.acquire<DemoTimeline>(ResourcePath("Resources/Timeline.xml"));
    EXPECT_EQ(first.get(), second.get());
    EXPECT_EQ(first->getPath().text(), "./resources/timeline.xml");
    EXPECT_EQ(first->getMarkers().at(0).label, "only");
}

}  // namespace
