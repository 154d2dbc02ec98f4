#include "resources/timeline_edits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/music_format.h"

namespace timeline_edits {

namespace {

// Keys this close together (seconds) are one key to the editor: a knob moved at a key's time sets that key.
constexpr double kSameKeyTime = 0.0005;

// A key time as a float no later than `seconds`: a key moved to a half's own time then takes effect at the very
// sample frame it did before (frames are 5.7 microseconds apart, a float's step here far less).
float timeNotAfter(double seconds) {
    float time = static_cast<float>(seconds);
    if (time > seconds) time = std::nextafter(time, -std::numeric_limits<float>::infinity());
    return time;
}

bool fail(std::string* why, const char* text) {
    if (why) *why = text;
    return false;
}

Interpolation kindOf(pugi::xml_node parameter) {
    const pugi::xml_attribute word = parameter.attribute("interpolate");
    return word ? interpolationFromWord(word.as_string()) : Interpolation::FirstKey;
}

pugi::xml_node lastKey(pugi::xml_node parameter) {
    pugi::xml_node last;
    for (pugi::xml_node key : parameter.children("Key")) last = key;
    return last;
}

pugi::xml_node keyAt(pugi::xml_node parameter, size_t index) {
    for (pugi::xml_node key : parameter.children("Key"))
        if (index-- == 0) return key;
    return {};
}

pugi::xml_node addKeyElement(pugi::xml_node parameter, float value, float time) {
    pugi::xml_node key = TimelineDocument::appendElement(parameter, "Key", lastKey(parameter));
    TimelineDocument::setFloat(key, "value", value);
    TimelineDocument::setFloat(key, "time", time);
    return key;
}

// The parameter to edit, added (with its effect) when the track has none.
pugi::xml_node parameterToEdit(pugi::xml_node track, std::string_view effect, std::string_view parameter, bool& added) {
    added = false;
    if (pugi::xml_node found = findParameter(track, effect, parameter)) return found;
    added = true;
    pugi::xml_node effectNode;
    for (pugi::xml_node node : track.children("Effect"))
        if (effect == node.attribute("type").as_string()) effectNode = node;
    if (!effectNode) {
        effectNode = TimelineDocument::appendElement(track, "Effect");
        TimelineDocument::setText(effectNode, "type", effect);
    }
    pugi::xml_node node = TimelineDocument::appendElement(effectNode, "Parameter");
    TimelineDocument::setText(node, "name", parameter);
    return node;
}

// The keys of a keyed parameter within [0, length] of one half of a cut marker, then moved by -shift. `length`
// is the half's last time, `shift` where the half begins in the whole marker's time.
void cutKeys(pugi::xml_node parameterNode, double begin, double end) {
    const EffectParameter parameter = readParameter(parameterNode);
    const Interpolation kind = parameter.interpolation;
    if (kind == Interpolation::FirstKey || parameter.keys.empty()) return;
    const bool exactCut = kind == Interpolation::Step || kind == Interpolation::Linear;
    // The times the half keeps: its own, and for the curves the nearest key on each side outside it.
    double keepFrom = begin, keepTo = end;
    double before = -std::numeric_limits<double>::infinity(), after = std::numeric_limits<double>::infinity();
    for (const ParameterKey& key : parameter.keys) {
        if (key.time < begin) before = std::max<double>(before, key.time);
        if (key.time > end) after = std::min<double>(after, key.time);
    }
    if (!exactCut) {
        if (std::isfinite(before)) keepFrom = before;
        if (std::isfinite(after)) keepTo = after;
    }
    const bool needsBeginKey = exactCut && std::isfinite(before);
    const bool needsEndKey = exactCut && std::isfinite(after);
    const float beginValue = parameter.valueAt(begin);
    const float endValue = parameter.valueAt(end);
    std::vector<pugi::xml_node> drop;
    bool hasBeginKey = false, hasEndKey = false;
    for (pugi::xml_node key : parameterNode.children("Key")) {
        const double time = key.attribute("time").as_float(0.0f);
        if (std::isnan(time)) continue;
        if (time < keepFrom || time > keepTo) {
            drop.push_back(key);
            continue;
        }
        hasBeginKey = hasBeginKey || time == begin;
        hasEndKey = hasEndKey || time == end;
        TimelineDocument::setFloat(key, "time", timeNotAfter(time - begin));
    }
    for (pugi::xml_node key : drop) TimelineDocument::removeElement(key);
    if (needsBeginKey && !hasBeginKey) addKeyElement(parameterNode, beginValue, 0.0f);
    if (needsEndKey && !hasEndKey) addKeyElement(parameterNode, endValue, static_cast<float>(end - begin));
}

void cutTrackKeys(pugi::xml_node track, double begin, double end) {
    for (pugi::xml_node effect : track.children("Effect"))
        for (pugi::xml_node parameter : effect.children("Parameter")) cutKeys(parameter, begin, end);
}

bool validMarker(const std::vector<TimelineMarker>& markers, size_t marker, std::string* why) {
    return marker < markers.size() || fail(why, "no such marker");
}

}  // namespace

pugi::xml_node findParameter(pugi::xml_node track, std::string_view effect, std::string_view parameter) {
    pugi::xml_node keyed, bare;
    for (pugi::xml_node effectNode : track.children("Effect")) {
        if (effect != effectNode.attribute("type").as_string()) continue;
        for (pugi::xml_node node : effectNode.children("Parameter")) {
            if (parameter != node.attribute("name").as_string()) continue;
            (node.child("Key") ? keyed : bare) = node;
        }
    }
    return keyed ? keyed : bare;
}

EffectParameter readParameter(pugi::xml_node node) {
    EffectParameter parameter;
    parameter.name = node.attribute("name").as_string("");
    if (pugi::xml_attribute word = node.attribute("interpolate")) {
        parameter.interpolate = word.as_string();
        parameter.interpolation = interpolationFromWord(word.as_string());
    }
    for (pugi::xml_node key : node.children("Key"))
        parameter.keys.push_back({key.attribute("value").as_float(0.0f), key.attribute("time").as_float(0.0f)});
    return parameter;
}

uint32_t positionOfText(const TimelineDocument& document, const std::string& text) {
    if (document.secondsMode()) return secondsToPosition(std::strtod(text.c_str(), nullptr));
    pugi::xml_document scratch;
    scratch.append_attribute("v").set_value(text.c_str());
    return scratch.attribute("v").as_uint(0);
}

std::string positionText(const TimelineDocument& document, uint64_t position) {
    if (document.secondsMode()) return millisecondText(static_cast<double>(position) / music_format::kBytesPerSecond);
    return std::to_string(std::min<uint64_t>(position, std::numeric_limits<uint32_t>::max()));
}

bool setKnob(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter, float value,
             double seconds, std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    bool added = false;
    pugi::xml_node node = parameterToEdit(track, effect, parameter, added);
    if (kindOf(node) == Interpolation::FirstKey || !node.child("Key")) {
        if (pugi::xml_node first = node.child("Key")) {
            TimelineDocument::setFloat(first, "value", value);
        } else {
            addKeyElement(node, value, 0.0f);
        }
        return true;
    }
    for (pugi::xml_node key : node.children("Key")) {
        if (std::abs(key.attribute("time").as_float(0.0f) - seconds) < kSameKeyTime) {
            TimelineDocument::setFloat(key, "value", value);
            return true;
        }
    }
    addKeyElement(node, value, static_cast<float>(seconds));
    return true;
}

bool resetKnob(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
               std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node effectNode : track.children("Effect")) {
        if (effect != effectNode.attribute("type").as_string()) continue;
        for (pugi::xml_node node : effectNode.children("Parameter"))
            if (parameter == node.attribute("name").as_string()) found.push_back(node);
    }
    if (found.empty()) return fail(why, "the knob has its default");
    for (pugi::xml_node node : found) TimelineDocument::removeElement(node);
    return true;
}

