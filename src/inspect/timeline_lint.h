#pragma once

// What the player reads of a timeline silently and a show maker would want to be told: effect types and
// parameter names the player does not know (matched exactly, so "bloom" or "Intensity" change nothing), keys
// after a parameter's first without "interpolate" (the player uses the first alone), "interpolate" words it does
// not know, keys of a keyed parameter outside the marker or two at one time, and markers that reach past the
// music's end.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/demo_timeline.h"

// One warning a finding, naming the marker; unknown names come with the nearest known one when there is a close
// one. `musicBytes`: the music's length, when known.
std::vector<std::string> lintTimeline(const std::vector<TimelineMarker>& markers, std::optional<std::uint64_t> musicBytes);

// The known name closest to `name` (case ignored, then edit distance), or "" when none is close enough to be a
// likely typo.
std::string nearestName(const std::string& name, const std::vector<std::string_view>& known);
