#include "inspect/report_text.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "base/music_format.h"
#include "base/wide_text.h"

namespace {

double toSeconds(uint64_t position) { return static_cast<double>(position) / music_format::kBytesPerSecond; }

std::string sceneLine(const SceneReport& scene) {
    if (!scene.loaded) return fmt::format("{}: {} could not be imported", scene.name, scene.path);
    std::size_t triangles = 0;
    for (const SceneReport::Mesh& mesh : scene.meshes) triangles += mesh.indices / 3;
    return fmt::format("{}: {}, {} meshes ({} triangles), {} materials, {} lights, {} cameras, {} nodes, {} channels, "
                       "animation {} to {}",
                       scene.name, scene.path, scene.meshes.size(), triangles, scene.materials.size(),
                       scene.lights.size(), scene.cameras.size(), scene.nodes.size(), scene.channels.size(),
                       scene.animationStart, scene.animationEnd);
}

std::string stepLine(const ShowReport::Probe& probe) {
    if (!probe.scene) return probe.unloadedScene.empty() ? "no scene" : "scene '" + probe.unloadedScene + "' is not loaded";
    const SceneReport::Step& step = *probe.scene;
    return fmt::format("scene '{}' at animation time {} through camera '{}'{}", step.name, step.time, step.camera,
                       step.cameraFound ? "" : " (not in the scene)");
}

}  // namespace

std::string reportText(const ShowReport& report) {
    std::string out = "Manifest\n";
    for (const auto& [tableName, table] : kManifestTables) {
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
        if (probe.sceneRequested) out += "  " + stepLine(probe) + "\n";
    }
    if (report.musicRequested) {
        out += report.music ? fmt::format("Music {}: {} bytes, {:.3f} s\n", report.music->path, report.music->bytes,
                                          report.music->seconds)
                            : "Music: cannot be read\n";
    }
    if (report.scenesRequested) {
        out += fmt::format("Scenes ({})\n", report.scenes.size());
        for (const SceneReport& scene : report.scenes) out += "  " + sceneLine(scene) + "\n";
    }
    out += report.warnings.empty() ? "No warnings\n" : fmt::format("Warnings ({})\n", report.warnings.size());
    for (const std::string& warning : report.warnings) out += "  " + warning + "\n";
    return out;
}
