#include "resources/demo_timeline.h"

#include <cmath>
#include <limits>

uint32_t secondsToPosition(double seconds) {
    const double units = std::trunc(seconds * music_format::kBytesPerSecond);
    if (!(units > 0.0)) return 0;  // negative, zero and NaN
    if (units >= static_cast<double>(std::numeric_limits<uint32_t>::max())) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(units);
}

DemoTimeline::DemoTimeline(const ResourcePath& path) : path(path) { read(); }

void DemoTimeline::read() {
    const std::string file = path.text();
    pugi::xml_parse_result result = document.load_file(file.c_str());
    if (!result) {
        parseError_ = file + ": " + result.description();
        if (result.status != pugi::status_file_not_found && result.status != pugi::status_io_error) {
            parseError_ += " at offset " + std::to_string(result.offset);
        }
    }

    pugi::xml_node timeline = document.child("Timeline");
    const bool secondsMode = std::string(timeline.attribute("timeunit").as_string("second")) == "second";

    for (pugi::xml_node track : timeline.children("TimelineTrack")) {
        TimelineMarker marker;
        if (secondsMode) {
            const uint32_t from = secondsToPosition(track.attribute("from").as_double(0.0));
            marker.to = secondsToPosition(track.attribute("to").as_double(0.0));
            // Each track starts right after the one before it: a nonzero `from` in seconds is not used.
            marker.from = 0;
            if (from == 0 && !markers.empty()) {
                const uint32_t previousTo = markers.back().to;
                marker.from = previousTo == std::numeric_limits<uint32_t>::max() ? previousTo : previousTo + 1;
            }
        } else {
            marker.from = track.attribute("from").as_uint(0);
            marker.to = track.attribute("to").as_uint(0);
        }
        marker.label = track.attribute("label").as_string("Untitled");
        marker.start = track.attribute("start").as_float(0.0f);
        marker.end = track.attribute("end").as_float(0.1f);
        marker.scene = track.attribute("scene").as_string("");
        marker.camera = track.attribute("camera").as_string("Camera");

        for (pugi::xml_node effectNode : track.children("Effect")) {
            MarkerEffect effect;
            effect.type = effectNode.attribute("type").as_string("");
            for (pugi::xml_node parameterNode : effectNode.children("Parameter")) {
                EffectParameter parameter;
                parameter.name = parameterNode.attribute("name").as_string("");
                for (pugi::xml_node keyNode : parameterNode.children("Key")) {
                    parameter.keys.push_back(
                        {keyNode.attribute("value").as_float(0.0f), keyNode.attribute("time").as_float(0.0f)});
                }
                effect.parameters.push_back(std::move(parameter));
            }
            marker.effects.push_back(std::move(effect));
        }
        markers.push_back(std::move(marker));
    }
}

std::unique_ptr<ManagedResource> TimelineFactory::create(const ResourcePath& key, ResourceRegistry&) {
    return std::make_unique<DemoTimeline>(key);
}
