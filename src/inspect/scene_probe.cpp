#include "inspect/scene_probe.h"

#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <set>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <fmt/format.h>

#include "base/frame_size.h"
#include "post/timeline_scenes.h"
#include "render/scene.h"
#include "render/scene_file.h"
#include "render/graphics_context.h"
#include "base/wide_text.h"
#include "platform/process/system_path.h"

namespace {

const char* const kSlotNames[kTextureSlotCount] = {"lightmap", "diffuse",    "normals", "specular",
                                                   "reflection", "opacity", "emissive"};

SceneReport::Matrix matrix(const scene_math::Matrix& m) {
    SceneReport::Matrix out;
    std::memcpy(out.data(), &m.m[0][0], sizeof out);
    return out;
}

template <std::size_t N>
std::array<float, N> floats(const float (&values)[N]) {
    std::array<float, N> out;
    std::copy(values, values + N, out.begin());
    return out;
}

SceneReport sceneReport(const std::string& name, const Scene& scene) {
    SceneReport out;
    out.name = name;
    out.path = narrowToUtf8(scene.path);
    out.loaded = !scene.nodes.empty();
    out.animationStart = scene.animationStart;
    out.animationEnd = scene.animationEnd;
    for (const Mesh& mesh : scene.meshes) {
        SceneReport::Mesh m{mesh.vertexCount, mesh.faceCount, mesh.indexCount, mesh.materialIndex};
        for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
            for (int k = 0; k < 3; ++k) {
                const float p = mesh.vertices[v].position[k];
                m.low[k] = v == 0 ? p : std::min(m.low[k], p);
                m.high[k] = v == 0 ? p : std::max(m.high[k], p);
            }
        }
        out.meshes.push_back(m);
    }
    for (const Material& material : scene.materials) {
        SceneReport::Material m{material.name, floats(material.diffuse), floats(material.ambient),
                                floats(material.specular), material.shininess, material.emissive,
                                material.normalMap, {}};
        for (std::size_t slot = 0; slot < kTextureSlotCount; ++slot) {
            const TextureSlot& t = material.textures[slot];
            m.textures.emplace_back(kSlotNames[slot], t.present ? std::optional(t.fileName) : std::nullopt);
        }
        out.materials.push_back(std::move(m));
    }
    for (const SceneLight& l : scene.lights) {
        out.lights.push_back({l.name, floats(l.colour),
                              {l.attenuationConstant, l.attenuationLinear, l.attenuationQuadratic}, l.point,
                              l.node ? std::optional(l.node->index) : std::nullopt});
    }
    for (const SceneCamera& c : scene.cameras) {
        out.cameras.push_back({c.name, c.fieldOfView, c.nearClip, c.farClip, c.aspect, c.channelIndex});
    }
    for (const auto& [index, node] : scene.nodes) {
        out.nodes.push_back({index, node.name, node.parentIndex, node.channelIndex, node.meshIndices});
    }
    for (const auto& [index, channel] : scene.channels) {
        out.channels.push_back({index, channel.nodeName, channel.positionKeys.size(), channel.rotationKeys.size(),
                                channel.scalingKeys.size()});
    }
    return out;
}