bool setInterpolation(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
                      std::string_view word, float value, std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    bool added = false;
    pugi::xml_node node = parameterToEdit(track, effect, parameter, added);
    if (!node.child("Key")) addKeyElement(node, value, 0.0f);
    if (word.empty()) {
        node.remove_attribute("interpolate");
    } else {
        TimelineDocument::setText(node, "interpolate", word);
    }
    return true;
}

bool addKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
            double seconds, float value, std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    bool added = false;
    pugi::xml_node node = parameterToEdit(track, effect, parameter, added);
    for (pugi::xml_node key : node.children("Key"))
        if (std::abs(key.attribute("time").as_float(0.0f) - seconds) < kSameKeyTime) return fail(why, "a key is there already");
    addKeyElement(node, value, static_cast<float>(seconds));
    return true;
}

bool moveKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
             size_t key, double seconds, std::string* why) {
    pugi::xml_node node = findParameter(document.track(marker), effect, parameter);
    pugi::xml_node keyNode = keyAt(node, key);
    if (!keyNode) return fail(why, "no such key");
    TimelineDocument::setFloat(keyNode, "time", static_cast<float>(std::max(seconds, 0.0)));
    return true;
}

bool deleteKey(TimelineDocument& document, size_t marker, std::string_view effect, std::string_view parameter,
               size_t key, std::string* why) {
    pugi::xml_node node = findParameter(document.track(marker), effect, parameter);
    pugi::xml_node keyNode = keyAt(node, key);
    if (!keyNode) return fail(why, "no such key");
    TimelineDocument::removeElement(keyNode);
    return true;
}

