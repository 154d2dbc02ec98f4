#include "inspect/model_import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include <assimp/Importer.hpp>
#include <assimp/commonMetaData.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <stb/stb_image.h>

#include "base/png_encoding.h"
#include "base/utf8_files.h"
#include "inspect/model_animation.h"
#include "inspect/model_framing.h"
#include "inspect/model_gltf_writer.h"
#include "inspect/model_texture_search.h"
#include "inspect/show_manifest_edit.h"
#include "render/scene.h"
#include "render/scene_file.h"

namespace {

namespace fs = std::filesystem;
using namespace model_space;
using model_gltf::Model;
using model_animation::affine;
using model_animation::Animation;
using model_animation::Evaluator;
using model_animation::findNode;


Vec3 vec(const aiVector3D& v) { return {v.x, v.y, v.z}; }
// The importer's left-handed conversion turns node matrices but leaves a camera's or a light's own vectors (in its
// node's space) as the file gives them: they are turned here.
Vec3 leftHanded(const aiVector3D& v) { return {v.x, v.y, -v.z}; }

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

class Builder {
public:
    Builder(const aiScene& scene, const ModelImportOptions& options, const std::string& name,
            const fs::path& modelFolder, const fs::path& textureFolder)
        : scene_(scene), options_(options), evaluator_(scene), name_(name), modelFolder_(modelFolder),
          textureFolder_(textureFolder) {}

    Model build() {
        const Animation& animation = evaluator_.animation();
        if (scene_.mNumAnimations > 1) {
            warn("the file has " + std::to_string(scene_.mNumAnimations) + " animations: only the first, \"" +
                 std::string(scene_.mAnimations[0]->mName.C_Str()) + "\", is kept");
        }
        model_.animationStart = animation.present ? evaluator_.seconds(animation.start) : 0.0;
        model_.animationEnd = animation.present ? evaluator_.seconds(animation.end) : 0.0;
        for (unsigned i = 0; i < scene_.mNumMaterials; ++i) model_.materials.push_back(material(*scene_.mMaterials[i]));
        if (model_.materials.empty()) model_.materials.push_back({});
        addNode(scene_.mRootNode);
        if (options_.camera == ModelImportOptions::Camera::Auto || options_.camera == ModelImportOptions::Camera::File) {
            for (unsigned i = 0; i < scene_.mNumCameras; ++i) addCamera(*scene_.mCameras[i]);
        }
        const bool orbit = options_.camera == ModelImportOptions::Camera::Orbit;
        if (orbit || (options_.camera == ModelImportOptions::Camera::Auto && scene_.mNumCameras == 0)) {
            addFramingCamera(orbit);
        }
        if (options_.camera == ModelImportOptions::Camera::File && scene_.mNumCameras == 0)
            warn("the file has no camera and --camera file makes none: a track on this scene has no camera to name");
        for (unsigned i = 0; i < scene_.mNumLights; ++i) addLight(*scene_.mLights[i]);
        if (model_.lights.empty() && options_.light == ModelImportOptions::Light::Auto) addFramingLights();
        if (model_.lights.size() > 8) {
            warn("the scene has " + std::to_string(model_.lights.size()) + " lights: the player uses the first 8");
        }
        if (options_.backdrop) addBackdrop();
        return std::move(model_);
    }

