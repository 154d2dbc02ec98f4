#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "resources/demo_timeline.h"

// The first marker whose range from..to (both inclusive) holds `position`. The 32-bit bounds are compared as
// 64-bit numbers, so no position at or beyond 2^32 bytes is held by any marker.
std::optional<size_t> findMarkerAt(const std::vector<TimelineMarker>& markers, uint64_t position);

// 0 at or before `first`, 1 at or after `last`, linear in between.
double progressBetween(double first, double last, uint64_t position);