bool splitMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                 uint64_t position, std::string* why) {
    if (!validMarker(markers, marker, why)) return false;
    const TimelineMarker& whole = markers[marker];
    pugi::xml_node track = document.track(marker);
    // The first half's last position, as the file will give it.
    std::string firstToText;
    uint64_t firstTo = 0;
    if (document.secondsMode()) {
        firstToText = positionText(document, position);
        firstTo = positionOfText(document, firstToText);
    } else {
        if (position == 0) return fail(why, "nothing before the playhead to cut off");
        firstTo = position - 1;
        firstToText = std::to_string(firstTo);
    }
    if (firstTo < whole.from || firstTo >= whole.to) return fail(why, "the playhead is not inside the marker");
    const double length = static_cast<double>(whole.to) - static_cast<double>(whole.from);
    const double cut1 = static_cast<double>(firstTo - whole.from);
    const double cut2 = cut1 + 1.0;
    const double start = whole.start, end = whole.end;

    pugi::xml_node second = TimelineDocument::duplicateElement(track);
    TimelineDocument::setText(track, "to", firstToText);
    TimelineDocument::setFloat(track, "end", static_cast<float>(start + (end - start) * (cut1 / length)));
    if (document.secondsMode()) {
        second.remove_attribute("from");  // it follows the first half
    } else {
        TimelineDocument::setUnsigned(second, "from", static_cast<unsigned>(firstTo + 1));
    }
    TimelineDocument::setFloat(second, "start", static_cast<float>(start + (end - start) * (cut2 / length)));
    cutTrackKeys(track, 0.0, cut1 / music_format::kBytesPerSecond);
    cutTrackKeys(second, cut2 / music_format::kBytesPerSecond, std::numeric_limits<double>::infinity());
    return true;
}

bool deleteMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                  std::string* why) {
    if (!validMarker(markers, marker, why)) return false;
    if (markers.size() < 2) return fail(why, "the timeline keeps at least one marker");
    TimelineDocument::removeElement(document.track(marker));
    return true;
}

bool duplicateMarker(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                     std::string* why) {
    if (!validMarker(markers, marker, why)) return false;
    const TimelineMarker& original = markers[marker];
    const uint64_t length = original.to >= original.from ? uint64_t{original.to} - original.from : 0;
    const uint64_t to = std::min<uint64_t>(uint64_t{original.to} + 1 + length, std::numeric_limits<uint32_t>::max());
    pugi::xml_node copy = TimelineDocument::duplicateElement(document.track(marker));
    if (document.secondsMode()) {
        copy.remove_attribute("from");
    } else {
        TimelineDocument::setUnsigned(copy, "from", static_cast<unsigned>(std::min<uint64_t>(uint64_t{original.to} + 1, to)));
    }
    TimelineDocument::setText(copy, "to", positionText(document, to));
    return true;
}

bool moveMarkerEnd(TimelineDocument& document, const std::vector<TimelineMarker>& markers, size_t marker,
                   uint64_t position, std::string* why) {
    if (!validMarker(markers, marker, why)) return false;
    const uint64_t frame = position / music_format::kBytesPerFrame * music_format::kBytesPerFrame;
    const std::string text = positionText(document, frame);
    pugi::xml_node track = document.track(marker);
    if (text == track.attribute("to").as_string()) return fail(why, "no change");
    TimelineDocument::setText(track, "to", text);
    return true;
}

bool setMarkerText(TimelineDocument& document, size_t marker, const char* attribute, std::string_view value,
                   std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    TimelineDocument::setText(track, attribute, value);
    return true;
}

bool setMarkerFraction(TimelineDocument& document, size_t marker, const char* attribute, float value,
                       std::string* why) {
    pugi::xml_node track = document.track(marker);
    if (!track) return fail(why, "no such marker");
    TimelineDocument::setFloat(track, attribute, value);
    return true;
}

}  // namespace timeline_edits
