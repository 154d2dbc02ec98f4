// The sample show at 1280x720 on the headless device, in one run: time from start to the first frame through the
// engine thread's own steps, the timeline's scenes loaded on one and on all threads, scene and post-processing
// time per frame over frames spread across the whole music, and peak memory. glFinish closes every timed step.
// Run from the show's folder or pass it (default: the working directory when it holds resources/, else show/).
//   bench_show [show-folder [frames]]

#include <omp.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <epoxy/gl.h>

#include "bench_noop_driver.h"
#include "bench_show_folder.h"
#include "bench_timing.h"
#include "app/demo.h"
#include "base/demo_logger.h"
#include "base/wide_text.h"
#include "audio/audio_manager.h"
#include "post/effect_registry.h"
#include "platform/sound/sound_decoder.h"
#include "post/frame_renderer.h"
#include "post/timeline_scenes.h"
#include "render/graphics_context.h"
#include "resources/resource_manifest.h"

namespace {

constexpr std::uint32_t kWidth = 1280, kHeight = 720;

// The value below which `fraction` of the values lie (nearest rank).
double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * double(values.size())));
    return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
}

// CPU time of the calling thread: on the no-op driver, what the engine itself costs a frame.
double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Steps of the engine's set-up, timed one by one.
struct StartSteps {
    double showFiles = 0, device = 0, music = 0, resources = 0, scenes = 0, firstFrame = 0;
    double total() const { return showFiles + device + music + resources + scenes + firstFrame; }
};

}  // namespace

