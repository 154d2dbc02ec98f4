#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"

// What the show inspector prints: the manifest and the timeline as the engine reads them, plus warnings about
// what will go wrong when the show plays.
struct ShowReport {
    // One position asked about with --at.
    struct Probe {
        double seconds = 0.0;
        uint64_t position = 0;
        std::optional<size_t> marker;  // index into the timeline's markers
        double progress = 0.0;
        // The effect parameter blocks that the frame at this position uploads, in block order.
        struct Parameters {
            std::vector<float> dof, lens, color, bloom;
            float overlayAmount = 0.0f;
            std::string overlayTexture;  // "preload", "logo1" or "logo2"
        };
        std::optional<Parameters> parameters;
        // With --scenes: the frame's scene step as a JSON object (none: the frame draws no scene) and a line of
        // text.
        bool sceneRequested = false;
        std::optional<std::string> sceneJson;
        std::string sceneText;
    };
    struct Music {
        std::string path;
        uint64_t bytes = 0;
        double seconds = 0.0;
    };

    ResourceManifest manifest;
    std::string timelinePath;
    std::vector<TimelineMarker> markers;
    std::vector<Probe> probes;          // printed only when asked for
    bool musicRequested = false;        // print "music" (null when `music` is empty)
    std::optional<Music> music;
    // With --scenes: every scene of the timeline as the player imports it, by name: a JSON object and a line of
    // text each.
    bool scenesRequested = false;
    std::vector<std::pair<std::string, std::string>> scenesJson;
    std::vector<std::string> scenesText;
    std::vector<std::string> warnings;
};

// Reads the show in the working directory through the engine's own readers. Fills `error` and answers false
// when the manifest or the timeline cannot be read.
bool readShow(ShowReport& report, std::string& error);

// The warnings about the manifest and the timeline (the music, when known, bounds the gap check).
std::vector<std::string> showWarnings(const ResourceManifest& manifest, const std::vector<TimelineMarker>& markers,
                                      std::optional<uint64_t> musicBytes);

std::string formatJson(const ShowReport& report);
std::string formatText(const ShowReport& report);
