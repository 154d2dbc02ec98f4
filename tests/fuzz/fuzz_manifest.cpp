// The resource manifest with its paths: as the player reads it (every path normalised and turned into this
// system's spelling, as the loaders do), and as demo-import reads and edits it.
#include <cstdlib>

#include "base/wide_text.h"
#include "fuzz_support.h"
#include "inspect/show_manifest_edit.h"
#include "platform/process/system_path.h"
#include "render/texture.h"
#include "resources/resource_manifest.h"
#include "resources/resource_path.h"

namespace {

void usePaths(const ResourceManifest::Table& table) {
    for (const auto& [name, path] : table) {
        (void)platform::systemPath(path);
        try {
            const ResourcePath normalised(narrowToUtf8(path).c_str());
            // Normal form is a fixed point: reading it again changes nothing.
            if (ResourcePath(normalised.text().c_str()).text() != normalised.text()) std::abort();
        } catch (const ResourcePath::Exception&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool folders = std::filesystem::create_directories(fuzz::scratch() / "show" / "resources");
    (void)folders;
    const std::string path = fuzz::writeInput("show/resources/resources.xml", data, size);
    const ResourceManifest manifest(path);
    usePaths(manifest.Paths);
    usePaths(manifest.PixelShader);
    usePaths(manifest.VertexShader);
    usePaths(manifest.Scenes);
    (void)Texture::directoryFromManifest(manifest);

    ShowManifest show;
    std::string error;
    if (readShowManifest(fuzz::scratch() / "show", &show, &error))
        (void)addSceneToManifest(fuzz::scratch() / "show", "Fuzzed", "scenes/fuzzed.gltf", &error);
    return 0;
}
