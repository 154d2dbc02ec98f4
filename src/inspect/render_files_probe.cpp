#include "inspect/render_files_probe.h"

#include <filesystem>
#include <stdexcept>

#include <fmt/format.h>

#include "platform/shader_compiler/hlsl_compiler.h"
#include "post/frame_renderer.h"
#include "render/texture.h"
#include "base/wide_text.h"
#include "platform/process/system_path.h"

namespace {

// The compiler's first error line; its first line when none says "error".
std::string firstError(const std::string& messages) {
    std::string first;
    std::size_t start = 0;
    while (start < messages.size()) {
        std::size_t end = messages.find('\n', start);
        if (end == std::string::npos) end = messages.size();
        const std::string line = messages.substr(start, end - start);
        if (first.empty()) first = line;
        if (line.find("error") != std::string::npos) return line;
        start = end + 1;
    }
    return first.empty() ? "no message" : first;
}

void checkMissingShaderKeys(ShowReport& report) {
    const ResourceManifest& manifest = report.manifest;
    // A manifest without any shader is not meant to be played; warning about each key would only bury the rest.
    if (manifest.PixelShader.empty() && manifest.VertexShader.empty()) return;
    std::vector<const char*> pixelKeys = {"DefaultEngine", PostLensDistort::kPassKey, PostColorCorrect::kPassKey,
                                          PostTextureOverlay::kPassKey};
    pixelKeys.insert(pixelKeys.end(), std::begin(PostDepthOfField::kPassKeys), std::end(PostDepthOfField::kPassKeys));
    pixelKeys.insert(pixelKeys.end(), std::begin(PostBloom::kPassKeys), std::end(PostBloom::kPassKeys));
    for (const char* key : pixelKeys) {
        if (!manifest.findPixelShader(key)) {
            report.warnings.push_back(
                fmt::format("the manifest has no PixelShader '{}': the player draws with that shader missing", key));
        }
    }
    for (const char* key : {"quad", "DefaultEngine"}) {
        if (!manifest.findVertexShader(key)) {
            report.warnings.push_back(
                fmt::format("the manifest has no VertexShader '{}': the player draws with that shader missing", key));
        }
    }
}

// Every shader compiles with entry point "main" and the shader model 5 profiles, as ShaderProgram compiles it.
void compileShaders(ShowReport& report, const char* tableName, const ResourceManifest::Table& table,
                    const char* profile) {
    for (const auto& [key, path] : table) {
        const std::string file = platform::systemPath(path);
        std::error_code ignored;
        if (file.empty() || !std::filesystem::is_regular_file(file, ignored)) continue;
        gpu::ShaderBytecode code;
        std::string messages;
        if (gpu::failed(shader_compiler::compileFromFile(file, "main", profile, &code, &messages))) {
            report.warnings.push_back(fmt::format("manifest {} '{}': '{}' does not compile: {}", tableName, key,
                                                  narrowToUtf8(path), firstError(messages)));
        }
    }
}

void checkImages(ShowReport& report) {
    // Only a show that names its texture directory is checked; a missing directory is warned about already.
    if (!report.manifest.findPath("textures")) return;
    // Decoded as the player decodes them; without a device nothing is uploaded.
    Texture texture;
    texture.directory = Texture::directoryFromManifest(report.manifest);
    std::error_code ignored;
    if (!texture.directory.empty() && !std::filesystem::is_directory(texture.directory, ignored)) return;
    for (const char* image :
         {FrameRenderer::kPreloadImage, FrameRenderer::kLogoImages[0], FrameRenderer::kLogoImages[1]}) {
        const std::string file = texture.directory + image;
        if (!std::filesystem::exists(file, ignored)) {
            report.warnings.push_back(
                fmt::format("image '{}' does not exist: the player stops before the first frame", file));
            continue;
        }
        try {
            texture.load(nullptr, image, true);
        } catch (const std::runtime_error&) {
            report.warnings.push_back(fmt::format("image '{}' cannot be decoded ({}): the player stops before the "
                                                  "first frame",
                                                  file, texture.decodeFailure));
        }
    }
}

}  // namespace

void probeRenderFiles(ShowReport& report) {
    checkMissingShaderKeys(report);
    compileShaders(report, "PixelShader", report.manifest.PixelShader, "ps_5_0");
    compileShaders(report, "VertexShader", report.manifest.VertexShader, "vs_5_0");
    checkImages(report);
}
