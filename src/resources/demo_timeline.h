#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "base/music_format.h"
#include "resources/resource_path.h"
#include "resources/resource_registry.h"

struct ParameterKey {
    float value = 0.0f;
    float time = 0.0f;
};

// How a parameter's value moves between its keys ("interpolate" on `Parameter`). Without the attribute, or with a
// word that is not one of these, the first key in document order holds for the whole marker.
enum class Interpolation : std::uint8_t { FirstKey, Step, Linear, Smooth, Ramp };

// The words of the "interpolate" attribute, in the order of the kinds after FirstKey.
inline constexpr std::string_view kInterpolationWords[] = {"step", "linear", "smooth", "ramp"};
// The kind a word names; FirstKey for any other word (matched exactly).
Interpolation interpolationFromWord(std::string_view word);
// The word of a kind; "" for FirstKey.
std::string_view interpolationWord(Interpolation kind);

struct EffectParameter {
    EffectParameter() = default;
    // A parameter made in code (tests, editors): `interpolation` other than FirstKey also sets `interpolate` to
    // its word, as a file would have it.
    EffectParameter(std::string name, std::vector<ParameterKey> keys, Interpolation interpolation = Interpolation::FirstKey);

    std::string name;
    std::vector<ParameterKey> keys;  // document order, as written
    // The "interpolate" attribute as written (absent: nullopt), and the kind it names.
    std::optional<std::string> interpolate;
    Interpolation interpolation = Interpolation::FirstKey;

    // The value at `seconds` from the marker's start (where its progress is 0); keys count in time order, ties
    // in document order. Before the first key: the first key's value, after the last: the last key's. With
    // FirstKey, the first key in document order whatever the time. Keys with a NaN time are left out. No
    // allocation; 0 without keys (callers leave such a parameter out).
    float valueAt(double seconds) const;
};

// The value of one kind between two keys: `u` is the fraction of the way from `from` to `to` (clamped to 0..1).
// step: `from`; linear: u; smooth: u²(3 − 2u); ramp: u².
float interpolateBetween(Interpolation kind, float from, float to, double u);

struct MarkerEffect {
    std::string type;
    std::vector<EffectParameter> parameters;
};

// One stretch of the music and what is shown during it. A default-constructed marker is the empty marker
// (every field zero or empty) that stands for "no marker at this position".
struct TimelineMarker {
    uint32_t from = 0;
    uint32_t to = 0;
    float start = 0.0f;
    float end = 0.0f;
    std::string scene;
    std::string camera;
    std::string label;
    std::vector<MarkerEffect> effects;
};

// The timeline file of the show in the working directory.
constexpr const char* kTimelineFile = "resources\\timeline.xml";

// "resources\timeline.xml", read once when created: the markers in document order.
class DemoTimeline : public ManagedResource {
public:
    explicit DemoTimeline(const ResourcePath& path);
    // The same reading of `text` instead of the file (the editor's document before or without its save).
    DemoTimeline(const ResourcePath& path, std::string_view text);

    std::vector<TimelineMarker> getMarkers() const { return markers; }
    // The same markers without a copy, for what reads them every frame.
    const std::vector<TimelineMarker>& markerList() const { return markers; }
    const ResourcePath& getPath() const { return path; }
    // Empty when the file was read without trouble; otherwise what went wrong. Never thrown: a file that cannot
    // be read gives a short or empty timeline, which scene loading reports.
    const std::string& parseError() const { return parseError_; }

private:
    void read();
    void readMarkers();

    pugi::xml_document document;
    ResourcePath path;
    std::vector<TimelineMarker> markers;
    std::string parseError_;
};

class TimelineFactory : public ResourceFactory {
public:
    std::unique_ptr<ManagedResource> create(const ResourcePath& key, ResourceRegistry& registry) override;
};

// Seconds from the marker's `from` to `position`, held within the marker (0 at or before `from`, its length at or
// after `to`; 0 for a marker whose `to` is below its `from`): the time its keys are read at.
double secondsIntoMarker(const TimelineMarker& marker, std::uint64_t position);

// Seconds to position units, truncated toward zero; values outside the 32-bit range saturate instead of wrapping.
uint32_t secondsToPosition(double seconds);
