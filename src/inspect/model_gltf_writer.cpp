#include "inspect/model_gltf_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/png_encoding.h"
#include "base/utf8_files.h"

namespace model_gltf {

namespace {

using nlohmann::ordered_json;

constexpr int kFloat = 5126, kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;

std::array<double, 3> fileVertex(Vec3 v) { return {v.x, -v.z, -v.y}; }
std::array<double, 3> fileTranslation(Vec3 t) { return {t.x, t.y, -t.z}; }
std::array<double, 4> fileRotation(Quat q) { return {-q.x, -q.y, q.z, q.w}; }

class Buffers {
public:
    explicit Buffers(ordered_json& doc) : doc_(doc) {
        doc_["bufferViews"] = ordered_json::array();
        doc_["accessors"] = ordered_json::array();
    }

    int floats(const std::vector<float>& values, int width, const char* type, int target, bool bounds) {
        const int view = addView(values.data(), values.size() * sizeof(float), target);
        ordered_json accessor = {{"bufferView", view}, {"componentType", kFloat},
                                 {"count", values.size() / width}, {"type", type}};
        if (bounds && !values.empty()) {
            std::vector<float> lo(values.begin(), values.begin() + width), hi = lo;
            for (std::size_t i = 0; i < values.size(); ++i) {
                lo[i % width] = std::min(lo[i % width], values[i]);
                hi[i % width] = std::max(hi[i % width], values[i]);
            }
            accessor["min"] = lo;
            accessor["max"] = hi;
        }
        doc_["accessors"].push_back(accessor);
        return int(doc_["accessors"].size()) - 1;
    }

    int indices(const std::vector<std::uint32_t>& values) {
        const int view = addView(values.data(), values.size() * sizeof(std::uint32_t), kElementArrayBuffer);
        doc_["accessors"].push_back({{"bufferView", view}, {"componentType", kUnsignedInt},
                                     {"count", values.size()}, {"type", "SCALAR"}});
        return int(doc_["accessors"].size()) - 1;
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    int addView(const void* data, std::size_t size, int target) {
        while (bytes_.size() % 4) bytes_.push_back(0);
        ordered_json view = {{"buffer", 0}, {"byteOffset", bytes_.size()}, {"byteLength", size}};
        if (target) view["target"] = target;
        const auto* begin = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), begin, begin + size);
        doc_["bufferViews"].push_back(view);
        return int(doc_["bufferViews"].size()) - 1;
    }

    ordered_json& doc_;
    std::vector<std::uint8_t> bytes_;
};

// A specular map, or no specular at all (which the metallic-roughness form cannot say), needs the extension.
bool wantsSpecularGlossiness(const Material& m) {
    return !m.specularTexture.empty() || (m.specular.x <= 0 && m.specular.y <= 0 && m.specular.z <= 0);
}

}  // namespace

