// demo-import's pipeline: a model file read by the importer, written into a show as a glTF scene with its
// textures and manifest entry, and that scene read back with the player's scene loader.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "base/wide_text.h"
#include "fuzz_headless_gpu.h"
#include "fuzz_support.h"
#include "inspect/model_import.h"
#include "render/scene.h"

namespace {

constexpr const char* kManifest = R"(<?xml version="1.0"?>
<Resources>
  <Paths><Path name="textures" path="resources/textures"/></Paths>
  <Scenes/>
</Resources>
)";

void writeManifest() {
    fuzz::writeInput("show/resources/resources.xml", reinterpret_cast<const std::uint8_t*>(kManifest),
                     std::char_traits<char>::length(kManifest));
}

}  // namespace

// The show is the working directory, as for demo-import and the player: the scene loader finds the textures
// through the manifest there.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::create_directories(fuzz::scratch() / "show" / "resources");
    writeManifest();
    std::filesystem::current_path(fuzz::scratch() / "show");
    (void)ResourceManifest::instance();
    fuzz::headlessGpu();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto show = fuzz::scratch() / "show";
    std::filesystem::remove_all(show / "resources" / "scenes");
    std::filesystem::remove_all(show / "resources" / "textures");
    writeManifest();
    ModelImportOptions options;
    options.modelPath = fuzz::writeInput("model" + fuzz::sceneExtension(data, size), data, size);
    options.name = "Fuzzed";
    options.showFolder = show.string();
    fuzz::Draws draws(data, size);
    options.camera = ModelImportOptions::Camera(draws.next() % 4);
    if (draws.next() % 4 == 0) options.poseSeconds = draws.unit() * 10.0;
    ModelImportReport report;
    std::string error;
    if (!importModel(options, &report, &error)) return 0;

    // What was written must read back: the scene loader takes it, with every mesh the import counted.
    auto scene = std::make_unique<Scene>(fuzz::headlessGpu().device.get(), "Fuzzed");
    try {
        if (!scene->load(widenUtf8((show / report.sceneFile).string()))) std::abort();
    } catch (const std::runtime_error&) {
        // A texture the model named, copied as it was, that does not decode: the loader's own failure.
    }
    return 0;
}
