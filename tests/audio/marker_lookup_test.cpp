#include "audio/marker_lookup.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TimelineMarker marker(uint32_t from, uint32_t to) {
    TimelineMarker m;
    m.from = from;
    m.to = to;
    return m;
}

TEST(MarkerLookup, BoundsAreInclusiveAndTheEarlierMarkerWins) {
    const std::vector<TimelineMarker> markers = {marker(100, 200), marker(150, 300), marker(500, 400),
                                                 marker(301, 301)};
    EXPECT_EQ(findMarkerAt(markers, 99), std::nullopt);
    EXPECT_EQ(findMarkerAt(markers, 100), 0u);
    EXPECT_EQ(findMarkerAt(markers, 200), 0u);
    EXPECT_EQ(findMarkerAt(markers, 201), 1u) << "overlap: the earlier one holds 150..200, the later the rest";
    EXPECT_EQ(findMarkerAt(markers, 300), 1u);
    EXPECT_EQ(findMarkerAt(markers, 301), 3u) << "a one-position marker";
    EXPECT_EQ(findMarkerAt(markers, 450), std::nullopt) << "to below from never holds a position";
    EXPECT_EQ(findMarkerAt(markers, 500), std::nullopt);
    EXPECT_EQ(findMarkerAt(markers, 400), std::nullopt);
    EXPECT_EQ(findMarkerAt({}, 0), std::nullopt);
}

TEST(MarkerLookup, PositionsBeyond32BitsMatchNothing) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    const std::vector<TimelineMarker> markers = {marker(0, kMax)};
    EXPECT_EQ(findMarkerAt(markers, kMax), 0u);
    EXPECT_EQ(findMarkerAt(markers, uint64_t{1} << 32), std::nullopt) << "must not wrap to 0";
    EXPECT_EQ(findMarkerAt(markers, (uint64_t{1} << 32) + 5), std::nullopt);
    EXPECT_EQ(findMarkerAt(markers, ~uint64_t{0}), std::nullopt) << "the layer's error value";
}

TEST(MarkerLookup, ProgressRunsFromZeroAtTheStartToOneAtTheEnd) {
    EXPECT_EQ(progressBetween(100, 300, 50), 0.0);
    EXPECT_EQ(progressBetween(100, 300, 100), 0.0);
    EXPECT_EQ(progressBetween(100, 300, 200), 0.5);
    EXPECT_EQ(progressBetween(100, 300, 250), 0.75);
    EXPECT_EQ(progressBetween(100, 300, 300), 1.0);
    EXPECT_EQ(progressBetween(100, 300, 301), 1.0);
    EXPECT_EQ(progressBetween(100, 100, 100), 0.0);
    EXPECT_EQ(progressBetween(100, 100, 101), 1.0);
    EXPECT_EQ(progressBetween(300, 100, 200), 0.0) << "reversed bounds";
    EXPECT_EQ(progressBetween(300, 100, 400), 1.0);

    // The empty marker (0..0): nothing before it, everything after.
    EXPECT_EQ(progressBetween(0, 0, 0), 0.0);
    EXPECT_EQ(progressBetween(0, 0, 1), 1.0);
    EXPECT_EQ(progressBetween(0, 0, uint64_t{1} << 40), 1.0);
}

}  // namespace
