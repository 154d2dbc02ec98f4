// Filling the effect parameter blocks from the show's timeline, as every frame does: the time of
// EffectParameterBlocks::apply at frames spread over the whole music, with the timeline's keyed parameters
// moving, and with the same timeline read as if no parameter had "interpolate" (each keeps its first key).
//   bench_effect_parameters [show-folder [frames]]

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <optional>
#include <vector>

#include "audio/marker_lookup.h"
#include "base/music_format.h"
#include "bench_show_folder.h"
#include "bench_timing.h"
#include "post/effect_parameters.h"
#include "resources/demo_timeline.h"

namespace {

struct Frame {
    const TimelineMarker* marker;
    double seconds;
};

// Nanoseconds a frame over one pass of every frame.
double nanosecondsPerFrame(const std::vector<Frame>& frames, EffectParameterBlocks& blocks, float& sink) {
    const auto start = Clock::now();
    for (const Frame& frame : frames) {
        blocks.apply(*frame.marker, frame.seconds);
        sink += blocks.depthOfField.focus + blocks.colorCorrect.red;
    }
    return millisecondsSince(start) * 1e6 / double(frames.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (!enterShow(argc, argv, "bench_effect_parameters [show-folder [frames]]")) return 1;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200000;
    const DemoTimeline timeline{ResourcePath(kTimelineFile)};
    std::vector<TimelineMarker> keyed = timeline.getMarkers();
    if (keyed.empty()) {
        std::fprintf(stderr, "the timeline has no markers\n");
        return 1;
    }
    std::vector<TimelineMarker> firstKeys = keyed;
    std::size_t moving = 0;
    for (TimelineMarker& marker : firstKeys) {
        for (MarkerEffect& effect : marker.effects) {
            for (EffectParameter& parameter : effect.parameters) {
                moving += parameter.interpolation != Interpolation::FirstKey;
                parameter.interpolation = Interpolation::FirstKey;
            }
        }
    }
    std::uint32_t end = 0;
    for (const TimelineMarker& marker : keyed) end = std::max(end, marker.to);

    const auto framesOf = [&](const std::vector<TimelineMarker>& markers) {
        static const TimelineMarker none;
        std::vector<Frame> frames;
        for (int i = 0; i < count; ++i) {
            const auto position = static_cast<std::uint64_t>((i + 0.5) / count * double(end));
            const std::optional<std::size_t> index = findMarkerAt(markers, position);
            const TimelineMarker& marker = index ? markers[*index] : none;
            frames.push_back({&marker, secondsIntoMarker(marker, position)});
        }
        return frames;
    };
    // Passes of the two alternate, and the fastest of each counts: the machine is shared with other work.
    const std::vector<Frame> keyedFrames = framesOf(keyed), firstKeyFrames = framesOf(firstKeys);
    EffectParameterBlocks blocks;
    float sink = 0.0f;
    std::vector<double> keyedPasses, firstKeyPasses;
    for (int pass = 0; pass < 15; ++pass) {
        keyedPasses.push_back(nanosecondsPerFrame(keyedFrames, blocks, sink));
        firstKeyPasses.push_back(nanosecondsPerFrame(firstKeyFrames, blocks, sink));
    }
    if (sink == 12345.0f) std::puts("");  // keeps the loops from being optimised away
    const double withKeys = fastest(keyedPasses), withoutKeys = fastest(firstKeyPasses);
    std::printf("Effect parameters of %zu markers (%zu keyed parameters), %d frames over %.1f s\n", keyed.size(),
                moving, count, double(end) / music_format::kBytesPerSecond);
    std::printf("  apply, keyed parameters moving      %8.1f ns a frame\n", withKeys);
    std::printf("  apply, every parameter's first key  %8.1f ns a frame\n", withoutKeys);
    return 0;
}
