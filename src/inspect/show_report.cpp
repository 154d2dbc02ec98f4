#include "inspect/show_report.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "platform/process/system_path.h"
#include "resources/resource_path.h"
#include "base/wide_text.h"

namespace {

using Interval = std::pair<uint64_t, uint64_t>;  // inclusive

double toSeconds(uint64_t position) { return static_cast<double>(position) / music_format::kBytesPerSecond; }

// Any text as valid UTF-8: bytes that are not UTF-8 are read as Latin-1.
std::string validUtf8(const std::string& text) { return narrowToUtf8(widenUtf8(text)); }

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : validUtf8(text)) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Shortest text that reads back as the same number; JSON has no NaN or infinity.
template <typename Float>
std::string jsonNumber(Float value) {
    return std::isfinite(value) ? fmt::format("{}", value) : "null";
}

std::string jsonFloats(const std::vector<float>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + jsonNumber(values[i]);
    return out + "]";
}

const std::pair<const char*, const ResourceManifest::Table ResourceManifest::*> kTables[] = {
    {"Paths", &ResourceManifest::Paths},
    {"PixelShader", &ResourceManifest::PixelShader},
    {"VertexShader", &ResourceManifest::VertexShader},
    {"Scenes", &ResourceManifest::Scenes},
};

std::string markerName(size_t index, const TimelineMarker& marker) {
    return fmt::format("marker {} '{}'", index, validUtf8(marker.label));
}

// The union of `intervals` as sorted, disjoint, non-adjacent intervals.
std::vector<Interval> merged(std::vector<Interval> intervals) {
    std::sort(intervals.begin(), intervals.end());
    std::vector<Interval> result;
    for (const Interval& interval : intervals) {
        if (!result.empty() && interval.first <= result.back().second + 1) {
            result.back().second = std::max(result.back().second, interval.second);
        } else {
            result.push_back(interval);
        }
    }
    return result;
}

bool covers(const std::vector<Interval>& coverage, const Interval& interval) {
    for (const Interval& covered : coverage) {
        if (covered.first <= interval.first && interval.second <= covered.second) return true;
    }
    return false;
}

std::string positionRange(uint64_t first, uint64_t last) {
    return fmt::format("{}..{} ({:.3f} s to {:.3f} s)", first, last, toSeconds(first), toSeconds(last));
}

}  // namespace

std::vector<std::string> showWarnings(const ResourceManifest& manifest, const std::vector<TimelineMarker>& markers,
                                      std::optional<uint64_t> musicBytes) {
    std::vector<std::string> warnings;
    if (!manifest.findPath("audioTrack")) {
        warnings.push_back("the manifest has no Paths entry 'audioTrack': the player has no music to play");
    }
    for (const auto& [tableName, table] : kTables) {
        for (const auto& [key, path] : manifest.*table) {
            const std::string file = narrowToUtf8(path);
            std::error_code error;
            if (file.empty()) {
                warnings.push_back(fmt::format("manifest {} '{}' has an empty path", tableName, validUtf8(key)));
            } else if (!std::filesystem::exists(platform::systemPath(file), error)) {
                warnings.push_back(
                    fmt::format("manifest {} '{}': file '{}' does not exist", tableName, validUtf8(key), file));
            }
        }
    }

    if (markers.empty()) {
        warnings.push_back("the timeline has no markers: the player stops with \"The timeline is empty\"");
        return warnings;
    }

    std::vector<Interval> earlier;
    for (size_t i = 0; i < markers.size(); ++i) {
        const TimelineMarker& marker = markers[i];
        if (!marker.scene.empty() && !manifest.findScene(marker.scene)) {
            warnings.push_back(fmt::format("{}: scene '{}' is not in the manifest's Scenes table", markerName(i, marker),
                                           validUtf8(marker.scene)));
        }
        if (marker.to < marker.from) {
            warnings.push_back(fmt::format("{}: 'to' {} is below 'from' {}, so the marker is never shown",
                                           markerName(i, marker), marker.to, marker.from));
            continue;
        }
        const Interval range{marker.from, marker.to};
        if (covers(merged(earlier), range)) {
            warnings.push_back(fmt::format("{}: never shown, earlier markers cover all of {}", markerName(i, marker),
                                           positionRange(range.first, range.second)));
        }
        earlier.push_back(range);
    }

    const std::vector<Interval> coverage = merged(earlier);
    uint64_t next = 0;
    for (const Interval& covered : coverage) {
        if (covered.first > next) {
            warnings.push_back(fmt::format("no marker covers positions {}", positionRange(next, covered.first - 1)));
        }
        next = covered.second + 1;
    }
    if (musicBytes && *musicBytes > next) {
        warnings.push_back(fmt::format("no marker covers positions {} at the end of the music",
                                       positionRange(next, *musicBytes - 1)));
    }
    return warnings;
}