int main(int argc, char** argv) {
    if (!enterShow(argc, argv, "bench_show [show-folder [frames]]")) return 1;
    const int frames = argc > 2 ? std::max(2, std::atoi(argv[2])) : 120;
    StartSteps start;

    // --- start to first frame: the main thread's reads, then the engine thread's set-up in its order ---
    auto step = Clock::now();
    const ResourceManifest& manifest = ResourceManifest::instance();
    if (!manifest.loadError().empty()) {
        std::fprintf(stderr, "cannot read the manifest: %s\n", manifest.loadError().c_str());
        return 1;
    }
    auto demo = std::make_unique<Demo>();
    ResourceHandle<DemoTimeline> timeline = demo->factories.acquire<DemoTimeline>(demo->timelinePath);
    start.showFiles = millisecondsSince(step);

    step = Clock::now();
    // As the player does: the music decodes while the device is made.
    if (const std::u16string* music = manifest.findPath("audioTrack")) sound::prefetchAudioFile(narrowToUtf8(*music));
    auto graphics = std::make_unique<GraphicsContext>();
    if (!graphics->createDevice(nullptr) || !graphics->createOffscreenBackBuffer(kWidth, kHeight)) {
        std::fprintf(stderr, "no headless device\n");
        return 1;
    }
    gpu::Viewport viewport{0.0f, 0.0f, float(kWidth), float(kHeight), 0.0f, 1.0f};
    graphics->immediateContext->RSSetViewports(1, &viewport);
    glFinish();
    start.device = millisecondsSince(step);

    step = Clock::now();
    auto audio = std::make_unique<AudioManager>(sound::kNoSoundDevice);
    audio->setTimeline(timeline);
    const std::u16string* track = manifest.findPath("audioTrack");
    if (!track || !audio->readAudioFile(*track)) {
        std::fprintf(stderr, "cannot read the music track\n");
        return 1;
    }
    start.music = millisecondsSince(step);

    EffectRegistry effects;
    auto renderer = std::make_unique<FrameRenderer>(graphics.get(), audio.get(), timeline, FrameSize{kWidth, kHeight});
    renderer->setEffects(&effects);
    step = Clock::now();
    renderer->loadResources();
    glFinish();
    start.resources = millisecondsSince(step);

    step = Clock::now();
    renderer->loadTimelineScenes();
    glFinish();
    start.scenes = millisecondsSince(step);

    step = Clock::now();
    audio->setPosition(0);
    renderer->beginFrame();
    renderer->postProcess();
    glFinish();
    start.firstFrame = millisecondsSince(step);

    const int processors = omp_get_num_procs();
    const std::string rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("Sample show at %ux%u on %s, %d processors (a machine shared with other work: figures vary)\n",
                kWidth, kHeight, reinterpret_cast<const char*>(glGetString(GL_RENDERER)), processors);
    std::printf("start to first frame       %8.1f ms\n", start.total());
    std::printf("  manifest and timeline    %8.1f ms\n", start.showFiles);
    std::printf("  device                   %8.1f ms\n", start.device);
    std::printf("  music track              %8.1f ms\n", start.music);
    std::printf("  renderer resources       %8.1f ms  (targets, effects, shaders, preloader, logos)\n",
                start.resources);
    std::printf("  timeline scenes          %8.1f ms  (%d threads, first load: the scene shader is translated here)\n",
                start.scenes, processors);
    std::printf("  first frame              %8.1f ms  (scene and effect chain)\n", start.firstFrame);

    // --- frames spread evenly over the whole music ---
    const AudioManagerInterface* channel = audio->getAudio();
    const std::uint64_t length = channel->getLength();
    std::vector<double> scene, post, whole, wholeCpu;
    for (int i = 0; i < frames; ++i) {
        const auto position = static_cast<std::uint64_t>((i + 0.5) / frames * double(length)) & ~std::uint64_t(3);
        audio->setPosition(position);
        step = Clock::now();
        const double cpuStart = threadCpuMilliseconds();
        const bool drawn = renderer->beginFrame();
        glFinish();
        scene.push_back(millisecondsSince(step));
        const auto postStart = Clock::now();
        renderer->postProcess();
        glFinish();
        post.push_back(millisecondsSince(postStart));
        whole.push_back(millisecondsSince(step));
        wholeCpu.push_back(threadCpuMilliseconds() - cpuStart);
        if (!drawn) {
            std::fprintf(stderr, "the scene at byte %llu is not loaded\n", static_cast<unsigned long long>(position));
            return 1;
        }
    }
    std::printf("frames over %.1f s of music (%d)  median   95th pct\n", channel->bytesToSeconds(length), frames);
    std::printf("  scene (beginFrame)       %8.2f %8.2f ms\n", percentile(scene, 0.5), percentile(scene, 0.95));
    std::printf("  post (postProcess)       %8.2f %8.2f ms\n", percentile(post, 0.5), percentile(post, 0.95));
    std::printf("  whole frame              %8.2f %8.2f ms\n", percentile(whole, 0.5), percentile(whole, 0.95));
    std::printf("  whole frame, CPU time    %8.2f %8.2f ms  (this thread: the engine's own cost%s)\n",
                percentile(wholeCpu, 0.5), percentile(wholeCpu, 0.95),
                onNoopDriver() ? ", the driver drawing nothing" : ", the software driver's work included");
    std::printf("peak memory (ru_maxrss)    %8.1f MB  (after the frames; the loads below add copies)\n",
                peakMegabytes());

    // --- the timeline's scenes again, warm caches, on one and on all threads ---
    const std::vector<TimelineMarker> markers = timeline->getMarkers();
    const auto loadAll = [&](int threads) {
        omp_set_num_threads(threads);
        SceneTable table;
        const auto begin = Clock::now();
        preloadScenes(markers, manifest, graphics->device.get(), table, *demoLogger());
        glFinish();
        return millisecondsSince(begin);
    };
    std::vector<double> one, all;
    for (int round = 0; round < 3; ++round) {
        one.push_back(loadAll(1));
        all.push_back(loadAll(processors));
    }
    std::printf("timeline scenes (%zu markers), fastest of 3, warm caches: 1 thread %.1f ms, %d threads %.1f ms\n",
                markers.size(), *std::min_element(one.begin(), one.end()), processors,
                *std::min_element(all.begin(), all.end()));

    // GPU objects go before the device that made them.
    renderer.reset();
    graphics.reset();
    return runAgainOnNoopDriver(argv, rendererName.c_str());
}
