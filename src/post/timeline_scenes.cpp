#include "post/timeline_scenes.h"

#include <exception>

void preloadScenes(const std::vector<TimelineMarker>& markers, const ResourceManifest& manifest, gpu::Device* device,
                   SceneTable& table, spdlog::logger& logger) {
    std::exception_ptr failure;
    const int count = static_cast<int>(markers.size());

#pragma omp parallel for schedule(static)
    for (int i = 0; i < count; ++i) {
        const std::string label = markers[i].label;
        const std::string sceneName = markers[i].scene;
        if (sceneName.empty()) {
            logger.warn("No scene was assigned to marker '{}' in Resources, skipping loading", label);
            continue;
        }

        // The name is claimed before the import, so two markers handled at once never import one file twice;
        // the claim holds no scene until the import has finished.
        bool claimed = false;
#pragma omp critical(scene_table)
        claimed = table.try_emplace(sceneName).second;
        if (!claimed) {
            logger.info("Scene '{}' for marker '{}' already loaded, skipping", sceneName, label);
            continue;
        }

        const std::u16string* path = manifest.findScene(sceneName);
        if (!path) logger.error("Scene '{}' for marker '{}' is not in the resource manifest", sceneName, label);
        auto scene = std::make_unique<Scene>(device, sceneName);
        scene->manifest = manifest;
        try {
            // A file that cannot be imported leaves an empty scene, which is stored all the same.
            scene->load(path ? *path : std::u16string());
        } catch (...) {
#pragma omp critical(scene_table)
            {
                if (!failure) failure = std::current_exception();
                table.erase(sceneName);
            }
            continue;
        }
#pragma omp critical(scene_table)
        table[sceneName] = std::move(scene);
    }

    if (failure) std::rethrow_exception(failure);
}

double markerAnimationTime(const TimelineMarker& marker, double animationStart, double animationEnd,
                           double progress) {
    const double length = animationEnd - animationStart;
    const double first = static_cast<double>(marker.start) * length + animationStart;
    const double last = static_cast<double>(marker.end) * length + animationStart;
    return progress * (last - first) + first;
}
