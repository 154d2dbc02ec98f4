#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/music_format.h"
#include "resources/resource_path.h"
#include "resources/resource_registry.h"

struct ParameterKey {
    float value = 0.0f;
    float time = 0.0f;
};

struct EffectParameter {
    std::string name;
    std::vector<ParameterKey> keys;
};

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

    std::vector<TimelineMarker> getMarkers() const { return markers; }
    // The same markers without a copy, for what reads them every frame.
    const std::vector<TimelineMarker>& markerList() const { return markers; }
    const ResourcePath& getPath() const { return path; }
    // Empty when the file was read without trouble; otherwise what went wrong. Never thrown: a file that cannot
    // be read gives a short or empty timeline, which scene loading reports.
    const std::string& parseError() const { return parseError_; }

private:
    void read();

    pugi::xml_document document;
    ResourcePath path;
    std::vector<TimelineMarker> markers;
    std::string parseError_;
};

class TimelineFactory : public ResourceFactory {
public:
    std::unique_ptr<ManagedResource> create(const ResourcePath& key, ResourceRegistry& registry) override;
};

// Seconds to position units, truncated toward zero; values outside the 32-bit range saturate instead of wrapping.
uint32_t secondsToPosition(double seconds);
