#include "resources/demo_timeline.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

uint32_t secondsToPosition(double seconds) {
    const double units = std::trunc(seconds * music_format::kBytesPerSecond);
    if (!(units > 0.0)) return 0;  // negative, zero and NaN
    if (units >= static_cast<double>(std::numeric_limits<uint32_t>::max())) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(units);
}

double secondsIntoMarker(const TimelineMarker& marker, std::uint64_t position) {
    if (marker.to < marker.from || position <= marker.from) return 0.0;
    const std::uint64_t into = std::min<std::uint64_t>(position, marker.to) - marker.from;
    return static_cast<double>(into) / music_format::kBytesPerSecond;
}

Interpolation interpolationFromWord(std::string_view word) {
    for (std::size_t i = 0; i < std::size(kInterpolationWords); ++i) {
        if (word == kInterpolationWords[i]) return static_cast<Interpolation>(i + 1);
    }
    return Interpolation::FirstKey;
}

std::string_view interpolationWord(Interpolation kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index == 0 || index > std::size(kInterpolationWords) ? std::string_view() : kInterpolationWords[index - 1];
}

EffectParameter::EffectParameter(std::string name, std::vector<ParameterKey> keys, Interpolation interpolation)
    : name(std::move(name)), keys(std::move(keys)), interpolation(interpolation) {
    if (interpolation != Interpolation::FirstKey) interpolate = std::string(interpolationWord(interpolation));
}

float interpolateBetween(Interpolation kind, float from, float to, double u) {
    u = u > 0.0 ? std::min(u, 1.0) : 0.0;  // NaN (keys at infinite times) counts as the start
    double f = u;
    switch (kind) {
        case Interpolation::FirstKey:
        case Interpolation::Step: return from;
        case Interpolation::Linear: break;
        case Interpolation::Smooth: f = u * u * (3.0 - 2.0 * u); break;
        case Interpolation::Ramp: f = u * u; break;
    }
    return static_cast<float>(from + (static_cast<double>(to) - from) * f);
}

float EffectParameter::valueAt(double seconds) const {
    if (keys.empty()) return 0.0f;
    if (interpolation == Interpolation::FirstKey) return keys.front().value;
    // One pass in document order: the last key at or before `seconds` (ties: the later one) and the first key
    // after it (ties: the earlier one), and the earliest key for a time before them all. No sorted copy is needed.
    const ParameterKey* before = nullptr;
    const ParameterKey* after = nullptr;
    const ParameterKey* first = nullptr;
    for (const ParameterKey& key : keys) {
        if (std::isnan(key.time)) continue;
        if (!first || key.time < first->time) first = &key;
        if (key.time <= seconds) {
            if (!before || key.time >= before->time) before = &key;
        } else if (!after || key.time < after->time) {
            after = &key;
        }
    }
    if (!first) return keys.front().value;  // every time NaN
    if (!before) return first->value;
    if (!after) return before->value;
    const double u = (seconds - before->time) / (static_cast<double>(after->time) - before->time);
    return interpolateBetween(interpolation, before->value, after->value, u);
}

DemoTimeline::DemoTimeline(const ResourcePath& path) : path(path) { read(); }

DemoTimeline::DemoTimeline(const ResourcePath& path, std::string_view text) : path(path) {
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    if (!result) parseError_ = std::string(result.description()) + " at offset " + std::to_string(result.offset);
    readMarkers();
}

void DemoTimeline::read() {
    const std::string file = path.text();
    pugi::xml_parse_result result = document.load_file(file.c_str());
    if (!result) {
        parseError_ = file + ": " + result.description();
        if (result.status != pugi::status_file_not_found && result.status != pugi::status_io_error) {
            parseError_ += " at offset " + std::to_string(result.offset);
        }
    }
    readMarkers();
}

void DemoTimeline::readMarkers() {
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
                if (pugi::xml_attribute interpolate = parameterNode.attribute("interpolate")) {
                    parameter.interpolate = interpolate.as_string("");
                    parameter.interpolation = interpolationFromWord(*parameter.interpolate);
                }
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
