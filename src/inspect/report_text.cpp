#include "inspect/report_text.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "base/music_format.h"
#include "base/wide_text.h"

namespace {

double toSeconds(uint64_t position) { return static_cast<double>(position) / music_format::kBytesPerSecond; }

// The cameras a marker may name, as the scene calls them.
std::string cameraNames(const SceneReport& scene) {
    if (scene.cameras.empty()) return "";
    std::string out = "; cameras";
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) out += (i ? ", '" : " '") + scene.cameras[i].name + "'";
    return out;
}

std::string sceneLine(const SceneReport& scene) {
    if (!scene.loaded) return fmt::format("{}: {} could not be imported", scene.name, scene.path);
    std::size_t triangles = 0;
    for (const SceneReport::Mesh& mesh : scene.meshes) triangles += mesh.indices / 3;
    return fmt::format("{}: {}, {} meshes ({} triangles), {} materials, {} lights, {} cameras, {} nodes, {} channels, "
                       "animation {} to {}",
                       scene.name, scene.path, scene.meshes.size(), triangles, scene.materials.size(),
                       scene.lights.size(), scene.cameras.size(), scene.nodes.size(), scene.channels.size(),
                       scene.animationStart, scene.animationEnd) +
           cameraNames(scene);
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
                out += fmt::format("        {}{}:", validUtf8(parameter.name),
                                   parameter.interpolate ? " (" + validUtf8(*parameter.interpolate) + ")" : "");
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
            for (const EffectType& type : effectTable()) {
                if (type.blockName.empty()) continue;
                out += "  " + std::string(type.blockName);
                for (const EffectKnob& knob : type.knobs) {
                    out += fmt::format(" {}={}", knob.name, knobValue(p.blocks, type, knob));
                }
                out += "\n";
            }
            out += fmt::format("  overlay {} ({})\n", p.blocks.overlay.amount, p.overlayTexture);
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

namespace {

void variableLines(const std::vector<shader_compiler::ConstantVariable>& variables, int depth, std::string& out) {
    for (const shader_compiler::ConstantVariable& v : variables) {
        out += fmt::format("{:{}}{:<24} {:<20} offset {:>4}  size {:>4}\n", "", 4 + depth * 2, v.type, v.name,
                           v.offset, v.size);
        variableLines(v.members, depth + 1, out);
    }
}

}  // namespace

std::string shaderReportText(const ShaderReport& report) {
    std::string out = fmt::format("Shader {} (entry {}, profile {})\n", report.path, report.entry, report.profile);
    for (const shader_compiler::Define& define : report.defines)
        out += fmt::format("  define {}={}\n", define.name, define.value);
    out += report.compiled ? "  compiled\n" : "  does not compile\n";
    out += "Constant buffers\n";
    for (const shader_compiler::ConstantBufferLayout& b : report.reflection.constantBuffers) {
        out += fmt::format("  {} (b{}), {} bytes\n", b.name, b.slot, b.size);
        variableLines(b.variables, 0, out);
    }
    out += "Resources\n";
    for (const shader_compiler::BoundResource& r : report.reflection.resources) {
        const char letter = r.kind == "cbuffer" ? 'b' : r.kind == "texture" ? 't' : 's';
        out += fmt::format("  {:<8} {:<24} {}{}\n", r.kind, r.name, letter, r.slot);
    }
    if (report.profile.rfind("vs_", 0) == 0) {
        out += "Input signature\n";
        for (const gpu::SignatureParameter& p : report.inputs) {
            const char* type = componentTypeName(p.ComponentType);
            std::string mask;
            for (int i = 0; i < 4; ++i)
                if (p.Mask & (1 << i)) mask += "xyzw"[i];
            out += fmt::format("  {:<16} {:<6} {:<5} register {}\n", p.SemanticName + std::to_string(p.SemanticIndex),
                               type, mask, p.Location);
        }
    }
    out += "Messages\n";
    std::size_t start = 0;
    while (start < report.messages.size()) {
        std::size_t end = report.messages.find('\n', start);
        if (end == std::string::npos) end = report.messages.size();
        if (end > start) out += "  " + report.messages.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}