// The importer reports some things on standard output, where demo-inspect writes its document: while a scene
// loads, file descriptor 1 goes to a temporary file, and what arrived there becomes warnings of that scene.
// What a loaded scene holds that the player will not show as its author meant it. The file is read again for
// what the player's scene does not keep (skins, morph targets, light and camera kinds).
std::vector<std::string> unshownParts(const std::string& name, const Scene& scene) {
    std::vector<std::string> found;
    for (const SceneCamera& camera : scene.cameras) {
        if (camera.channelIndex < 0) {
            found.push_back(fmt::format("scene '{}': camera '{}' has no animation keys, so the player puts it at "
                                        "the origin looking along +z, wherever the file places it (demo-import "
                                        "writes the scene with its cameras placed by keys)",
                                        name, camera.name));
        }
    }
    if (scene.lights.empty())
        found.push_back(fmt::format("scene '{}' has no lights: only its emissive materials will show (demo-import "
                                    "adds a key and a fill light)",
                                    name));

    Assimp::Importer importer;
    const aiScene* file = readSceneFile(importer, platform::systemPath(narrowToUtf8(scene.path)), 0);
    if (!file) return found;
    std::size_t skinned = 0, morphed = 0;
    for (unsigned i = 0; i < file->mNumMeshes; ++i) {
        skinned += file->mMeshes[i]->mNumBones > 0 ? 1 : 0;
        morphed += file->mMeshes[i]->mNumAnimMeshes > 0 ? 1 : 0;
    }
    if (skinned)
        found.push_back(fmt::format("scene '{}': {} skinned meshes are drawn in their bind pose (skins are not "
                                    "animated)",
                                    name, skinned));
    if (morphed)
        found.push_back(fmt::format("scene '{}': {} meshes with morph targets are drawn in their base shape", name,
                                    morphed));
    for (unsigned i = 0; i < file->mNumLights; ++i) {
        const aiLight& light = *file->mLights[i];
        if (light.mType == aiLightSource_SPOT || light.mType == aiLightSource_AREA) {
            found.push_back(fmt::format("scene '{}': {} light '{}' is not one the player draws (point and "
                                        "directional lights only)",
                                        name, light.mType == aiLightSource_SPOT ? "spot" : "area",
                                        light.mName.C_Str()));
        }
    }
    for (unsigned i = 0; i < file->mNumCameras; ++i) {
        if (file->mCameras[i]->mOrthographicWidth > 0.0f) {
            found.push_back(fmt::format("scene '{}': camera '{}' is orthographic; the player draws it in "
                                        "perspective",
                                        name, file->mCameras[i]->mName.C_Str()));
        }
    }
    return found;
}

// A file that is gone once closed. Windows' tmpfile() writes to the root of the system drive, which only
// administrators may: there it is a file in the user's temporary folder, deleted on close ("D").
std::FILE* scratchFile() {
#ifdef _WIN32
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"dmo", 0, name) == 0) return nullptr;
    return _wfopen(name, L"w+bD");
#else
    return std::tmpfile();
#endif
}

class StdoutCapture {
public:
    StdoutCapture() {
        std::cout.flush();
        std::fflush(stdout);
        file = scratchFile();
        saved = file ? dup(STDOUT_FILENO) : -1;
        if (saved >= 0) dup2(fileno(file), STDOUT_FILENO);
    }
    ~StdoutCapture() {
        restore();
        if (file) std::fclose(file);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Puts standard output back and answers the non-empty lines written meanwhile.
    std::vector<std::string> lines() {
        restore();
        std::vector<std::string> out;
        if (!file) return out;
        std::rewind(file);
        std::string line;
        for (int c; (c = std::fgetc(file)) != EOF || !line.empty();) {
            if (c == '\n' || c == '\r' || c == EOF) {
                if (!line.empty()) out.push_back(line);
                line.clear();
                if (c == EOF) break;
            } else {
                line += static_cast<char>(c);
            }
        }
        return out;
    }

private:
    void restore() {
        if (saved >= 0) {
            std::cout.flush();
            std::fflush(stdout);
            dup2(saved, STDOUT_FILENO);
            close(saved);
            saved = -1;
        }
    }

    std::FILE* file = nullptr;
    int saved = -1;
};

}  // namespace

