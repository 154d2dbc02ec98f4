#include "inspect/report_json.h"

#include <cmath>
#include <cstdlib>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "base/wide_text.h"
#include "inspect/shader_report.h"

namespace {

using Json = nlohmann::ordered_json;

// JSON has no NaN or infinity; a float keeps its own shortest digits rather than those of the double it widens to.
Json number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }
Json number(float value) {
    return std::isfinite(value) ? Json(std::strtod(fmt::format("{}", value).c_str(), nullptr)) : Json(nullptr);
}

template <typename Floats>
Json numbers(const Floats& values) {
    Json out = Json::array();
    for (const auto value : values) out.push_back(number(value));
    return out;
}

template <typename Value>
Json orNull(const std::optional<Value>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json sceneJson(const SceneReport& scene) {
    Json meshes = Json::array(), materials = Json::array(), lights = Json::array(), cameras = Json::array(),
         nodes = Json::array(), channels = Json::array();
    for (const SceneReport::Mesh& m : scene.meshes) {
        meshes.push_back({{"vertices", m.vertices}, {"faces", m.faces}, {"indices", m.indices},
                          {"material", m.material}, {"bounds", {numbers(m.low), numbers(m.high)}}});
    }
    for (const SceneReport::Material& m : scene.materials) {
        Json textures = Json::object();
        for (const auto& [slot, file] : m.textures) textures[slot] = orNull(file);
        materials.push_back({{"name", m.name}, {"diffuse", numbers(m.diffuse)}, {"ambient", numbers(m.ambient)},
                             {"specular", numbers(m.specular)}, {"shininess", number(m.shininess)},
                             {"emissive", number(m.emissive)}, {"normalMap", number(m.normalMap)},
                             {"textures", textures}});
    }
    for (const SceneReport::Light& l : scene.lights) {
        lights.push_back({{"name", l.name}, {"colour", numbers(l.colour)}, {"attenuation", numbers(l.attenuation)},
                          {"point", l.point}, {"node", orNull(l.node)}});
    }
    for (const SceneReport::Camera& c : scene.cameras) {
        cameras.push_back({{"name", c.name}, {"fov", number(c.fieldOfView)}, {"near", number(c.nearClip)},
                           {"far", number(c.farClip)}, {"aspect", number(c.aspect)}, {"channel", c.channel}});
    }
    for (const SceneReport::Node& n : scene.nodes) {
        nodes.push_back({{"index", n.index}, {"name", n.name}, {"parent", n.parent}, {"channel", n.channel},
                         {"meshes", n.meshes}});
    }
    for (const SceneReport::Channel& c : scene.channels) {
        channels.push_back({{"index", c.index}, {"node", c.node}, {"positions", c.positions},
                            {"rotations", c.rotations}, {"scalings", c.scalings}});
    }
    return {{"path", scene.path},
            {"loaded", scene.loaded},
            {"animation", {number(scene.animationStart), number(scene.animationEnd)}},
            {"meshes", meshes},
            {"materials", materials},
            {"lights", lights},
            {"cameras", cameras},
            {"nodes", nodes},
            {"channels", channels}};
}

Json stepJson(const SceneReport::Step& step) {
    Json world = Json::array();
    for (const SceneReport::Matrix& matrix : step.world) world.push_back(numbers(matrix));
    return {{"name", step.name},
            {"time", number(step.time)},
            {"camera",
             {{"name", step.camera},
              {"found", step.cameraFound},
              {"world", numbers(step.cameraWorld)},
              {"view", numbers(step.view)},
              {"projection", numbers(step.projection)}}},
            {"world", world}};
}

Json markerJson(const TimelineMarker& marker) {
    Json effects = Json::array();
    for (const MarkerEffect& effect : marker.effects) {
        Json parameters = Json::array();
        for (const EffectParameter& parameter : effect.parameters) {
            Json keys = Json::array();
            for (const ParameterKey& key : parameter.keys) {
                keys.push_back({{"value", number(key.value)}, {"time", number(key.time)}});
            }
            Json entry = {{"name", parameter.name}};
            if (parameter.interpolate) entry["interpolate"] = *parameter.interpolate;
            entry["keys"] = keys;
            parameters.push_back(entry);
        }
        effects.push_back({{"type", effect.type}, {"parameters", parameters}});
    }
    return {{"label", marker.label}, {"from", marker.from},     {"to", marker.to},
            {"start", number(marker.start)}, {"end", number(marker.end)}, {"scene", marker.scene},
            {"camera", marker.camera}, {"effects", effects}};
}

Json probeJson(const ShowReport::Probe& probe) {
    Json out = {{"seconds", number(probe.seconds)},
                {"position", probe.position},
                {"marker", orNull(probe.marker)},
                {"progress", number(probe.progress)}};
    if (probe.parameters) {
        const ShowReport::Probe::Parameters& p = *probe.parameters;
        // Each block by the effect table's name for it, each value by its knob, in block order.
        Json parameters = Json::object();
        for (const EffectType& type : effectTable()) {
            if (type.blockName.empty()) continue;
            Json knobs = Json::object();
            for (const EffectKnob& knob : type.knobs) knobs[knob.name] = number(knobValue(p.blocks, type, knob));
            parameters[type.blockName] = knobs;
        }
        parameters["overlay"] = {{"amount", number(p.blocks.overlay.amount)}, {"texture", p.overlayTexture}};
        out["parameters"] = parameters;
    }
    if (probe.sceneRequested) out["scene"] = probe.scene ? stepJson(*probe.scene) : Json(nullptr);
    return out;
}

Json documentOf(const ShowReport& report) {
    Json manifest = Json::object();
    for (const auto& [tableName, table] : kManifestTables) {
        Json entries = Json::object();
        for (const auto& [key, path] : report.manifest.*table) entries[key] = narrowToUtf8(path);
        manifest[tableName] = entries;
    }
    Json markers = Json::array(), probes = Json::array();
    for (const TimelineMarker& marker : report.markers) markers.push_back(markerJson(marker));
    for (const ShowReport::Probe& probe : report.probes) probes.push_back(probeJson(probe));
    Json out = {{"manifest", manifest}, {"timeline", {{"path", report.timelinePath}, {"markers", markers}}},
                {"at", probes}};
    if (report.musicRequested) {
        out["music"] = report.music ? Json{{"path", report.music->path},
                                           {"bytes", report.music->bytes},
                                           {"seconds", number(report.music->seconds)}}
                                    : Json(nullptr);
    }
    if (report.scenesRequested) {
        Json scenes = Json::object();
        for (const SceneReport& scene : report.scenes) scenes[scene.name] = sceneJson(scene);
        out["scenes"] = scenes;
    }
    out["warnings"] = report.warnings;
    return out;
}

void write(const Json& value, std::string& out);

void writeString(const std::string& text, std::string& out) {
    out += Json(validUtf8(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The tools' layout: one line, ", " between items and ": " after keys; numbers as their shortest exact digits
// without a trailing ".0", and -0 as 0 (bounds of mirrored data are full of signed zeros).
void write(const Json& value, std::string& out) {
    switch (value.type()) {
        case Json::value_t::object: {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : value.items()) {
                if (!first) out += ", ";
                first = false;
                writeString(key, out);
                out += ": ";
                write(item, out);
            }
            out += '}';
            break;
        }
        case Json::value_t::array: {
            out += '[';
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (i) out += ", ";
                write(value[i], out);
            }
            out += ']';
            break;
        }
        case Json::value_t::string: writeString(value.get_ref<const std::string&>(), out); break;
        case Json::value_t::number_float: {
            const double number = value.get<double>();
            out += fmt::format("{}", number == 0.0 ? 0.0 : number);
            break;
        }
        default: out += value.dump(); break;
    }
}

Json variablesJson(const std::vector<shader_compiler::ConstantVariable>& variables) {
    Json out = Json::array();
    for (const shader_compiler::ConstantVariable& v : variables) {
        Json item = {{"name", v.name}, {"type", v.type}, {"offset", v.offset}, {"size", v.size}};
        if (!v.members.empty()) item["members"] = variablesJson(v.members);
        out.push_back(item);
    }
    return out;
}

}  // namespace

std::string shaderReportJson(const ShaderReport& report) {
    Json defines = Json::object();
    for (const shader_compiler::Define& define : report.defines) defines[define.name] = define.value;
    Json buffers = Json::array(), resources = Json::array(), inputs = Json::array();
    for (const shader_compiler::ConstantBufferLayout& b : report.reflection.constantBuffers) {
        buffers.push_back({{"name", b.name}, {"slot", b.slot}, {"size", b.size}, {"variables", variablesJson(b.variables)}});
    }
    for (const shader_compiler::BoundResource& r : report.reflection.resources)
        resources.push_back({{"name", r.name}, {"kind", r.kind}, {"slot", r.slot}});
    for (const gpu::SignatureParameter& p : report.inputs) {
        inputs.push_back({{"semantic", p.SemanticName}, {"index", p.SemanticIndex},
                          {"type", componentTypeName(p.ComponentType)}, {"mask", p.Mask}, {"register", p.Location}});
    }
    Json out = {{"shader", report.path}, {"entry", report.entry}, {"profile", report.profile}, {"defines", defines},
                {"compiled", report.compiled},  {"constantBuffers", buffers},   {"resources", resources}};
    if (report.profile.rfind("vs_", 0) == 0) out["inputs"] = inputs;
    out["messages"] = report.messages;
    std::string text;
    write(out, text);
    return text + "\n";
}

std::string reportJson(const ShowReport& report) {
    std::string out;
    write(documentOf(report), out);
    return out + "\n";
}
