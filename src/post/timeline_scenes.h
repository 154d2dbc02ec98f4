#pragma once

// The timeline's scenes: loaded for every marker before playback, several at once on the OpenMP team, and the
// animation time a marker plays at.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/logger.h>

#include "platform/gpu/device.h"
#include "render/scene.h"
#include "resources/demo_timeline.h"
#include "resources/resource_manifest.h"

// Scene name (as markers name it) to its scene. An entry is never replaced: the first scene inserted stays.
using SceneTable = std::map<std::string, std::unique_ptr<Scene>>;

// Every non-empty scene name of `markers` ends up in `table`: markers are spread over the threads in contiguous
// blocks, the table is looked up and filled under one lock, and the imports run outside it. A name the
// manifest's Scenes table lacks is logged and stored as an empty scene that draws nothing. The first exception
// of a load (an undecodable texture) is thrown again once every thread has finished.
void preloadScenes(const std::vector<TimelineMarker>& markers, const ResourceManifest& manifest, gpu::Device* device,
                   SceneTable& table, spdlog::logger& logger);

// The animation time of `marker` at `progress` (0 to 1 through the marker): the stretch from the fraction
// `start` to the fraction `end` of the animation range [animationStart, animationEnd], in double precision.
double markerAnimationTime(const TimelineMarker& marker, double animationStart, double animationEnd, double progress);