bool probeScenes(ShowReport& report, std::string& error) {
    GraphicsContext graphics;
    if (!graphics.createDevice(nullptr)) {
        error = "no headless graphics device for --scenes";
        return false;
    }
    report.scenesRequested = true;
    // One scene at a time, so that every scene with a texture that cannot be decoded is named, not just the first.
    SceneTable table;
    std::set<std::string> undecodable;  // loads that threw, already warned about
    for (const TimelineMarker& marker : report.markers) {
        if (marker.scene.empty() || table.count(marker.scene)) continue;
        const std::u16string* path = report.manifest.findScene(marker.scene);
        auto scene = std::make_unique<Scene>(graphics.device.get(), marker.scene);
        scene->manifest = report.manifest;
        StdoutCapture printed;
        try {
            scene->load(path ? *path : std::u16string());
        } catch (const std::exception& failure) {
            report.warnings.push_back(
                fmt::format("scene '{}': {} (the player would stop)", marker.scene, failure.what()));
            undecodable.insert(marker.scene);
            scene = std::make_unique<Scene>(graphics.device.get(), marker.scene);
            scene->path = path ? *path : std::u16string();
        }
        for (const std::string& line : printed.lines())
            report.warnings.push_back(fmt::format("scene '{}': {}", marker.scene, line));
        table.emplace(marker.scene, std::move(scene));
    }

    for (const auto& [name, scene] : table) {
        if (scene->nodes.empty() && !undecodable.count(name)) {
            const std::string file = narrowToUtf8(scene->path);
            report.warnings.push_back(file.empty() ? fmt::format("scene '{}' cannot be imported", name)
                                                   : fmt::format("scene '{}' cannot be imported from '{}' (it draws "
                                                                 "nothing)",
                                                                 name, file));
        }
        if (!scene->nodes.empty()) {
            std::vector<std::string> unshown;
            {
                StdoutCapture printed;  // the second read prints what the first did: already reported
                unshown = unshownParts(name, *scene);
            }
            report.warnings.insert(report.warnings.end(), unshown.begin(), unshown.end());
        }
        report.scenes.push_back(sceneReport(name, *scene));
    }
    for (const TimelineMarker& marker : report.markers) {
        if (marker.scene.empty()) continue;
        const auto found = table.find(marker.scene);
        if (found == table.end()) continue;
        const Scene& scene = *found->second;
        if (marker.start < 0.0f || marker.start > 1.0f || marker.end < 0.0f || marker.end > 1.0f) {
            report.warnings.push_back(fmt::format("marker '{}': start {} and end {} reach outside the animation of "
                                                  "scene '{}' (0 to 1)",
                                                  marker.label, marker.start, marker.end, marker.scene));
        }
        if (scene.nodes.empty()) continue;
        const bool hasCamera = std::any_of(scene.cameras.begin(), scene.cameras.end(),
                                           [&](const SceneCamera& c) { return c.name == marker.camera; });
        if (!hasCamera) {
            std::string names;
            for (const SceneCamera& c : scene.cameras) names += (names.empty() ? "'" : ", '") + c.name + "'";
            report.warnings.push_back(fmt::format("marker '{}': scene '{}' has no camera '{}' (the view stays at the "
                                                  "origin; {})",
                                                  marker.label, marker.scene, marker.camera,
                                                  names.empty() ? "the scene has no cameras"
                                                                : "the scene's cameras: " + names));
        }
    }

    // The player's configured window gives the output aspect for cameras without one.
    const float outputAspect =
        static_cast<float>(kPlayerFrameSize.width) / static_cast<float>(kPlayerFrameSize.height);
    for (ShowReport::Probe& probe : report.probes) {
        probe.sceneRequested = true;
        if (!probe.marker) continue;
        const TimelineMarker& marker = report.markers[*probe.marker];
        const auto found = marker.scene.empty() ? table.end() : table.find(marker.scene);
        if (found == table.end()) {
            probe.unloadedScene = marker.scene;
            continue;
        }
        Scene& scene = *found->second;
        const double time = markerAnimationTime(marker, scene.animationStart, scene.animationEnd, probe.progress);
        scene.prepareFrame(time, marker.camera, outputAspect);
        SceneReport::Step step{marker.scene, time, marker.camera, scene.cameraFound, matrix(scene.cameraWorld),
                               matrix(scene.view), matrix(scene.projection), {}};
        for (const scene_math::Matrix& world : scene.worldMatrices) step.world.push_back(matrix(world));
        probe.scene = std::move(step);
    }
    return true;
}
