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

namespace {

// A keyed parameter's value: (kind, keys in document order as value@time, seconds into the marker) -> value.
TEST(ParameterKeys, ValueFollowsTheKindBetweenKeysInTimeOrder) {
    using K = Interpolation;
    const std::vector<ParameterKey> rise = {{0.0f, 1.0f}, {1.0f, 3.0f}};                 // 0 at 1 s, 1 at 3 s
    const std::vector<ParameterKey> shuffled = {{0.8f, 4.0f}, {0.2f, 0.0f}, {0.6f, 2.0f}};  // out of document order
    const std::vector<ParameterKey> one = {{0.7f, 5.0f}};
    const std::vector<ParameterKey> tie = {{0.1f, 0.0f}, {0.4f, 2.0f}, {0.9f, 2.0f}, {0.5f, 4.0f}};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<ParameterKey> withNan = {{0.3f, nan}, {0.0f, 0.0f}, {1.0f, 2.0f}};
    const struct {
        K kind;
        const std::vector<ParameterKey>& keys;
        double seconds;
        float value;
    } cases[] = {
        // Before, at and after the keys, and each kind at the quarter points of the way.
        {K::Linear, rise, 0.0, 0.0f},    {K::Linear, rise, 1.0, 0.0f},     {K::Linear, rise, 1.5, 0.25f},
        {K::Linear, rise, 2.0, 0.5f},    {K::Linear, rise, 2.5, 0.75f},    {K::Linear, rise, 3.0, 1.0f},
        {K::Linear, rise, 99.0, 1.0f},   {K::Step, rise, 1.5, 0.0f},       {K::Step, rise, 2.999, 0.0f},
        {K::Step, rise, 3.0, 1.0f},      {K::Smooth, rise, 1.5, 0.15625f}, {K::Smooth, rise, 2.0, 0.5f},
        {K::Smooth, rise, 2.5, 0.84375f}, {K::Ramp, rise, 1.5, 0.0625f},   {K::Ramp, rise, 2.0, 0.25f},
        {K::Ramp, rise, 2.5, 0.5625f},   {K::Ramp, rise, 3.0, 1.0f},
        // Without "interpolate" (or with an unknown word) the first key in document order, whatever the time.
        {K::FirstKey, rise, 2.5, 0.0f},  {K::FirstKey, shuffled, 0.0, 0.8f}, {K::FirstKey, shuffled, 9.0, 0.8f},
        // Keys count in time order whatever their document order.
        {K::Linear, shuffled, 0.0, 0.2f}, {K::Linear, shuffled, 1.0, 0.4f}, {K::Linear, shuffled, 3.0, 0.7f},
        {K::Step, shuffled, 3.9, 0.6f},  {K::Linear, shuffled, 5.0, 0.8f},
        // One key holds everywhere; two at one time: the later in the document from that time on.
        {K::Smooth, one, 0.0, 0.7f},     {K::Smooth, one, 9.0, 0.7f},      {K::Linear, tie, 1.0, 0.25f},
        {K::Linear, tie, 2.0, 0.9f},     {K::Linear, tie, 3.0, 0.7f},      {K::Step, tie, 2.0, 0.9f},
        // A key whose time is not a number is left out.
        {K::Linear, withNan, 1.0, 0.5f}, {K::Linear, withNan, -1.0, 0.0f},
    };
    for (const auto& c : cases) {
        const EffectParameter parameter{"focus", c.keys, c.kind};
        EXPECT_FLOAT_EQ(parameter.valueAt(c.seconds), c.value)
            << "kind " << int(c.kind) << ", " << c.keys.size() << " keys, at " << c.seconds << " s";
    }

    // The time is held within the marker: a marker of zero length is always at 0 s, one that never shows too.
    TimelineMarker marker;
    marker.from = 176400;
    marker.to = 176400 + 88200;
    EXPECT_DOUBLE_EQ(secondsIntoMarker(marker, 0), 0.0);
    EXPECT_DOUBLE_EQ(secondsIntoMarker(marker, 176400 + 44100), 0.25);
    EXPECT_DOUBLE_EQ(secondsIntoMarker(marker, 9999999), 0.5);
    marker.to = marker.from;
    EXPECT_DOUBLE_EQ(secondsIntoMarker(marker, 9999999), 0.0);
    marker.to = 0;
    EXPECT_DOUBLE_EQ(secondsIntoMarker(marker, 200000), 0.0);
}

TEST(ParameterKeys, InterpolateIsReadOnceWithTheKeys) {
    TempDir dir;
    const auto markers = markersOf(dir, R"(<Timeline><TimelineTrack to="4"><Effect type="DOF">
        <Parameter name="a" interpolate="smooth"><Key value="1" time="2"/><Key value="0"/></Parameter>
        <Parameter name="b" interpolate="Linear"><Key value="1" time="2"/><Key value="0"/></Parameter>
        <Parameter name="c" interpolate=""/>
        <Parameter name="d"/>
    </Effect></TimelineTrack></Timeline>)");
    const std::vector<EffectParameter>& p = markers.at(0).effects.at(0).parameters;
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].interpolation, Interpolation::Smooth);
    EXPECT_FLOAT_EQ(p[0].keys[1].time, 0.0f);  // document order is kept
    EXPECT_FLOAT_EQ(p[0].valueAt(1.0), 0.5f);
    EXPECT_EQ(p[1].interpolate, "Linear");  // an unknown word is kept for the linter, and counts as none
    EXPECT_EQ(p[1].interpolation, Interpolation::FirstKey);
    EXPECT_FLOAT_EQ(p[1].valueAt(1.0), 1.0f);
    EXPECT_EQ(p[2].interpolate, "");
    EXPECT_EQ(p[2].interpolation, Interpolation::FirstKey);
    EXPECT_FALSE(p[3].interpolate.has_value());
}

}  // namespace
