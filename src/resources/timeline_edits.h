#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/demo_timeline.h"
#include "resources/timeline_document.h"

// What the editor can change in a timeline, each as one operation on the document. `markers` are the document's
// markers as the player reads them (the same order as its tracks). An operation that cannot be carried out
// answers false and leaves the document as it was; `why` then says so.
namespace timeline_edits {

// The parameter element whose keys the player uses for `effect`/`parameter` of a track: the last one in document
// order that has a key (later ones overwrite earlier ones); else the last one without keys; else none.
pugi::xml_node findParameter(pugi::xml_node track, std::string_view effect, std::string_view parameter);
// A parameter element read as the player reads it.
EffectParameter readParameter(pugi::xml_node parameter);

// A knob moved to `value`. Without `interpolate` the first key is set; a keyed parameter gets the key at
// `seconds` (from the marker's start) set, or added there. `Effect`, `Parameter` and `Key` are added when missing.
bool setKnob(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter, float value,
             double seconds, std::string* why = nullptr);
// The knob back to its default: every `Parameter` of that name in the track's effects of that type removed.
bool resetKnob(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
               std::string* why = nullptr);
// `interpolate` set to `word`, or removed when `word` is empty. A missing parameter is added with one key of
// `value` at 0.
bool setInterpolation(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
                      std::string_view word, float value, std::string* why = nullptr);
// Keys by their place among the parameter's `Key` elements (document order).
bool addKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
            double seconds, float value, std::string* why = nullptr);
bool moveKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
             size_t key, double seconds, std::string* why = nullptr);
bool deleteKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
               size_t key, std::string* why = nullptr);

// The marker cut in two where `position` falls, changing no frame: the first half ends before `position` (in
// seconds mode at `position` to the millisecond), the second begins right after it; `start` and `end` are divided
// where the cut falls, and keyed parameters are cut with their keys (a key on the cut for step and linear, the key
// beyond the cut kept for the curves, whose shape one key cannot cut).
bool splitMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                 uint64_t position, std::string* why = nullptr);
// The timeline keeps at least one marker.
bool deleteMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                  std::string* why = nullptr);
// A copy right after the marker, as long as it; later markers are not moved.
bool duplicateMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                     std::string* why = nullptr);
// `to` at `position` (whole sample frames; in seconds mode written in seconds to the millisecond).
bool moveMarkerEnd(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                   uint64_t position, std::string* why = nullptr);
// `label`, `scene` or `camera`.
bool setMarkerText(TimelineDocument& document, size_t marker, const char* attribute, std::string_view value,
                   std::string* why = nullptr);
// `start` or `end`.
bool setMarkerFraction(TimelineDocument& document, size_t marker, const char* attribute, float value,
                       std::string* why = nullptr);

// The position a `to` attribute's text gives in the document's unit, as the player reads it.
uint32_t positionOfText(const TimelineDocument& document, const std::string& text);
// What a position is written as in the document's unit.
std::string positionText(const TimelineDocument& document, uint64_t position);

}  // namespace timeline_edits
