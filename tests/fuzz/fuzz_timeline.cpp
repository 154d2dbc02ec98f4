// The timeline: the document as the player reads it, its checks as demo-inspect makes them, then what playback
// takes from it at positions drawn from the input (the marker, the progress through it, the scene's animation
// time and the effects' parameter blocks).
#include <cmath>
#include <cstdlib>

#include "audio/marker_lookup.h"
#include "fuzz_support.h"
#include "inspect/timeline_lint.h"
#include "post/effect_parameters.h"
#include "post/timeline_scenes.h"
#include "resources/demo_timeline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeInput("timeline.xml", data, size);
    const DemoTimeline timeline{ResourcePath(path.c_str())};
    const std::vector<TimelineMarker>& markers = timeline.markerList();
    fuzz::Draws draws(data, size);
    (void)lintTimeline(markers, draws.next() & 1 ? std::optional<std::uint64_t>(draws.next() >> 28) : std::nullopt);

    EffectParameterBlocks blocks;
    for (int i = 0; i < 32; ++i) {
        // Positions anywhere in the 64-bit range, and near the markers' own bounds where the rules change.
        std::uint64_t position = draws.next() >> (draws.next() % 64);
        if (!markers.empty() && (i & 1)) {
            const TimelineMarker& near = markers[draws.next() % markers.size()];
            position = (i & 2 ? near.from : near.to) + (draws.next() % 3) - 1;
        }
        const std::optional<std::size_t> found = findMarkerAt(markers, position);
        if (!found) continue;
        const TimelineMarker& marker = markers[*found];
        if (position < marker.from || position > marker.to) std::abort();
        const double progress = progressBetween(marker.from, marker.to, position);
        if (!(progress >= 0.0 && progress <= 1.0)) std::abort();
        (void)markerAnimationTime(marker, draws.unit() * 10.0, 10.0 + draws.unit() * 100.0, progress);
        blocks.apply(marker);
    }
    return 0;
}