    // One line a kind: the parts it concerns named after it, the first few of them.
    std::vector<std::string> warnings() const {
        std::vector<std::string> lines = warnings_;
        for (const auto& [kind, parts] : groups_) {
            std::string line = kind + ": ";
            for (std::size_t i = 0; i < parts.size() && i < 4; ++i) line += (i ? ", \"" : "\"") + parts[i] + "\"";
            if (parts.size() > 4) line += " and " + std::to_string(parts.size() - 4) + " more";
            lines.push_back(line);
        }
        return lines;
    }
    const std::vector<std::string>& textureFiles() const { return textureFiles_; }

private:
    void group(const std::string& kind, const std::string& part) {
        auto found = std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.first == kind; });
        if (found == groups_.end()) found = groups_.insert(groups_.end(), {kind, {}});
        if (std::find(found->second.begin(), found->second.end(), part) == found->second.end()) found->second.push_back(part);
    }

    void warn(const std::string& text) {
        if (std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end()) warnings_.push_back(text);
    }

    std::string uniqueName(std::string base) {
        if (base.empty()) base = "Node";
        std::string candidate = base;
        for (int n = 1; !usedNames_.insert(candidate).second; ++n) candidate = base + "." + std::to_string(n);
        return candidate;
    }

    // ---- materials and textures --------------------------------------------------------------------------

    model_gltf::Material material(const aiMaterial& source) {
        model_gltf::Material m;
        aiString text;
        if (aiGetMaterialString(&source, "?mat.name", 0, 0, &text) == AI_SUCCESS) m.name = text.C_Str();
        aiColor4D colour;
        if (aiGetMaterialColor(&source, "$clr.diffuse", 0, 0, &colour) == AI_SUCCESS)
            m.diffuse = {colour.r, colour.g, colour.b, colour.a};
        if (aiGetMaterialColor(&source, "$clr.specular", 0, 0, &colour) == AI_SUCCESS)
            m.specular = {colour.r, colour.g, colour.b};
        if (aiGetMaterialColor(&source, "$clr.emissive", 0, 0, &colour) == AI_SUCCESS)
            m.emissive = {colour.r, colour.g, colour.b};
        float value = 0;
        unsigned one = 1;
        if (aiGetMaterialFloatArray(&source, "$mat.shininess", 0, 0, &value, &one) == AI_SUCCESS) m.shininess = value;
        one = 1;
        if (aiGetMaterialFloatArray(&source, "$mat.shinpercent", 0, 0, &value, &one) == AI_SUCCESS)
            m.specular = m.specular * value;
        m.diffuseTexture = texture(source, {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR}, m.name, "diffuse");
        m.normalTexture = texture(source, {aiTextureType_NORMALS, aiTextureType_NORMAL_CAMERA}, m.name, "normal");
        m.specularTexture = texture(source, {aiTextureType_SPECULAR}, m.name, "specular");
        m.emissiveTexture = texture(source, {aiTextureType_EMISSIVE, aiTextureType_EMISSION_COLOR}, m.name, "emissive");
        return m;
    }

    // The file name (in the texture folder) of the slot's image, written there; empty when there is none or it
    // cannot be had.
    std::string texture(const aiMaterial& source, std::initializer_list<aiTextureType> types,
                        const std::string& materialName, const char* slot) {
        aiString path;
        bool found = false;
        for (aiTextureType type : types) {
            if (source.GetTexture(type, 0, &path) == AI_SUCCESS && path.length > 0) {
                found = true;
                break;
            }
        }
        if (!found) return {};
        const std::string named = path.C_Str();
        const auto written = writtenTextures_.find(named);
        if (written != writtenTextures_.end()) return written->second;

        std::vector<std::uint8_t> bytes;
        std::string extension, baseName;
        std::string problem;
        if (const aiTexture* embedded = scene_.GetEmbeddedTexture(named.c_str())) {
            baseName = embedded->mFilename.length > 0 ? utf8PathText(utf8FilePath(embedded->mFilename.C_Str()).stem())
                                                      : "embedded" + std::to_string(embeddedCount_++);
            if (embedded->mHeight == 0) {
                const auto* data = reinterpret_cast<const std::uint8_t*>(embedded->pcData);
                bytes.assign(data, data + embedded->mWidth);
                extension = std::string(".") + (embedded->achFormatHint[0] ? embedded->achFormatHint : "png");
            } else {
                std::vector<std::uint8_t> rgba(std::size_t(embedded->mWidth) * embedded->mHeight * 4);
                for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
                    const aiTexel& texel = embedded->pcData[i];
                    rgba[i * 4 + 0] = texel.r;
                    rgba[i * 4 + 1] = texel.g;
                    rgba[i * 4 + 2] = texel.b;
                    rgba[i * 4 + 3] = texel.a;
                }
                std::string encodeError;
                if (!encodePng(rgba.data(), embedded->mWidth, embedded->mHeight, &bytes, &encodeError)) problem = encodeError;
                extension = ".png";
            }
        } else {
            const fs::path file = model_textures::findTextureFile(named, modelFolder_);
            if (file.empty()) {
                problem = "not found (looked beside the model, by its own path and by its file name)";
            } else {
                if (!model_textures::readFileBytes(file, &bytes)) problem = "cannot be read";
                baseName = utf8PathText(file.stem());
                extension = utf8PathText(file.extension());
            }
        }
        int w = 0, h = 0, channels = 0;
        if (problem.empty() &&
            !stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels)) {
            problem = "is in a format the player cannot decode (" + lower(extension) + ")";
        }
        std::string result;
        if (!problem.empty()) {
            warn("material \"" + materialName + "\": the " + slot + " texture \"" + named + "\" " + problem +
                 "; the slot is left empty");
        } else {
            result = placeTexture(sceneNameFor(baseName) + lower(extension), bytes);
        }
        writtenTextures_[named] = result;
        return result;
    }

    // Writes the image into the texture folder under the scene's name; the same bytes under the same name are
    // kept, other bytes get a name of their own.
    std::string placeTexture(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
        std::string candidate = name_ + "_" + fileName;
        for (int n = 2;; ++n) {
            const fs::path target = textureFolder_ / candidate;
            std::error_code ec;
            const bool taken = fs::exists(target, ec) && !model_textures::sameBytes(target, bytes);
            const bool ours = std::count(textureFiles_.begin(), textureFiles_.end(), candidate) > 0;
            if (!taken && !ours) break;
            candidate = name_ + "_" + std::to_string(n) + "_" + fileName;
        }
        model_.images.push_back({candidate, bytes});
        textureFiles_.push_back(candidate);
        return candidate;
    }

    // ---- geometry -----------------------------------------------------------------------------------------

    void addNode(const aiNode* node) {
        for (unsigned i = 0; i < node->mNumMeshes; ++i) addInstance(node, *scene_.mMeshes[node->mMeshes[i]]);
        for (unsigned i = 0; i < node->mNumChildren; ++i) addNode(node->mChildren[i]);
    }

    // World placement over time of something hanging on `node` (`offset` within the node): the rigid part as
    // keys, the rest (scale, shear, mirroring) in `residual`, constant over time where it can be.
    struct Placement {
        std::vector<double> seconds;
        std::vector<Vec3> translations;
        std::vector<Quat> rotations;
        std::vector<double> scales;
        Affine residual;
        bool uniformOnly = true;
        bool degenerate = false;  // no pose with a size: nothing to place
    };

    // Keys are taken of the deepest moving node of the chain (the anchor): between two keys its placement is what
    // the player's interpolation gives, and what lies between it and the mesh is static and goes into the residual.
    Placement place(const aiNode* node, const std::vector<double>& ticks) {
        const aiNode* anchor = node;
        while (anchor && !evaluator_.channelOf(anchor)) anchor = anchor->mParent;
        if (!anchor) anchor = node;
        Placement p;
        std::vector<RigidSplit> splits;
        for (double t : ticks) splits.push_back(splitRigid(evaluator_.global(anchor, t)));
        // The reference pose is the largest one: a node may grow from nothing, and a pose of scale 0 says
        // nothing about its shape.
        std::size_t reference = 0;
        for (std::size_t i = 1; i < splits.size(); ++i)
            if (std::abs(splits[i].residual.determinant3()) > std::abs(splits[reference].residual.determinant3())) reference = i;
        if (splits.empty() || std::abs(splits[reference].residual.determinant3()) < 1e-30) {
            p.degenerate = true;
            return p;
        }
        const Affine& referenceResidual = splits[reference].residual;
        const double referenceDeterminant = referenceResidual.determinant3();
        // A pose of no size has no rotation to speak of: it takes the reference's, so the turn is not invented.
        for (RigidSplit& split : splits)
            if (std::abs(split.residual.determinant3()) < 1e-9 * std::abs(referenceDeterminant))
                split.rotation = splits[reference].rotation;
        for (std::size_t i = 0; i < splits.size(); ++i) {
            const RigidSplit& split = splits[i];
            const double s = std::cbrt(split.residual.determinant3() / referenceDeterminant);
            double difference = 0, size = 0;
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) {
                    difference += std::abs(split.residual.m[r][c] - s * referenceResidual.m[r][c]);
                    size += std::abs(referenceResidual.m[r][c]);
                }
            if (difference > 1e-5 * size) p.uniformOnly = false;
            Quat q = split.rotation;
            if (!p.rotations.empty()) {
                const Quat& last = p.rotations.back();
                if (last.x * q.x + last.y * q.y + last.z * q.z + last.w * q.w < 0) q = {-q.x, -q.y, -q.z, -q.w};
            }
            p.seconds.push_back(evaluator_.seconds(ticks[i]));
            p.translations.push_back(split.translation);
            p.rotations.push_back(q);
            p.scales.push_back(s);
        }
        const double at = ticks[reference];
        p.residual = referenceResidual * (inverse(evaluator_.global(anchor, at)) * evaluator_.global(node, at));
        return p;
    }

    void addInstance(const aiNode* node, const aiMesh& mesh) {
        const std::string meshName = mesh.mName.length ? mesh.mName.C_Str() : node->mName.C_Str();
        if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || mesh.mNumFaces == 0) {
            if (mesh.mPrimitiveTypes & (aiPrimitiveType_POINT | aiPrimitiveType_LINE))
                group("meshes of points or lines, which the player does not draw", meshName);
            return;
        }
        if (mesh.mNumAnimMeshes > 0) group("meshes with morph targets, drawn in their base shape", meshName);
        if (mesh.HasVertexColors(0)) group("meshes with vertex colours, which the player does not draw", meshName);

        std::vector<Vec3> positions(mesh.mNumVertices), normals(mesh.mNumVertices);
        auto stored = [this](Vec3 v) { return playerForm_ ? Vec3{v.x, v.z, -v.y} : v; };  // as the player stores it
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            positions[v] = stored(vec(mesh.mVertices[v]));
            normals[v] = stored(mesh.mNormals ? vec(mesh.mNormals[v]) : Vec3{0, 1, 0});
        }
        model_gltf::Node out;
        out.name = uniqueName(node->mName.C_Str());
        Affine bake;
        const bool skinned = mesh.mNumBones > 0;
        Placement placement;
        if (!skinned && evaluator_.animation().present && evaluator_.animatedInChain(node) > 0)
            placement = place(node, evaluator_.sampleTimes(node));
        const bool animated = !placement.seconds.empty() && !placement.degenerate;
        if (skinned) {
            // Skinned vertices are placed by their bones: posed at --at, or left in the bind pose (where the bones'
            // offsets undo their bind placement, so the mesh's node places it).
            const Animation& a = evaluator_.animation();
            if (options_.poseSeconds && a.present) {
                const double ticks = std::clamp(*options_.poseSeconds * a.ticksPerSecond, a.start, a.end);
                skin(mesh, ticks, positions, normals);
                group("skinned meshes, posed as at the --at time", meshName);
            } else {
                bake = evaluator_.global(node, a.present ? a.start : 0.0);
                group("skinned meshes, drawn in their bind pose (demo-import --at SECONDS poses them)", meshName);
            }
        } else if (animated) {
            const Placement& p = placement;
            if (!p.uniformOnly)
                warn("node \"" + std::string(node->mName.C_Str()) + "\" changes its scale unevenly while it turns: the player's keys scale evenly, so it is approximated");
            bake = p.residual;
            out.translation = p.translations.front();
            out.rotation = p.rotations.front();
            out.keys = {p.seconds, p.translations, p.rotations, p.scales};
        } else {
            bake = evaluator_.global(node, evaluator_.animation().start);
        }

        model_gltf::Mesh m;
        m.name = meshName;
        m.material = std::min<int>(int(mesh.mMaterialIndex), int(model_.materials.size()) - 1);
        const Affine normalBake = normalMatrix(bake);
        const bool mirrored = bake.determinant3() < 0;
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const Vec3 p = bake.point(positions[v]);
            const Vec3 n = normalize(normalBake.vector(normals[v]));
            m.positions.push_back(p);
            m.normals.push_back(n);
            const aiVector3D uv = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0][v] : aiVector3D();
            m.uvs.push_back({uv.x, uv.y});
            if (!animated) grow(p);
        }
        if (animated) {
            // Bounds from the first pose.
            const Affine first = compose(out.translation, out.rotation, {1, 1, 1});
            for (const Vec3& p : m.positions) grow(first.point(p));
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;
            m.triangles.push_back({face.mIndices[0], face.mIndices[1], face.mIndices[2]});
        }
        m.mirrored = mirrored;
        out.mesh = int(model_.meshes.size());
        model_.meshes.push_back(std::move(m));
        model_.nodes.push_back(std::move(out));
    }

    void skin(const aiMesh& mesh, double ticks, std::vector<Vec3>& positions, std::vector<Vec3>& normals) {
        std::vector<Vec3> p(positions.size()), n(normals.size());
        std::vector<double> weight(positions.size(), 0.0);
        for (unsigned b = 0; b < mesh.mNumBones; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const aiNode* joint = findNode(scene_.mRootNode, bone.mName.C_Str());
            if (!joint) continue;
            const Affine m = evaluator_.global(joint, ticks) * affine(bone.mOffsetMatrix);
            const Affine nm = normalMatrix(m);
            for (unsigned w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& vw = bone.mWeights[w];
                if (vw.mVertexId >= positions.size()) continue;
                p[vw.mVertexId] = p[vw.mVertexId] + m.point(positions[vw.mVertexId]) * vw.mWeight;
                n[vw.mVertexId] = n[vw.mVertexId] + nm.vector(normals[vw.mVertexId]) * vw.mWeight;
                weight[vw.mVertexId] += vw.mWeight;
            }
        }
        for (std::size_t v = 0; v < positions.size(); ++v) {
            if (weight[v] <= 0) continue;  // a vertex no bone holds stays where it was
            positions[v] = p[v] * (1.0 / weight[v]);
            normals[v] = normalize(n[v]);
        }
    }

    void grow(Vec3 p) {
        framingPoints_.push_back(p);
        if (!boundsSet_) {
            model_.boundsMin = model_.boundsMax = p;
            boundsSet_ = true;
            return;
        }
        model_.boundsMin = {std::min(model_.boundsMin.x, p.x), std::min(model_.boundsMin.y, p.y), std::min(model_.boundsMin.z, p.z)};
        model_.boundsMax = {std::max(model_.boundsMax.x, p.x), std::max(model_.boundsMax.y, p.y), std::max(model_.boundsMax.z, p.z)};
    }

    Vec3 centre() const { return (model_.boundsMin + model_.boundsMax) * 0.5; }
    double radius() const { return std::max(length(model_.boundsMax - model_.boundsMin) * 0.5, 1e-3); }

    // ---- cameras and lights -----------------------------------------------------------------------------

    // Key times for something on `node`: the animation's samples, or its two ends for a still one (the player
    // places a camera by keys alone).
    std::vector<double> poseTimes(const aiNode* node) const {
        const Animation& a = evaluator_.animation();
        if (!a.present) return {0.0};
        if (node && evaluator_.animatedInChain(node) > 0) return evaluator_.sampleTimes(node);
        return {a.start, a.end};
    }

    void addCamera(const aiCamera& camera) {
        const std::string name = camera.mName.C_Str();
        const aiNode* node = findNode(scene_.mRootNode, name);
        // The camera in its node: position, the direction it looks along and its up. The glTF importer copies
        // the node's translation into the camera's position, which the node's transform holds already: there the
        // camera stands at its node's origin, as glTF places it.
        const Vec3 position = gltfSource_ && node ? Vec3{} : leftHanded(camera.mPosition);
        const Vec3 look = leftHanded(camera.mLookAt), upVector = leftHanded(camera.mUp);
        model_gltf::Node out;
        out.name = uniqueName(name.empty() ? "Camera" : name);
        for (double ticks : poseTimes(node)) {
            const Affine g = node ? evaluator_.global(node, ticks) : Affine{};
            const Vec3 eye = g.point(position);
            const Vec3 forward = normalize(g.vector(look));
            const Vec3 right = normalize(cross(g.vector(upVector), forward));
            const Vec3 up = cross(forward, right);
            Quat q = fromBasis(right, up, forward);
            if (!out.keys.rotations.empty()) {
                const Quat& last = out.keys.rotations.back();
                if (last.x * q.x + last.y * q.y + last.z * q.z + last.w * q.w < 0) q = {-q.x, -q.y, -q.z, -q.w};
            }
            out.keys.seconds.push_back(evaluator_.animation().present ? evaluator_.seconds(ticks) : 0.0);
            out.keys.translations.push_back(eye);
            out.keys.rotations.push_back(q);
            out.keys.scales.push_back(1.0);
        }
        if (out.keys.seconds.size() == 1) {  // a still scene: two keys so that the camera has a stretch
            out.keys.seconds.push_back(1.0);
            out.keys.translations.push_back(out.keys.translations[0]);
            out.keys.rotations.push_back(out.keys.rotations[0]);
            out.keys.scales.push_back(1.0);
        }
        out.translation = out.keys.translations[0];
        out.rotation = out.keys.rotations[0];

        model_gltf::Camera c;
        c.name = out.name;
        const double aspect = camera.mAspect > 0 ? camera.mAspect : 0.0;
        double vertical = camera.mHorizontalFOV;
        if (camera.mOrthographicWidth > 0) {
            const double distance = std::max(length(centre() - out.translation), radius());
            const double halfHeight = camera.mOrthographicWidth / (aspect > 0 ? aspect : 16.0 / 9.0);
            vertical = 2.0 * std::atan(halfHeight / distance);
            warn("camera \"" + name + "\" is orthographic: the closest perspective view is used");
        } else if (gltfSource_ && aspect > 0) {
            vertical = camera.mHorizontalFOV / aspect;  // the importer hands a glTF camera's yfov times its aspect
        } else if (aspect > 0) {
            vertical = 2.0 * std::atan(std::tan(camera.mHorizontalFOV * 0.5) / aspect);
        }
        c.verticalFov = std::clamp(vertical, 0.05, 3.0);
        c.near = camera.mClipPlaneNear > 0 ? camera.mClipPlaneNear : radius() * 0.01;
        c.far = camera.mClipPlaneFar > c.near ? camera.mClipPlaneFar : (length(centre() - out.translation) + radius()) * 4.0;
        out.camera = int(model_.cameras.size());
        model_.cameras.push_back(c);
        model_.nodes.push_back(std::move(out));
    }

    // Frames the model's drawn vertices (see model_framing.h): still, or turning a quarter around it over the
    // animation (or twenty seconds).
    void addFramingCamera(bool orbit) {
        const Animation& a = evaluator_.animation();
        const double first = a.present ? evaluator_.seconds(a.start) : 0.0;
        const double last = a.present && a.end > a.start ? evaluator_.seconds(a.end) : first + 20.0;
        model_framing::Framing framing = model_framing::frameModel(framingPoints_, centre(), radius(), orbit, first, last);
        model_gltf::Node out;
        out.name = uniqueName("Camera");
        out.keys = std::move(framing.keys);
        out.translation = out.keys.translations[0];
        out.rotation = out.keys.rotations[0];
        framing.camera.name = out.name;
        out.camera = int(model_.cameras.size());
        model_.cameras.push_back(framing.camera);
        model_.nodes.push_back(std::move(out));
    }

    void addLight(const aiLight& light) {
        const std::string name = light.mName.C_Str();
        model_gltf::Light out;
        switch (light.mType) {
            case aiLightSource_DIRECTIONAL: out.directional = true; break;
            case aiLightSource_POINT: break;
            case aiLightSource_SPOT:
                warn("light \"" + name + "\" is a spot light: the player lights it as a point light");
                break;
            default:
                warn("light \"" + name + "\" is of a kind the player does not have (area or ambient): left out");
                return;
        }
        const aiNode* node = findNode(scene_.mRootNode, name);
        const Affine g = node ? evaluator_.global(node, evaluator_.animation().start) : Affine{};
        const Vec3 position = g.point(leftHanded(light.mPosition));
        const Vec3 direction =
            normalize(g.vector(playerForm_ ? Vec3{0, -1, 0} : leftHanded(light.mDirection)));
        Vec3 colour = {light.mColorDiffuse.r, light.mColorDiffuse.g, light.mColorDiffuse.b};
        double strength = std::max({colour.x, colour.y, colour.z});
        if (strength <= 0) strength = 1.0, colour = {1, 1, 1};
        out.colour = colour * (1.0 / strength);
        if (!out.directional) {
            // The glTF light falls off with the square of the distance; the file's own falloff is matched at the
            // model's size.
            const double d = radius();
            const double falloff = light.mAttenuationConstant + light.mAttenuationLinear * d +
                                   light.mAttenuationQuadratic * d * d;
            strength *= falloff > 0 ? d * d / falloff : 1.0;
        }
        out.intensity = strength;
        model_gltf::Node n;
        n.name = uniqueName(name.empty() ? "Light" : name);
        out.name = n.name;
        n.translation = position;
        n.rotation = out.directional ? pointing(direction) : Quat{};
        if (node && evaluator_.animatedInChain(node) > 0)
            warn("light \"" + name + "\" moves in the file: it stays where it is at the start");
        n.light = int(model_.lights.size());
        model_.lights.push_back(out);
        model_.nodes.push_back(std::move(n));
    }

    // The rotation that turns a directional light (shining along its node's -y axis) to `direction`.
    static Quat pointing(Vec3 direction) {
        const Vec3 up = normalize(direction * -1.0);
        const Vec3 helper = std::abs(up.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
        const Vec3 forward = normalize(cross(helper, up));
        const Vec3 right = cross(up, forward);
        return fromBasis(right, up, forward);
    }

    void addFramingLights() {
        const Vec3 c = centre();
        // A warm key from above, front and left, a cool fill from the right: directional, so the model's size
        // does not matter.
        struct Made { const char* name; Vec3 from; Vec3 colour; double intensity; };
        for (const Made& made : {Made{"Key", {-0.6, 1.0, -0.8}, {1.0, 0.95, 0.88}, 0.9},
                                 Made{"Fill", {0.8, 0.3, -0.4}, {0.7, 0.8, 1.0}, 0.35}}) {
            model_gltf::Light light;
            light.directional = true;
            light.colour = made.colour;
            light.intensity = made.intensity;
            model_gltf::Node n;
            n.name = uniqueName(made.name);
            light.name = n.name;
            n.translation = c;
            n.rotation = pointing(normalize(made.from * -1.0));
            n.light = int(model_.lights.size());
            model_.lights.push_back(light);
            model_.nodes.push_back(std::move(n));
        }
    }

    // A backdrop around the model and every camera (see model_framing.h); the cameras' far planes reach it.
    void addBackdrop() {
        const Vec3 c = centre();
        double reach = radius();
        for (const model_gltf::Node& node : model_.nodes) {
            if (node.camera < 0) continue;
            reach = std::max(reach, length(node.translation - c));
            for (const Vec3& t : node.keys.translations) reach = std::max(reach, length(t - c));
        }
        const double sphere = reach * 3.0;
        for (model_gltf::Camera& camera : model_.cameras) camera.far = std::max(camera.far, (reach + sphere) * 1.02);
        std::vector<std::uint8_t> png;
        std::string encodeError;
        if (!model_framing::backdropGradient(&png, &encodeError)) {
            warn("the backdrop's gradient cannot be encoded (" + encodeError + "): no backdrop");
            return;
        }
        model_gltf::Material material;
        material.name = "Backdrop";
        material.diffuse = {0, 0, 0, 1};
        material.specular = {0, 0, 0};
        material.emissiveTexture = placeTexture("backdrop.png", png);
        model_.materials.push_back(material);
        model_gltf::Mesh mesh = model_framing::backdropSphere(c, sphere);
        mesh.material = int(model_.materials.size()) - 1;
        model_gltf::Node node;
        node.name = uniqueName("Backdrop");
        node.mesh = int(model_.meshes.size());
        model_.meshes.push_back(std::move(mesh));
        model_.nodes.push_back(std::move(node));
    }

public:
    bool gltfSource_ = false;
    // A scene this tool wrote: already in the player's form, so what the player draws of it is the place to
    // keep (its vertices as the player stores them, its directional lights along their node's -y).
    bool playerForm_ = false;

private:
    const aiScene& scene_;
    const ModelImportOptions& options_;
    Evaluator evaluator_;
    std::string name_;
    fs::path modelFolder_, textureFolder_;
    Model model_;
    bool boundsSet_ = false;
    std::vector<Vec3> framingPoints_;  // every drawn vertex, where it is at the start
    std::set<std::string> usedNames_;
    std::map<std::string, std::string> writtenTextures_;
    std::vector<std::string> warnings_;
    std::vector<std::pair<std::string, std::vector<std::string>>> groups_;
    std::vector<std::string> textureFiles_;
    int embeddedCount_ = 0;
};

