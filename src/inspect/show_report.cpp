#include "inspect/show_report.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include <fmt/format.h>

#include "inspect/timeline_lint.h"

#include "platform/process/system_path.h"
#include "resources/resource_path.h"
#include "base/wide_text.h"

namespace {

using Interval = std::pair<uint64_t, uint64_t>;  // inclusive

double toSeconds(uint64_t position) { return static_cast<double>(position) / music_format::kBytesPerSecond; }


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

const std::pair<const char*, const ResourceManifest::Table ResourceManifest::*> kManifestTables[4] = {
    {"Paths", &ResourceManifest::Paths},
    {"PixelShader", &ResourceManifest::PixelShader},
    {"VertexShader", &ResourceManifest::VertexShader},
    {"Scenes", &ResourceManifest::Scenes},
};

std::string markerName(size_t index, const TimelineMarker& marker) {
    return fmt::format("marker {} '{}'", index, validUtf8(marker.label));
}

std::string validUtf8(const std::string& text) { return narrowToUtf8(widenUtf8(text)); }

std::vector<std::string> showWarnings(const ResourceManifest& manifest, const std::vector<TimelineMarker>& markers,
                                      std::optional<uint64_t> musicBytes) {
    std::vector<std::string> warnings;
    if (!manifest.findPath("audioTrack")) {
        warnings.push_back("the manifest has no Paths entry 'audioTrack': the player has no music to play");
    }
    for (const auto& [tableName, table] : kManifestTables) {
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
    const std::vector<std::string> lint = lintTimeline(markers, musicBytes);
    warnings.insert(warnings.end(), lint.begin(), lint.end());
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

void addShowWarnings(ShowReport& report) {
    // The music's length, when known, bounds the check for uncovered positions at the end.
    std::vector<std::string> warnings = showWarnings(
        report.manifest, report.markers, report.music ? std::optional(report.music->bytes) : std::nullopt);
    warnings.insert(warnings.end(), report.warnings.begin(), report.warnings.end());
    report.warnings = std::move(warnings);
}
