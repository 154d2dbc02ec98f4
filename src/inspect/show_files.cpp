#include "inspect/show_files.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <fmt/format.h>

#include "base/utf8_files.h"
#include "base/wide_text.h"
#include "platform/process/system_path.h"
#include "platform/shader_compiler/source_files.h"
#include "post/frame_renderer.h"
#include "render/scene.h"
#include "render/texture.h"
#include "resources/demo_timeline.h"
#include "resources/resource_path.h"

namespace {

// The material slots Scene reads, in its order (render/scene_materials.cpp).
constexpr aiTextureType kSlotTypes[] = {aiTextureType_LIGHTMAP, aiTextureType_DIFFUSE,    aiTextureType_NORMALS,
                                        aiTextureType_SPECULAR, aiTextureType_REFLECTION, aiTextureType_OPACITY,
                                        aiTextureType_EMISSIVE};
static_assert(std::size(kSlotTypes) == kTextureSlotCount);

// The importer's file system, noting every file it opens.
class RecordingIOSystem : public Assimp::DefaultIOSystem {
public:
    explicit RecordingIOSystem(std::vector<std::string>* opened) : opened(opened) {}
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        Assimp::IOStream* stream = Assimp::DefaultIOSystem::Open(file, mode);
        if (stream && file) opened->push_back(file);
        return stream;
    }

private:
    std::vector<std::string>* opened;
};

std::string baseName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

class Collector {
public:
    // A file the show uses, as the player opens it (relative to the show's folder, "/" or "\" between steps). A
    // show file that names an absolute path would still name it in the packed folder; a path the importer made
    // absolute itself is taken relative to the show's folder.
    void add(const std::string& path, const std::string& user, bool importerPath = false) {
        std::error_code error;
        std::filesystem::path file = utf8FilePath(platform::systemPath(path));
        if (file.is_absolute() && importerPath)
            file = std::filesystem::proximate(file, std::filesystem::current_path(error), error);
        file = file.lexically_normal();
        const std::string text = utf8PathText(file);
        if (file.empty() || file.is_absolute() || text == ".." || text.rfind("../", 0) == 0) {
            result.problems.push_back(fmt::format("{}: '{}' is an absolute path or leads out of the show's folder, so it "
                                                  "cannot be packed under the same path",
                                                  user, path));
        } else if (!std::filesystem::is_regular_file(file, error)) {
            result.problems.push_back(fmt::format("{}: file '{}' does not exist", user, text));
        } else {
            seen.insert(text);
        }
    }

    ShowFiles finish() {
        result.files.assign(seen.begin(), seen.end());
        return std::move(result);
    }

private:
    std::set<std::string> seen;
    ShowFiles result;
};

// The scene file, what the importer opens for it, and the images its materials name that the player reads from
// the texture folder (as Texture::load finds them: the name, else its base name there).
void addScene(Collector& files, const std::string& key, const std::u16string& path, const std::string& textureFolder) {
    const std::string file = platform::systemPath(narrowToUtf8(path));
    const std::string user = fmt::format("scene '{}'", key);
    std::vector<std::string> opened;
    Assimp::Importer importer;
    importer.SetIOHandler(new RecordingIOSystem(&opened));
    const aiScene* scene = importer.ReadFile(file.c_str(), kSceneImportFlags);
    files.add(file, user);
    for (const std::string& dependency : opened) files.add(dependency, user, true);
    if (!scene) return;  // the linter says that it cannot be imported
    std::set<std::string> names;
    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        for (const aiTextureType type : kSlotTypes) {
            aiString name;
            if (aiGetMaterialString(scene->mMaterials[m], "$tex.file", type, 0, &name) != aiReturn_SUCCESS) continue;
            if (name.length == 0 || scene->GetEmbeddedTexture(name.C_Str())) continue;
            names.insert(name.C_Str());
        }
    }
    for (const std::string& name : names) {
        std::error_code error;
        const std::string direct = platform::systemPath(textureFolder + name);
        const std::string beside = platform::systemPath(textureFolder + baseName(name));
        const bool direct_exists = std::filesystem::exists(direct, error);
        files.add(!direct_exists && std::filesystem::is_regular_file(beside, error) ? beside : direct,
                  fmt::format("{}: texture '{}'", user, name));
    }
}

}  // namespace

ShowFiles listShowFiles(const ShowReport& report) {
    Collector files;
    files.add(ResourcePath(ResourceManifest::kFile).text(), "the manifest");
    files.add(ResourcePath(kTimelineFile).text(), "the timeline");
    const ResourceManifest& manifest = report.manifest;
    for (const auto& [key, path] : manifest.Paths) {
        // A path may name a folder (the textures'): its files are packed as they are used.
        std::error_code error;
        const std::string file = platform::systemPath(narrowToUtf8(path));
        if (!file.empty() && std::filesystem::is_directory(utf8FilePath(file), error)) continue;
        files.add(file, fmt::format("manifest Paths '{}'", key));
    }
    for (const ResourceManifest::Table* table : {&manifest.PixelShader, &manifest.VertexShader}) {
        for (const auto& [key, path] : *table) {
            const std::string file = platform::systemPath(narrowToUtf8(path));
            const std::string user = fmt::format("shader '{}'", key);
            files.add(file, user);
            for (const std::string& included : shader_compiler::includedFiles(file)) files.add(included, user);
        }
    }
    const std::string textureFolder = Texture::directoryFromManifest(manifest);
    // Every scene of the manifest, not only the timeline's: the packed manifest names them all.
    for (const auto& [key, path] : manifest.Scenes) addScene(files, key, path, textureFolder);
    for (const char* image : {FrameRenderer::kPreloadImage, FrameRenderer::kLogoImages[0], FrameRenderer::kLogoImages[1]})
        files.add(textureFolder + image, fmt::format("image '{}'", image));
    return files.finish();
}

std::vector<std::string> releaseBlockers(const std::vector<std::string>& warnings) {
    // Phrases of the linter's messages for what stops or breaks the show; the rest (gaps, unknown parameters,
    // cameras without keys) are advice and do not keep a show from the party.
    static const char* const kFatal[] = {
        "does not exist",          "does not compile",       "cannot be decoded", "(the player would stop)",
        "cannot be imported",      "has an empty path",      "has no markers",    "is not in the manifest's Scenes",
        "has no Paths entry",      "the music track",        "that shader missing",
    };
    std::vector<std::string> blockers;
    for (const std::string& warning : warnings) {
        for (const char* phrase : kFatal) {
            if (warning.find(phrase) != std::string::npos) {
                blockers.push_back(warning);
                break;
            }
        }
    }
    return blockers;
}