bool readShow(ShowReport& report, std::string& error) {
    report.manifest = ResourceManifest(ResourcePath(ResourceManifest::kFile).text());
    if (!report.manifest.loadError().empty()) {
        error = "cannot read the resource manifest: " + report.manifest.loadError();
        return false;
    }
    const DemoTimeline timeline{ResourcePath(kTimelineFile)};
    if (!timeline.parseError().empty()) {
        error = "cannot read the timeline: " + timeline.parseError();
        return false;
    }
    report.timelinePath = timeline.getPath().text();
    report.markers = timeline.getMarkers();
    return true;
}

std::string formatJson(const ShowReport& report) {
    std::string out = "{\"manifest\": {";
    bool firstTable = true;
    for (const auto& [tableName, table] : kTables) {
        out += fmt::format("{}\"{}\": {{", firstTable ? "" : ", ", tableName);
        firstTable = false;
        bool firstEntry = true;
        for (const auto& [key, path] : report.manifest.*table) {
            out += fmt::format("{}{}: {}", firstEntry ? "" : ", ", jsonString(key), jsonString(narrowToUtf8(path)));
            firstEntry = false;
        }
        out += "}";
    }
    out += fmt::format("}}, \"timeline\": {{\"path\": {}, \"markers\": [", jsonString(report.timelinePath));
    for (size_t m = 0; m < report.markers.size(); ++m) {
        const TimelineMarker& marker = report.markers[m];
        out += fmt::format(
            "{}{{\"label\": {}, \"from\": {}, \"to\": {}, \"start\": {}, \"end\": {}, \"scene\": {}, \"camera\": {}, "
            "\"effects\": [",
            m ? ", " : "", jsonString(marker.label), marker.from, marker.to, jsonNumber(marker.start),
            jsonNumber(marker.end), jsonString(marker.scene), jsonString(marker.camera));
        for (size_t e = 0; e < marker.effects.size(); ++e) {
            const MarkerEffect& effect = marker.effects[e];
            out += fmt::format("{}{{\"type\": {}, \"parameters\": [", e ? ", " : "", jsonString(effect.type));
            for (size_t p = 0; p < effect.parameters.size(); ++p) {
                const EffectParameter& parameter = effect.parameters[p];
                out += fmt::format("{}{{\"name\": {}, \"keys\": [", p ? ", " : "", jsonString(parameter.name));
                for (size_t k = 0; k < parameter.keys.size(); ++k) {
                    out += fmt::format("{}{{\"value\": {}, \"time\": {}}}", k ? ", " : "",
                                       jsonNumber(parameter.keys[k].value), jsonNumber(parameter.keys[k].time));
                }
                out += "]}";
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "]}";
    {
        out += ", \"at\": [";
        for (size_t i = 0; i < report.probes.size(); ++i) {
            const ShowReport::Probe& probe = report.probes[i];
            out += fmt::format("{}{{\"seconds\": {}, \"position\": {}, \"marker\": {}, \"progress\": {}", i ? ", " : "",
                               jsonNumber(probe.seconds), probe.position,
                               probe.marker ? std::to_string(*probe.marker) : "null", jsonNumber(probe.progress));
            if (probe.parameters) {
                const ShowReport::Probe::Parameters& p = *probe.parameters;
                out += fmt::format(", \"parameters\": {{\"dof\": {}, \"lens\": {}, \"color\": {}, \"bloom\": {}, "
                                   "\"overlay\": {{\"amount\": {}, \"texture\": {}}}}}",
                                   jsonFloats(p.dof), jsonFloats(p.lens), jsonFloats(p.color), jsonFloats(p.bloom),
                                   jsonNumber(p.overlayAmount), jsonString(p.overlayTexture));
            }
            if (probe.sceneRequested) out += ", \"scene\": " + (probe.sceneJson ? *probe.sceneJson : "null");
            out += "}";
        }
        out += "]";
    }
    if (report.musicRequested) {
        out += ", \"music\": ";
        out += report.music ? fmt::format("{{\"path\": {}, \"bytes\": {}, \"seconds\": {}}}",
                                          jsonString(report.music->path), report.music->bytes,
                                          jsonNumber(report.music->seconds))
                            : "null";
    }
    if (report.scenesRequested) {
        out += ", \"scenes\": {";
        for (size_t i = 0; i < report.scenesJson.size(); ++i) {
            out += fmt::format("{}{}: {}", i ? ", " : "", jsonString(report.scenesJson[i].first),
                               report.scenesJson[i].second);
        }
        out += "}";
    }
    out += ", \"warnings\": [";
    for (size_t i = 0; i < report.warnings.size(); ++i) out += (i ? ", " : "") + jsonString(report.warnings[i]);
    return out + "]}\n";
}

std::string formatText(const ShowReport& report) {
    std::string out = "Manifest\n";
    for (const auto& [tableName, table] : kTables) {
        out += fmt::format("  {} ({} entries)\n", tableName, (report.manifest.*table).size());
        for (const auto& [key, path] : report.manifest.*table) {
            out += fmt::format("    {} = {}\n", validUtf8(key), narrowToUtf8(path));
        }
    }
    out += fmt::format("Timeline {} ({} markers)\n", report.timelinePath, report.markers.size());
    for (size_t m = 0; m < report.markers.size(); ++m) {
        const TimelineMarker& marker = report.markers[m];
        out += fmt::format("  [{}] '{}' {}..{} ({:.3f} s to {:.3f} s), scene '{}', camera '{}', animation {} to {}\n",
                           m, validUtf8(marker.label), marker.from, marker.to, toSeconds(marker.from),
                           toSeconds(marker.to), validUtf8(marker.scene), validUtf8(marker.camera), marker.start,
                           marker.end);
        for (const MarkerEffect& effect : marker.effects) {
            out += fmt::format("      effect '{}'\n", validUtf8(effect.type));
            for (const EffectParameter& parameter : effect.parameters) {
                out += fmt::format("        {}:", validUtf8(parameter.name));
                for (const ParameterKey& key : parameter.keys) out += fmt::format(" {}@{}", key.value, key.time);
                out += parameter.keys.empty() ? " (no keys)\n" : "\n";
            }
        }
    }
    for (const ShowReport::Probe& probe : report.probes) {
        out += fmt::format("At {} s: position {}, ", probe.seconds, probe.position);
        out += probe.marker ? fmt::format("marker {} '{}', progress {:.4f}\n", *probe.marker,
                                          validUtf8(report.markers[*probe.marker].label), probe.progress)
                            : fmt::format("no marker, progress {:.4f}\n", probe.progress);
        if (probe.parameters) {
            const ShowReport::Probe::Parameters& p = *probe.parameters;
            out += fmt::format("  dof {}\n  lens {}\n  color {}\n  bloom {}\n  overlay {} ({})\n", fmt::join(p.dof, " "),
                               fmt::join(p.lens, " "), fmt::join(p.color, " "), fmt::join(p.bloom, " "),
                               p.overlayAmount, p.overlayTexture);
        }
        if (probe.sceneRequested) out += "  " + probe.sceneText + "\n";
    }
    if (report.musicRequested) {
        out += report.music ? fmt::format("Music {}: {} bytes, {:.3f} s\n", report.music->path, report.music->bytes,
                                          report.music->seconds)
                            : "Music: cannot be read\n";
    }
    if (report.scenesRequested) {
        out += fmt::format("Scenes ({})\n", report.scenesText.size());
        for (const std::string& line : report.scenesText) out += "  " + line + "\n";
    }
    out += report.warnings.empty() ? "No warnings\n" : fmt::format("Warnings ({})\n", report.warnings.size());
    for (const std::string& warning : report.warnings) out += "  " + warning + "\n";
    return out;
}
