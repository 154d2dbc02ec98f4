#include "audio/marker_lookup.h"

std::optional<size_t> findMarkerAt(const std::vector<TimelineMarker>& markers, uint64_t position) {
    for (size_t i = 0; i < markers.size(); ++i) {
        if (uint64_t{markers[i].from} <= position && position <= uint64_t{markers[i].to}) return i;
    }
    return std::nullopt;
}

double progressBetween(double first, double last, uint64_t position) {
    const auto p = static_cast<double>(position);
    if (first >= p) return 0.0;
    if (p >= last) return 1.0;
    return (p - first) / (last - first);
}
