// Scene files through the scene loader: the importer, then the player's own code after it (meshes, materials
// and their textures, animation channels, cameras, the node tree) on a headless device, and a few frames
// prepared and drawn at times drawn from the input.
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "base/wide_text.h"
#include "fuzz_headless_gpu.h"
#include "fuzz_support.h"
#include "render/scene.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::headlessGpu();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::writeInput("scene" + fuzz::sceneExtension(data, size), data, size);
    fuzz::HeadlessGpu& gpu = fuzz::headlessGpu();
    auto scene = std::make_unique<Scene>(gpu.device.get(), "Fuzzed");
    try {
        if (!scene->load(widenUtf8(path))) return 0;
    } catch (const std::runtime_error&) {
        return 0;  // an undecodable texture: the loader's own failure
    }
    fuzz::Draws draws(data, size);
    const std::string camera = scene->cameras.empty() ? "Camera" : scene->cameras.front().name;
    for (int i = 0; i < 3; ++i) {
        const double time = (scene->animationEnd - scene->animationStart) * draws.unit() * 1.5;
        scene->prepareFrame(time, camera, 16.0f / 9.0f);
        scene->drawScene(gpu.context, time, camera);
    }
    return 0;
}
