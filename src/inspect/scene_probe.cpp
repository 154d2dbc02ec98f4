#include "inspect/scene_probe.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <set>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "base/frame_size.h"
#include "post/timeline_scenes.h"
#include "render/scene.h"
#include "render/graphics_context.h"
#include "base/wide_text.h"

namespace {

std::string text(const std::string& value) {
    std::string out = "\"";
    for (char c : narrowToUtf8(widenUtf8(value))) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += fmt::format("\\u{:04x}", static_cast<unsigned>(c));
        } else {
            out += c;
        }
    }
    return out + "\"";
}

template <typename Float>
std::string number(Float value) {
    // -0 prints as 0: bounds of mirrored data are full of signed zeros.
    return std::isfinite(value) ? fmt::format("{}", value == Float(0) ? Float(0) : value) : "null";
}

std::string numbers(const float* values, std::size_t count) {
    std::string out = "[";
    for (std::size_t i = 0; i < count; ++i) out += (i ? ", " : "") + number(values[i]);
    return out + "]";
}

std::string matrix(const scene_math::Matrix& m) { return numbers(&m.m[0][0], 16); }

const char* const kSlotNames[kTextureSlotCount] = {"lightmap", "diffuse",    "normals", "specular",
                                                   "reflection", "opacity", "emissive"};

std::string sceneJson(const Scene& scene) {
    std::string out = fmt::format("{{\"path\": {}, \"loaded\": {}, \"animation\": [{}, {}], \"meshes\": [",
                                  text(narrowToUtf8(scene.path)), scene.nodes.empty() ? "false" : "true",
                                  number(scene.animationStart), number(scene.animationEnd));
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        const Mesh& mesh = scene.meshes[i];
        float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
        for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
            for (int k = 0; k < 3; ++k) {
                const float p = mesh.vertices[v].position[k];
                low[k] = v == 0 ? p : std::min(low[k], p);
                high[k] = v == 0 ? p : std::max(high[k], p);
            }
        }
        out += fmt::format("{}{{\"vertices\": {}, \"faces\": {}, \"indices\": {}, \"material\": {}, "
                           "\"bounds\": [{}, {}]}}",
                           i ? ", " : "", mesh.vertexCount, mesh.faceCount, mesh.indexCount, mesh.materialIndex,
                           numbers(low, 3), numbers(high, 3));
    }
    out += "], \"materials\": [";
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        const Material& m = scene.materials[i];
        out += fmt::format("{}{{\"name\": {}, \"diffuse\": {}, \"ambient\": {}, \"specular\": {}, \"shininess\": {}, "
                           "\"emissive\": {}, \"normalMap\": {}, \"textures\": {{",
                           i ? ", " : "", text(m.name), numbers(m.diffuse, 4), numbers(m.ambient, 4),
                           numbers(m.specular, 4), number(m.shininess), number(m.emissive), number(m.normalMap));
        for (std::size_t slot = 0; slot < kTextureSlotCount; ++slot) {
            const TextureSlot& t = m.textures[slot];
            out += fmt::format("{}\"{}\": {}", slot ? ", " : "", kSlotNames[slot],
                               t.present ? text(t.fileName) : "null");
        }
        out += "}}";
    }
    out += "], \"lights\": [";
    for (std::size_t i = 0; i < scene.lights.size(); ++i) {
        const SceneLight& l = scene.lights[i];
        const float attenuation[3] = {l.attenuationConstant, l.attenuationLinear, l.attenuationQuadratic};
        out += fmt::format("{}{{\"name\": {}, \"colour\": {}, \"attenuation\": {}, \"point\": {}, \"node\": {}}}",
                           i ? ", " : "", text(l.name), numbers(l.colour, 4), numbers(attenuation, 3),
                           l.point ? "true" : "false", l.node ? std::to_string(l.node->index) : "null");
    }
    out += "], \"cameras\": [";
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) {
        const SceneCamera& c = scene.cameras[i];
        out += fmt::format("{}{{\"name\": {}, \"fov\": {}, \"near\": {}, \"far\": {}, \"aspect\": {}, \"channel\": {}}}",
                           i ? ", " : "", text(c.name), number(c.fieldOfView), number(c.nearClip),
                           number(c.farClip), number(c.aspect), c.channelIndex);
    }
    out += "], \"nodes\": [";
    bool first = true;
    for (const auto& [index, node] : scene.nodes) {
        out += fmt::format("{}{{\"index\": {}, \"name\": {}, \"parent\": {}, \"channel\": {}, \"meshes\": [{}]}}",
                           first ? "" : ", ", index, text(node.name), node.parentIndex, node.channelIndex,
                           fmt::join(node.meshIndices, ", "));
        first = false;
    }
    out += "], \"channels\": [";
    first = true;
    for (const auto& [index, channel] : scene.channels) {
        out += fmt::format("{}{{\"index\": {}, \"node\": {}, \"positions\": {}, \"rotations\": {}, \"scalings\": {}}}",
                           first ? "" : ", ", index, text(channel.nodeName), channel.positionKeys.size(),
                           channel.rotationKeys.size(), channel.scalingKeys.size());
        first = false;
    }
    return out + "]}";
}

