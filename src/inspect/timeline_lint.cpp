#include "inspect/timeline_lint.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

#include <fmt/format.h>

#include "base/music_format.h"
#include "base/wide_text.h"
#include "inspect/show_report.h"
#include "post/effect_parameters.h"

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string suggestion(const std::string& name, const std::vector<std::string_view>& known) {
    const std::string nearest = nearestName(name, known);
    return nearest.empty() ? std::string() : " (did you mean '" + nearest + "'?)";
}

std::string joined(const std::vector<std::string_view>& names) {
    std::string out;
    for (std::string_view name : names) {
        if (!out.empty()) out += ", ";
        out += name;
    }
    return out;
}

}  // namespace

std::string nearestName(const std::string& name, const std::vector<std::string_view>& known) {
    const std::string wanted = lower(name);
    std::string best;
    std::size_t bestDistance = 0;
    for (std::string_view candidate : known) {
        // A name that holds the other ("Intensity" in "scene_intensity") is as near as a one-letter typo.
        const std::string known = lower(candidate);
        const bool holds = !wanted.empty() && (known.find(wanted) != std::string::npos ||
                                               wanted.find(known) != std::string::npos);
        const std::size_t distance = holds ? std::min<std::size_t>(1, editDistance(wanted, known))
                                           : editDistance(wanted, known);
        if (best.empty() || distance < bestDistance) {
            best = std::string(candidate);
            bestDistance = distance;
        }
    }
    // A typo, a changed case or a part of the name: at most a third of the letters differ.
    const std::size_t allowed = std::max<std::size_t>(2, best.size() / 3);
    return !best.empty() && bestDistance <= allowed ? best : std::string();
}

namespace {

// What is wrong with the keys of one known parameter: the "interpolate" word, and where its keys lie.
void lintKeys(const std::string& where, const std::string& type, const EffectParameter& parameter,
              std::optional<double> markerSeconds, std::vector<std::string>& warnings) {
    const std::string name = validUtf8(parameter.name);
    const std::vector<std::string_view> kinds(std::begin(kInterpolationWords), std::end(kInterpolationWords));
    if (parameter.interpolate && parameter.interpolation == Interpolation::FirstKey) {
        warnings.push_back(fmt::format("{}: parameter '{}' of '{}' has interpolate '{}', which is not a kind the "
                                       "player knows, so only its first key counts{}; the kinds are {}",
                                       where, name, type, validUtf8(*parameter.interpolate),
                                       suggestion(*parameter.interpolate, kinds), joined(kinds)));
        return;
    }
    if (parameter.interpolation == Interpolation::FirstKey) {
        if (parameter.keys.size() > 1) {
            warnings.push_back(fmt::format("{}: parameter '{}' of '{}' has {} keys; the player uses the first one "
                                           "only ({}); interpolate=\"linear\" (or step, smooth, ramp) on the "
                                           "parameter makes them move the knob",
                                           where, name, type, parameter.keys.size(), parameter.keys.front().value));
        }
        return;
    }
    for (std::size_t k = 0; k < parameter.keys.size(); ++k) {
        const float time = parameter.keys[k].time;
        if (std::isnan(time)) {
            warnings.push_back(fmt::format("{}: key {} of parameter '{}' of '{}' has a time that is not a number; "
                                           "the player leaves it out",
                                           where, k, name, type));
            continue;
        }
        if (time < 0.0f) {
            warnings.push_back(fmt::format("{}: key {} of parameter '{}' of '{}' is at {} s, before the marker's "
                                           "start; the knob is never seen there",
                                           where, k, name, type, time));
        } else if (markerSeconds && time > *markerSeconds) {
            warnings.push_back(fmt::format("{}: key {} of parameter '{}' of '{}' is at {} s, after the marker's end "
                                           "at {:.3f} s; the knob never gets there",
                                           where, k, name, type, time, *markerSeconds));
        }
    }
    // Keys at one time, found in time order (a file may hold many keys); NaN times have no order.
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < parameter.keys.size(); ++k) {
        if (!std::isnan(parameter.keys[k].time)) order.push_back(k);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return parameter.keys[a].time < parameter.keys[b].time;
    });
    for (std::size_t i = 1; i < order.size(); ++i) {
        const float time = parameter.keys[order[i]].time;
        if (time == parameter.keys[order[i - 1]].time) {
            warnings.push_back(fmt::format("{}: keys {} and {} of parameter '{}' of '{}' are both at {} s; the knob "
                                           "jumps there to the later one's value",
                                           where, order[i - 1], order[i], name, type, time));
        }
    }
}

}  // namespace

std::vector<std::string> lintTimeline(const std::vector<TimelineMarker>& markers, std::optional<std::uint64_t> musicBytes) {
    std::vector<std::string> warnings;
    const std::vector<std::string_view> types = knownEffectTypes();
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const TimelineMarker& marker = markers[i];
        const std::string where = markerName(i, marker);
        // A marker that never shows has no length to hold keys to. It holds `to` itself too: a track of the
        // seconds mode that starts a byte after the one before is still its whole number of seconds long.
        const std::optional<double> length =
            marker.from <= marker.to
                ? std::optional<double>(secondsIntoMarker(marker, marker.to) + 1.0 / music_format::kBytesPerSecond)
                : std::nullopt;
        for (const MarkerEffect& effect : marker.effects) {
            const std::string type = validUtf8(effect.type);
            const EffectType* known = findEffectType(effect.type);
            if (!known) {
                warnings.push_back(fmt::format("{}: effect type '{}' is not one the player knows, so it changes "
                                               "nothing{}; the types are {}",
                                               where, type, suggestion(effect.type, types), joined(types)));
                continue;
            }
            const std::vector<std::string_view> names = knownEffectParameters(effect.type);
            for (const EffectParameter& parameter : effect.parameters) {
                const std::string name = validUtf8(parameter.name);
                if (names.empty()) {
                    warnings.push_back(fmt::format("{}: effect '{}' takes no parameters; '{}' changes nothing", where,
                                                   type, name));
                } else if (!known->findKnob(parameter.name)) {
                    warnings.push_back(fmt::format("{}: effect '{}' has no parameter '{}', so it changes nothing{}",
                                                   where, type, name, suggestion(parameter.name, names)));
                } else {
                    lintKeys(where, type, parameter, length, warnings);
                }
            }
        }
        if (musicBytes && marker.to > *musicBytes && marker.from <= marker.to) {
            warnings.push_back(fmt::format("{}: ends at position {} ({:.3f} s), after the music's end at {} "
                                           "({:.3f} s); the rest is never shown",
                                           where, marker.to, double(marker.to) / music_format::kBytesPerSecond,
                                           *musicBytes, double(*musicBytes) / music_format::kBytesPerSecond));
        }
    }
    return warnings;
}
