// Scenes: load time of the show's timeline scenes on one thread and on all of them, import time of a generated
// 100k-triangle scene, and milliseconds per frame of scene drawing (and of the whole frame) at 1280x720 on the
// headless device, with the heap allocations that scene drawing makes per frame. Run from the repository root or
// pass the show folder.
//   bench_scene_load [show-folder [rounds]]

#include <omp.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <epoxy/gl.h>

#include "bench_timing.h"
#include "base/demo_logger.h"
#include "support/allocation_counter.h"
#include "inspect/offline_renderer.h"
#include "audio/audio_manager.h"
#include "post/frame_renderer.h"
#include "post/timeline_scenes.h"
#include "render/graphics_context.h"
#include "resources/demo_timeline.h"
#include "base/wide_text.h"


namespace {

double loadAll(const std::vector<TimelineMarker>& markers, gpu::Device* device, int threads) {
    omp_set_num_threads(threads);
    SceneTable table;
    const auto start = Clock::now();
    preloadScenes(markers, ResourceManifest::instance(), device, table, *demoLogger());
    return millisecondsSince(start);
}

// A glTF grid of cells x cells quads (2 triangles each) with normals and texture coordinates.
std::string writeGrid(int cells) {
    std::vector<float> positions, normals, uvs;
    std::vector<std::uint32_t> indices;
    for (int j = 0; j <= cells; ++j) {
        for (int i = 0; i <= cells; ++i) {
            const float u = float(i) / cells, v = float(j) / cells;
            positions.insert(positions.end(), {u * 10.0f, 0.2f * std::sin(u * 20.0f) * std::cos(v * 17.0f), v * 10.0f});
            normals.insert(normals.end(), {0.0f, 1.0f, 0.0f});
            uvs.insert(uvs.end(), {u, v});
        }
    }
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const std::uint32_t a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "bench_scene_load";
    std::filesystem::create_directories(dir);
    std::ofstream bin(dir / "grid.bin", std::ios::binary);
    const auto write = [&](const void* data, std::size_t size) { bin.write(static_cast<const char*>(data), size); };
    write(positions.data(), positions.size() * 4);
    write(normals.data(), normals.size() * 4);
    write(uvs.data(), uvs.size() * 4);
    write(indices.data(), indices.size() * 4);
    bin.close();
    const std::size_t p = positions.size() * 4, n = normals.size() * 4, t = uvs.size() * 4, x = indices.size() * 4;
    const std::size_t vertices = positions.size() / 3;
    const auto s = [](std::size_t value) { return std::to_string(value); };
    std::ofstream(dir / "grid.gltf")
        << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"name":"Grid","mesh":0}],)"
        << R"("meshes":[{"primitives":[{"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},"indices":3}]}],)"
        << R"("buffers":[{"uri":"grid.bin","byteLength":)" << s(p + n + t + x) << "}],"
        << R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" << s(p) << "},"
        << R"({"buffer":0,"byteOffset":)" << s(p) << R"(,"byteLength":)" << s(n) << "},"
        << R"({"buffer":0,"byteOffset":)" << s(p + n) << R"(,"byteLength":)" << s(t) << "},"
        << R"({"buffer":0,"byteOffset":)" << s(p + n + t) << R"(,"byteLength":)" << s(x) << "}],"
        << R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" << s(vertices)
        << R"(,"type":"VEC3","min":[0,-0.2,0],"max":[10,0.2,10]},)"
        << R"({"bufferView":1,"componentType":5126,"count":)" << s(vertices) << R"(,"type":"VEC3"},)"
        << R"({"bufferView":2,"componentType":5126,"count":)" << s(vertices) << R"(,"type":"VEC2"},)"
        << R"({"bufferView":3,"componentType":5125,"count":)" << s(indices.size()) << R"(,"type":"SCALAR"}]})";
    return (dir / "grid.gltf").string();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string show = argc > 1 ? argv[1] : "show";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    if (chdir(show.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter the show folder '%s'\n", show.c_str());
        return 1;
    }
    const int processors = omp_get_num_procs();

    // --- loading the timeline's scenes ---
    GraphicsContext graphics;
    if (!graphics.createDevice(nullptr)) {
        std::fprintf(stderr, "no headless device\n");
        return 1;
    }
    const DemoTimeline timeline("resources/timeline.xml");
    const std::vector<TimelineMarker> markers = timeline.getMarkers();
    // The first load pays for the shader translations and the file cache, as the player's one load does.
    const double cold = loadAll(markers, graphics.device.get(), processors);
    std::vector<double> one, all;
    for (int i = 0; i < rounds; ++i) {
        one.push_back(loadAll(markers, graphics.device.get(), 1));
        all.push_back(loadAll(markers, graphics.device.get(), processors));
    }
    std::printf("timeline scenes (%zu markers): 1 thread %.1f ms, %d threads %.1f ms, ratio %.2f (fastest of %d; "
                "medians %.1f and %.1f ms)\n",
                markers.size(), fastest(one), processors, fastest(all), fastest(one) / fastest(all), rounds,
                median(one), median(all));
    std::printf("first load with cold caches, %d threads: %.1f ms\n", processors, cold);

    // --- a 100k-triangle scene ---
    const std::string grid = writeGrid(224);
    std::vector<double> imports;
    std::size_t triangles = 0;
    for (int i = 0; i < rounds; ++i) {
        Scene scene(graphics.device.get(), "Grid");
        const auto start = Clock::now();
        scene.load(widenUtf8(grid));
        imports.push_back(millisecondsSince(start));
        triangles = scene.meshes.empty() ? 0 : scene.meshes[0].indexCount / 3;
    }
    std::printf("import of %zu triangles: %.1f ms (median of %d)\n", triangles, median(imports), rounds);

    // --- drawing, at the middle of every marker ---
    OfflineRenderer offline;
    std::string error;
    if (!offline.open(1280, 720, &error)) {
        std::fprintf(stderr, "cannot open the show: %s\n", error.c_str());
        return 1;
    }
    FrameRenderer& renderer = *offline.frameRenderer();
    gpu::DeviceContext* context = offline.graphicsContext()->immediateContext;
    const int frames = 10;
    std::printf("%-18s %-8s %-12s %10s %10s %10s %12s\n", "marker", "scene", "camera", "clear ms", "scene ms",
                "frame ms", "allocs/draw");
    for (const TimelineMarker& marker : markers) {
        if (marker.scene.empty()) continue;
        const std::uint64_t middle = (std::uint64_t(marker.from) + marker.to) / 2;
        offline.audioManager()->setPosition(middle & ~std::uint64_t(3));
        Scene& scene = *renderer.scenes().at(marker.scene);
        const double time = markerAnimationTime(marker, scene.animationStart, scene.animationEnd,
                                                offline.audioManager()->getMarkerProgress());
        renderer.beginFrame();  // warm-up: programs compile at their first draw
        renderer.postProcess();
        glFinish();

        std::vector<double> clears, draws, whole;
        const float black[4] = {0, 0, 0, 1};
        for (int i = 0; i < frames; ++i) {
            auto start = Clock::now();
            context->ClearRenderTargetView(renderer.colourTarget(0).renderTargetView.get(), black);
            context->ClearDepthStencilView(renderer.frameDepthBuffer().depthStencilView.get(), gpu::CLEAR_DEPTH, 1.0f,
                                           0);
            glFinish();
            clears.push_back(millisecondsSince(start));
            start = Clock::now();
            renderer.beginFrame();
            glFinish();
            draws.push_back(millisecondsSince(start) - clears.back());
            start = Clock::now();
            renderer.beginFrame();
            renderer.postProcess();
            glFinish();
            whole.push_back(millisecondsSince(start));
        }
        std::size_t allocations = 0;
        for (int i = 0; i < frames; ++i) {
            renderer.beginFrame();  // the frame's targets and states, as the player draws the scene
            testing_support::AllocationCounter counter;
            scene.drawScene(context, time, marker.camera);
            allocations += counter.count();
        }
        glFinish();
        std::printf("%-18s %-8s %-12s %10.1f %10.1f %10.1f %12.1f\n", marker.label.c_str(), marker.scene.c_str(),
                    marker.camera.c_str(), median(clears), median(draws), median(whole),
                    double(allocations) / frames);
    }
    std::printf("(%s; scene ms = clear, bind and draw the scene minus the clear alone; frame ms adds the effect "
                "chain)\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    return 0;
}