std::string sceneLine(const std::string& name, const Scene& scene) {
    if (scene.nodes.empty()) return fmt::format("{}: {} could not be imported", name, narrowToUtf8(scene.path));
    std::size_t triangles = 0;
    for (const Mesh& mesh : scene.meshes) triangles += mesh.indexCount / 3;
    return fmt::format("{}: {}, {} meshes ({} triangles), {} materials, {} lights, {} cameras, {} nodes, {} channels, "
                       "animation {} to {}",
                       name, narrowToUtf8(scene.path), scene.meshes.size(), triangles, scene.materials.size(),
                       scene.lights.size(), scene.cameras.size(), scene.nodes.size(), scene.channels.size(),
                       scene.animationStart, scene.animationEnd);
}

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
        try {
            scene->load(path ? *path : std::u16string());
        } catch (const std::exception& failure) {
            report.warnings.push_back(
                fmt::format("scene '{}': {} (the player would stop)", marker.scene, failure.what()));
            undecodable.insert(marker.scene);
            scene = std::make_unique<Scene>(graphics.device.get(), marker.scene);
            scene->path = path ? *path : std::u16string();
        }
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
        report.scenesJson.emplace_back(name, sceneJson(*scene));
        report.scenesText.push_back(sceneLine(name, *scene));
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
            report.warnings.push_back(fmt::format("marker '{}': scene '{}' has no camera '{}' (the view stays at the "
                                                  "origin)",
                                                  marker.label, marker.scene, marker.camera));
        }
    }

    // The player's configured window gives the output aspect for cameras without one.
    const float outputAspect =
        static_cast<float>(kPlayerFrameSize.width) / static_cast<float>(kPlayerFrameSize.height);
    for (ShowReport::Probe& probe : report.probes) {
        probe.sceneRequested = true;
        if (!probe.marker) {
            probe.sceneText = "no scene";
            continue;
        }
        const TimelineMarker& marker = report.markers[*probe.marker];
        const auto found = marker.scene.empty() ? table.end() : table.find(marker.scene);
        if (found == table.end()) {
            probe.sceneText = marker.scene.empty() ? "no scene" : "scene '" + marker.scene + "' is not loaded";
            continue;
        }
        Scene& scene = *found->second;
        const double time = markerAnimationTime(marker, scene.animationStart, scene.animationEnd, probe.progress);
        scene.prepareFrame(time, marker.camera, outputAspect);
        std::string worlds = "[";
        for (std::size_t i = 0; i < scene.worldMatrices.size(); ++i) {
            worlds += (i ? ", " : "") + matrix(scene.worldMatrices[i]);
        }
        probe.sceneJson = fmt::format(
            "{{\"name\": {}, \"time\": {}, \"camera\": {{\"name\": {}, \"found\": {}, \"world\": {}, \"view\": {}, "
            "\"projection\": {}}}, \"world\": {}]}}",
            text(marker.scene), number(time), text(marker.camera), scene.cameraFound ? "true" : "false",
            matrix(scene.cameraWorld), matrix(scene.view), matrix(scene.projection), worlds);
        probe.sceneText = fmt::format("scene '{}' at animation time {} through camera '{}'{}", marker.scene, time,
                                      marker.camera, scene.cameraFound ? "" : " (not in the scene)");
    }
    return true;
}