bool writeGltf(const Model& model, const std::filesystem::path& file, const std::string& textureUri,
               std::uint64_t* bytes, std::string* error) {
    ordered_json doc;
    doc["asset"] = {{"version", "2.0"}, {"generator", "demo-import"}};
    doc["scene"] = 0;
    doc["scenes"] = ordered_json::array({{{"nodes", {0}}}});
    Buffers buffers(doc);

    // Images and textures, one each, in the order the materials first use them.
    std::vector<std::string> images;
    auto texture = [&](const std::string& name) {
        auto found = std::find(images.begin(), images.end(), name);
        if (found == images.end()) {
            images.push_back(name);
            found = images.end() - 1;
        }
        return ordered_json{{"index", found - images.begin()}};
    };

    ordered_json materials = ordered_json::array();
    for (const Material& m : model.materials) {
        // The importer turns roughness r into the shininess (1 - r)^2 x 1000.
        const double roughness = std::clamp(1.0 - std::sqrt(std::max(m.shininess, 0.0) / 1000.0), 0.0, 1.0);
        ordered_json pbr = {{"baseColorFactor", m.diffuse}, {"metallicFactor", 0.0}, {"roughnessFactor", roughness}};
        if (!m.diffuseTexture.empty()) pbr["baseColorTexture"] = texture(m.diffuseTexture);
        ordered_json material = {{"name", m.name}, {"pbrMetallicRoughness", pbr}};
        if (!m.normalTexture.empty()) material["normalTexture"] = texture(m.normalTexture);
        if (m.emissive.x > 0 || m.emissive.y > 0 || m.emissive.z > 0 || !m.emissiveTexture.empty()) {
            material["emissiveFactor"] = {std::min(m.emissive.x, 1.0), std::min(m.emissive.y, 1.0),
                                          std::min(m.emissive.z, 1.0)};
            if (!m.emissiveTexture.empty()) {
                material["emissiveTexture"] = texture(m.emissiveTexture);
                if (m.emissive.x <= 0 && m.emissive.y <= 0 && m.emissive.z <= 0) material["emissiveFactor"] = {1.0, 1.0, 1.0};
            }
        }
        if (wantsSpecularGlossiness(m)) {
            // The specular map and colour reach the importer's specular slot through this extension.
            ordered_json specularGlossiness = {{"diffuseFactor", m.diffuse},
                                               {"specularFactor", {m.specular.x, m.specular.y, m.specular.z}},
                                               {"glossinessFactor", std::clamp(m.shininess / 1000.0, 0.0, 1.0)}};
            if (!m.specularTexture.empty()) specularGlossiness["specularGlossinessTexture"] = texture(m.specularTexture);
            if (!m.diffuseTexture.empty()) specularGlossiness["diffuseTexture"] = texture(m.diffuseTexture);
            material["extensions"] = {{"KHR_materials_pbrSpecularGlossiness", specularGlossiness}};
        }
        materials.push_back(material);
    }

    ordered_json meshes = ordered_json::array();
    for (const Mesh& mesh : model.meshes) {
        std::vector<float> positions, normals, uvs;
        for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
            for (double c : fileVertex(mesh.positions[i])) positions.push_back(float(c));
            for (double c : fileVertex(mesh.normals[i])) normals.push_back(float(c));
            uvs.push_back(float(mesh.uvs[i][0]));
            uvs.push_back(float(1.0 - mesh.uvs[i][1]));
        }
        std::vector<std::uint32_t> indices;
        for (const auto& t : mesh.triangles) {
            // Reversed for the importer to turn back, unless a mirror baked into the vertices turned it already.
            if (mesh.mirrored) {
                indices.insert(indices.end(), {t[0], t[1], t[2]});
            } else {
                indices.insert(indices.end(), {t[0], t[2], t[1]});
            }
        }
        ordered_json attributes = {{"POSITION", buffers.floats(positions, 3, "VEC3", kArrayBuffer, true)},
                                   {"NORMAL", buffers.floats(normals, 3, "VEC3", kArrayBuffer, false)},
                                   {"TEXCOORD_0", buffers.floats(uvs, 2, "VEC2", kArrayBuffer, false)}};
        ordered_json primitive = {{"attributes", attributes}, {"indices", buffers.indices(indices)},
                                  {"material", mesh.material}};
        meshes.push_back({{"name", mesh.name}, {"primitives", {primitive}}});
    }

    ordered_json nodes = ordered_json::array();
    ordered_json root = {{"name", "Root"}, {"children", ordered_json::array()}};
    nodes.push_back(root);
    ordered_json channels = ordered_json::array(), samplers = ordered_json::array();
    for (const Node& node : model.nodes) {
        const int index = int(nodes.size());
        nodes[0]["children"].push_back(index);
        ordered_json out = {{"name", node.name}, {"translation", fileTranslation(node.translation)},
                            {"rotation", fileRotation(node.rotation)}};
        if (node.mesh >= 0) out["mesh"] = node.mesh;
        if (node.camera >= 0) out["camera"] = node.camera;
        if (node.light >= 0) out["extensions"] = {{"KHR_lights_punctual", {{"light", node.light}}}};
        if (!node.keys.seconds.empty()) {
            std::vector<float> times, translations, rotations, scales;
            for (std::size_t k = 0; k < node.keys.seconds.size(); ++k) {
                times.push_back(float(node.keys.seconds[k]));
                for (double c : fileTranslation(node.keys.translations[k])) translations.push_back(float(c));
                for (double c : fileRotation(node.keys.rotations[k])) rotations.push_back(float(c));
                for (int c = 0; c < 3; ++c) scales.push_back(float(node.keys.scales[k]));
            }
            const int input = buffers.floats(times, 1, "SCALAR", 0, true);
            const std::pair<const char*, std::pair<const std::vector<float>*, std::pair<int, const char*>>> paths[] = {
                {"translation", {&translations, {3, "VEC3"}}},
                {"rotation", {&rotations, {4, "VEC4"}}},
                {"scale", {&scales, {3, "VEC3"}}}};
            for (const auto& [path, values] : paths) {
                const int output = buffers.floats(*values.first, values.second.first, values.second.second, 0, false);
                samplers.push_back({{"input", input}, {"output", output}, {"interpolation", "LINEAR"}});
                channels.push_back({{"sampler", samplers.size() - 1}, {"target", {{"node", index}, {"path", path}}}});
            }
        }
        nodes.push_back(out);
    }

    doc["nodes"] = nodes;
    doc["meshes"] = meshes;
    doc["materials"] = materials;
    if (!model.cameras.empty()) {
        ordered_json cameras = ordered_json::array();
        for (const Camera& c : model.cameras) {
            cameras.push_back({{"name", c.name},
                               {"type", "perspective"},
                               {"perspective", {{"yfov", c.verticalFov}, {"znear", c.near}, {"zfar", c.far}}}});
        }
        doc["cameras"] = cameras;
    }
    if (!channels.empty()) doc["animations"] = {{{"name", "Show"}, {"channels", channels}, {"samplers", samplers}}};
    std::vector<std::string> extensions;
    if (!model.lights.empty()) {
        ordered_json lights = ordered_json::array();
        for (const Light& l : model.lights) {
            lights.push_back({{"name", l.name},
                              {"type", l.directional ? "directional" : "point"},
                              {"color", {l.colour.x, l.colour.y, l.colour.z}},
                              {"intensity", l.intensity}});
        }
        doc["extensions"] = {{"KHR_lights_punctual", {{"lights", lights}}}};
        extensions.push_back("KHR_lights_punctual");
    }
    const bool specularGlossiness = std::any_of(model.materials.begin(), model.materials.end(), wantsSpecularGlossiness);
    if (specularGlossiness) extensions.push_back("KHR_materials_pbrSpecularGlossiness");
    if (!extensions.empty()) doc["extensionsUsed"] = extensions;
    if (!images.empty()) {
        ordered_json imageList = ordered_json::array(), textures = ordered_json::array();
        for (std::size_t i = 0; i < images.size(); ++i) {
            imageList.push_back({{"uri", textureUri + "/" + images[i]}});
            textures.push_back({{"source", i}});
        }
        doc["images"] = imageList;
        doc["textures"] = textures;
    }
    std::filesystem::path binary = file;
    binary.replace_extension(".bin");
    doc["buffers"] = {{{"uri", utf8PathText(binary.filename())}, {"byteLength", buffers.bytes().size()}}};

    if (!writeFileBytes(utf8PathText(binary), buffers.bytes(), error)) return false;
    // Names come from the model as its file spells them; bytes that are not UTF-8 become U+FFFD, as JSON needs.
    const std::string text = doc.dump(1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
    if (!writeFileBytes(utf8PathText(file), std::vector<std::uint8_t>(text.begin(), text.end()), error)) return false;
    *bytes = buffers.bytes().size() + text.size();
    return true;
}

}  // namespace model_gltf