std::string formatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", seconds);
    return text;
}

}  // namespace

std::string sceneNameFor(const std::string& text) {
    std::string name;
    for (unsigned char c : text) {
        const char kept = std::isalnum(c) || c == '-' ? char(c) : '_';
        if (kept != '_' || (!name.empty() && name.back() != '_')) name += kept;  // one '_' for a run
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name.empty() ? "Model" : name;
}

bool importModel(const ModelImportOptions& options, ModelImportReport* report, std::string* error) {
    const fs::path show = utf8FilePath(options.showFolder);
    ShowManifest manifest;
    if (!readShowManifest(show, &manifest, error)) return false;

    Assimp::Importer importer;
    // The player's own reading, plus normals where the file has none (positions are the same either way).
    std::string failure;
    const aiScene* scene = readSceneFile(importer, options.modelPath, kSceneImportFlags | aiProcess_GenSmoothNormals,
                                         &failure);
    if (!scene || !scene->mRootNode) {
        *error = "cannot read " + options.modelPath + ": " + (failure.empty() ? importer.GetErrorString() : failure);
        return false;
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        *error = "cannot read " + options.modelPath + ": the importer found it incomplete";
        return false;
    }

    const std::string name = sceneNameFor(options.name.empty() ? utf8PathText(utf8FilePath(options.modelPath).stem()) : options.name);
    const fs::path textureFolder = show / utf8FilePath(manifest.textureFolder);
    fs::path modelFolder = utf8FilePath(options.modelPath).parent_path();
    if (modelFolder.empty()) modelFolder = ".";
    Builder builder(*scene, options, name, modelFolder, textureFolder);
    const std::string extension = lower(utf8PathText(utf8FilePath(options.modelPath).extension()));
    builder.gltfSource_ = extension == ".gltf" || extension == ".glb";
    aiString generator;
    builder.playerForm_ = scene->mMetaData && scene->mMetaData->Get(AI_METADATA_SOURCE_GENERATOR, generator) &&
                          std::string(generator.C_Str()).rfind("demo-import", 0) == 0;
    Model model = builder.build();
    if (model.meshes.empty()) {
        *error = options.modelPath + " has no triangles to draw";
        return false;
    }

    const std::string sceneFile = "resources/scenes/" + name + ".gltf";
    std::uint64_t bytes = 0;
    std::error_code ec;
    fs::create_directories(show / "resources" / "scenes", ec);
    fs::create_directories(textureFolder, ec);
    const std::string textureUri = utf8PathText(fs::relative(textureFolder, show / "resources" / "scenes", ec));
    if (!model_gltf::writeGltf(model, show / sceneFile, textureUri.empty() ? "../textures" : textureUri, &bytes, error))
        return false;
    for (const model_gltf::Image& image : model.images) {
        if (!writeFileBytes(utf8PathText(textureFolder / utf8FilePath(image.fileName)), image.bytes, error)) return false;
    }
    if (!addSceneToManifest(show, name, sceneFile, error)) return false;

    report->name = name;
    report->sceneFile = sceneFile;
    report->warnings = builder.warnings();
    for (const std::string& file : builder.textureFiles()) report->textureFiles.push_back(utf8PathText(utf8FilePath(manifest.textureFolder) / utf8FilePath(file)));
    report->meshes = model.meshes.size();
    for (const auto& mesh : model.meshes) {
        report->vertices += mesh.positions.size();
        report->triangles += mesh.triangles.size();
    }
    report->lights = model.lights.size();
    for (const auto& camera : model.cameras) report->cameras.push_back(camera.name);
    report->animationSeconds = model.animationEnd - model.animationStart;
    report->bytes = bytes;
    const std::string camera = report->cameras.empty() ? std::string() : report->cameras.front();
    std::string track = "<TimelineTrack label=\"" + name + "\" to=\"" +
                        formatSeconds(report->animationSeconds > 0 ? std::max(report->animationSeconds, 4.0) : 20.0) +
                        "\" scene=\"" + name + "\"";
    if (!camera.empty()) track += " camera=\"" + camera + "\"";
    // Sharp: the depth of field's default focus is the sample show's, not this model's.
    track += " start=\"0\" end=\"1\"><Effect type=\"DOF\"><Parameter name=\"aperture\"><Key value=\"0\" time=\"0\"/>"
             "</Parameter></Effect></TimelineTrack>";
    report->timelineTrack = track;
    return true;
}
