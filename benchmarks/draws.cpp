// Draw-call cost of the scene pass: a grid of N small meshes, each on its own node, drawn on Mesa's no-op driver
// (every GL call made, nothing drawn), so the time is the engine's own. For 100, 1,000 and 5,000 meshes, pinned
// to one core: the engine's time a frame (clear + scene draws) and per draw, beside the same frame as plain GL
// calls (per mesh: a 208-byte buffer upload, a vertex-array bind, an indexed draw) in the same run, as a ratio;
// the GL calls the engine makes per draw; and the peak memory of the 5,000-mesh scene. Then, on two cores (where
// the driver's thread runs beside the engine), the 95th percentile of the 5,000-mesh frame against its median.
// Run from the repository root or pass the show folder.
//   bench_draws [show-folder [rounds]]

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include "base/wide_text.h"
#include "bench_timing.h"
#include "render/depth_buffer.h"
#include "render/depth_states.h"
#include "render/frame_targets.h"
#include "render/graphics_context.h"
#include "render/render_target.h"
#include "render/scene.h"

namespace {

// ---- counting GL calls: libepoxy calls through writable function pointers, which are wrapped here ----

std::uint64_t glCalls = 0;

template <auto* Slot, typename Function>
struct Counted;
template <auto* Slot, typename R, typename... A>
struct Counted<Slot, R (*)(A...)> {
    static inline R (*original)(A...) = nullptr;
    static R call(A... arguments) {
        ++glCalls;
        return original(arguments...);
    }
    // The driver's own entry point: epoxy's lazy stubs call through the pointer they would have replaced.
    static void install(const char* name) {
        if (*Slot == &call) return;
        original = reinterpret_cast<R (*)(A...)>(eglGetProcAddress(name));
        if (original) *Slot = &call;
    }
};
#define COUNT_GL(name) Counted<&epoxy_##name, decltype(epoxy_##name)>::install(#name)

// Every GL call the device context can make while drawing a frame.
void countGlCalls() {
    COUNT_GL(glBindBuffer);
    COUNT_GL(glBindBufferBase);
    COUNT_GL(glBindBufferRange);
    COUNT_GL(glBindBuffersRange);
    COUNT_GL(glBindFramebuffer);
    COUNT_GL(glBindProgramPipeline);
    COUNT_GL(glBindSampler);
    COUNT_GL(glBindTextureUnit);
    COUNT_GL(glBindVertexArray);
    COUNT_GL(glBindVertexBuffer);
    COUNT_GL(glBlendColor);
    COUNT_GL(glBlendEquationSeparatei);
    COUNT_GL(glBlendFuncSeparatei);
    COUNT_GL(glClearNamedFramebufferfi);
    COUNT_GL(glClearNamedFramebufferfv);
    COUNT_GL(glClientWaitSync);
    COUNT_GL(glColorMaski);
    COUNT_GL(glCullFace);
    COUNT_GL(glDeleteSync);
    COUNT_GL(glDepthFunc);
    COUNT_GL(glDepthMask);
    COUNT_GL(glDepthRangeIndexed);
    COUNT_GL(glDisable);
    COUNT_GL(glDisablei);
    COUNT_GL(glDrawElementsBaseVertex);
    COUNT_GL(glDrawElements);
    COUNT_GL(glEnable);
    COUNT_GL(glEnablei);
    COUNT_GL(glFenceSync);
    COUNT_GL(glFlushMappedNamedBufferRange);
    COUNT_GL(glFrontFace);
    COUNT_GL(glMapNamedBufferRange);
    COUNT_GL(glNamedBufferData);
    COUNT_GL(glNamedBufferSubData);
    COUNT_GL(glPolygonMode);
    COUNT_GL(glPolygonOffset);
    COUNT_GL(glSampleMaski);
    COUNT_GL(glScissorIndexed);
    COUNT_GL(glStencilFuncSeparate);
    COUNT_GL(glStencilMask);
    COUNT_GL(glStencilOpSeparate);
    COUNT_GL(glUnmapNamedBuffer);
    COUNT_GL(glUseProgram);
    COUNT_GL(glUseProgramStages);
    COUNT_GL(glVertexArrayElementBuffer);
    COUNT_GL(glVertexArrayVertexBuffer);
    COUNT_GL(glViewportIndexedf);
}

// ---- the scene: a glTF grid of small boxes, each its own mesh on its own node ----

// The boxes sit at different places in the vertex data itself, so the importer sees no instances to merge.
std::string writeGrid(int meshes) {
    static const float kCorners[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    static const std::uint32_t kFaces[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                               {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    static const float kNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}};
    std::vector<float> positions, normals;
    std::vector<std::uint32_t> indices;
    const int side = 1;
    for (int face = 0; face < 6; ++face) {
        for (int corner = 0; corner < 4; ++corner) normals.insert(normals.end(), kNormals[face], kNormals[face] + 3);
        const std::uint32_t base = face * 4;
        indices.insert(indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    }
    const int columns = 100;
    for (int m = 0; m < meshes; ++m) {
        const float x = float(m % columns) * 2.0f, z = float(m / columns) * 2.0f;
        for (int face = 0; face < 6; ++face) {
            for (std::uint32_t corner : kFaces[face]) {
                positions.insert(positions.end(), {x + kCorners[corner][0] * side, kCorners[corner][1] * side,
                                                   z + kCorners[corner][2] * side});
            }
        }
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "bench_draws";
    std::filesystem::create_directories(dir);
    const std::string name = "grid" + std::to_string(meshes);
    std::ofstream bin(dir / (name + ".bin"), std::ios::binary);
    const auto write = [&](const void* data, std::size_t size) { bin.write(static_cast<const char*>(data), size); };
    write(indices.data(), indices.size() * 4);
    write(normals.data(), normals.size() * 4);
    write(positions.data(), positions.size() * 4);
    bin.close();
    const std::size_t x = indices.size() * 4, n = normals.size() * 4, p = positions.size() * 4, box = 24 * 12;
    const auto s = [](std::size_t value) { return std::to_string(value); };
    std::ofstream gltf(dir / (name + ".gltf"));
    gltf << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[)";
    for (int m = 0; m < meshes; ++m) gltf << (m ? "," : "") << m;
    gltf << R"(]}],"nodes":[)";
    for (int m = 0; m < meshes; ++m) gltf << (m ? "," : "") << R"({"name":"Box)" << m << R"(","mesh":)" << m << "}";
    gltf << R"(],"meshes":[)";
    for (int m = 0; m < meshes; ++m) {
        gltf << (m ? "," : "") << R"({"primitives":[{"attributes":{"POSITION":)" << m + 2
             << R"(,"NORMAL":1},"indices":0}]})";
    }
    gltf << R"(],"buffers":[{"uri":")" << name << R"(.bin","byteLength":)" << s(x + n + p) << "}],"
         << R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" << s(x) << "},"
         << R"({"buffer":0,"byteOffset":)" << s(x) << R"(,"byteLength":)" << s(n) << "},"
         << R"({"buffer":0,"byteOffset":)" << s(x + n) << R"(,"byteLength":)" << s(p) << "}],"
         << R"("accessors":[{"bufferView":0,"componentType":5125,"count":36,"type":"SCALAR"},)"
         << R"({"bufferView":1,"componentType":5126,"count":24,"type":"VEC3"})";
    for (int m = 0; m < meshes; ++m) {
        const float x0 = float(m % columns) * 2.0f, z0 = float(m / columns) * 2.0f;
        gltf << R"(,{"bufferView":2,"byteOffset":)" << s(m * box) << R"(,"componentType":5126,"count":24,)"
             << R"("type":"VEC3","min":[)" << x0 << ",0," << z0 << "],\"max\":[" << x0 + side << "," << side << ","
             << z0 + side << "]}";
    }
    gltf << "]}";
    return (dir / (name + ".gltf")).string();
}

long residentKilobytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The scene pass's frame as the frame renderer begins it: default rasterizer, depth test, clears, targets, draws.
struct Frame {
    gpu::DeviceContext* context;
    RenderTarget colour;
    DepthBuffer depth;
    DepthStencilStates states;

    void draw(Scene& scene) const {
        context->RSSetState(nullptr);
        context->OMSetDepthStencilState(states.depthLessState.get(), 0);
        context->ClearRenderTargetView(colour.renderTargetView.get(), kClearColour);
        context->ClearDepthStencilView(depth.depthStencilView.get(), gpu::CLEAR_DEPTH, 1.0f, 0);
        gpu::RenderTargetView* targets[1] = {colour.renderTargetView.get()};
        context->OMSetRenderTargets(1, targets, depth.depthStencilView.get());
        scene.drawScene(context, 0.0, "");
    }
};

// The floor: the same frame as plain GL calls, one vertex array per mesh made here.
struct PlainFrame {
    GLuint uniforms = 0;
    std::vector<GLuint> arrays;
    std::vector<GLsizei> counts;
    std::vector<std::uintptr_t> indexOffsets;
    ObjectBlock block{};

    explicit PlainFrame(const Scene& scene) {
        glCreateBuffers(1, &uniforms);
        glNamedBufferStorage(uniforms, sizeof(ObjectBlock), nullptr, GL_DYNAMIC_STORAGE_BIT);
        for (const Mesh& mesh : scene.meshes) {
            GLuint vao = 0;
            glCreateVertexArrays(1, &vao);
            for (GLuint location = 0; location < 5; ++location) {
                glEnableVertexArrayAttrib(vao, location);
                glVertexArrayAttribFormat(vao, location, location == 4 ? 2 : 3, GL_FLOAT, GL_FALSE, location * 12);
                glVertexArrayAttribBinding(vao, location, 0);
            }
            glVertexArrayVertexBuffer(vao, 0, mesh.vertexBuffer->glName(), mesh.vertexBuffer->glOffset(),
                                      sizeof(MeshVertex));
            glVertexArrayElementBuffer(vao, mesh.indexBuffer->glName());
            arrays.push_back(vao);
            indexOffsets.push_back(mesh.indexBuffer->glOffset());
            counts.push_back(static_cast<GLsizei>(mesh.indexCount));
        }
    }
    ~PlainFrame() {
        glDeleteVertexArrays(static_cast<GLsizei>(arrays.size()), arrays.data());
        glDeleteBuffers(1, &uniforms);
    }
    // Runs with the engine's framebuffer and programs still bound from its last frame.
    void draw() {
        const float white[4] = {1, 1, 1, 1};
        glClearBufferfv(GL_COLOR, 0, white);
        glClearBufferfi(GL_DEPTH_STENCIL, 0, 1.0f, 0);
        glBindBufferBase(GL_UNIFORM_BUFFER, gpu::uniformBinding(gpu::ShaderStage::Vertex, 0), uniforms);
        glBindBufferBase(GL_UNIFORM_BUFFER, gpu::uniformBinding(gpu::ShaderStage::Pixel, 0), uniforms);
        for (std::size_t i = 0; i < arrays.size(); ++i) {
            block.one = float(i);
            glNamedBufferSubData(uniforms, 0, sizeof(block), &block);
            glBindVertexArray(arrays[i]);
            glDrawElements(GL_TRIANGLES, counts[i], GL_UNSIGNED_INT, reinterpret_cast<const void*>(indexOffsets[i]));
        }
    }
};

// CPU time of the whole process (engine and driver threads): what a frame costs, whatever else the machine runs.
double cpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec * 1e-6;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(fraction * values.size()))];
}

bool pinToCores(int cores) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof(allowed), &allowed) != 0) return false;
    cpu_set_t chosen;
    CPU_ZERO(&chosen);
    int taken = 0;
    for (int cpu = 0; cpu < CPU_SETSIZE && taken < cores; ++cpu) {
        if (CPU_ISSET(cpu, &allowed)) {
            CPU_SET(cpu, &chosen);
            ++taken;
        }
    }
    return taken == cores && sched_setaffinity(0, sizeof(chosen), &chosen) == 0;
}

// One process per core count: the driver's threads inherit the affinity when the context is made.
int run(int cores, int rounds) {
    if (!pinToCores(cores)) {
        std::printf("cannot run on %d core(s)\n", cores);
        return 1;
    }
    GraphicsContext graphics;
    if (!graphics.createDevice(nullptr)) {
        std::fprintf(stderr, "no headless device\n");
        return 1;
    }
    Frame frame{graphics.immediateContext, {}, {}, {}};
    gpu::Device* device = graphics.device.get();
    frame.colour.create(device, 320, 180, gpu::Format::R8G8B8A8_UNORM_SRGB, 1, 1, 0, false, false, 1);
    frame.depth.create(device, 320, 180, gpu::Format::D24_UNORM_S8_UINT, true, 1, 0, 1);
    frame.states.create(device);
    const gpu::Viewport viewport = fullViewport(320, 180);
    frame.context->RSSetViewports(1, &viewport);
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));

    if (cores == 1) {
        std::printf("one core (%s), process CPU time, median of %d rounds of 20 frames:\n", renderer, rounds);
        std::printf("%7s %12s %11s %12s %11s %7s %11s\n", "meshes", "engine ms", "engine us/d", "plain GL ms",
                    "plain us/d", "ratio", "GL calls/d");
    }
    const std::vector<int> counts = cores == 1 ? std::vector<int>{100, 1000, 5000} : std::vector<int>{5000};
    long before5000 = 0, loaded5000 = 0;
    for (int meshes : counts) {
        const std::string path = writeGrid(meshes);
        const long residentBefore = residentKilobytes();
        Scene scene(device, "Grid");
        if (!scene.load(widenUtf8(path)) || scene.meshes.size() != std::size_t(meshes)) {
            std::printf("the grid of %d loaded as %zu meshes\n", meshes, scene.meshes.size());
            return 1;
        }
        if (meshes == 5000) {
            before5000 = residentBefore;
            loaded5000 = residentKilobytes();
        }
        PlainFrame plain(scene);
        for (int i = 0; i < 3; ++i) frame.draw(scene);  // warm-up: programs, framebuffers, vertex arrays
        frame.context->Flush();

        const int frames = 20;
        std::vector<double> engine, floor, all, allCpu;
        for (int round = 0; round < (cores == 1 ? rounds : 1); ++round) {
            std::vector<double> e, f;
            for (int i = 0; i < (cores == 1 ? frames : 400); ++i) {
                const auto start = Clock::now();
                const double cpuStart = cpuMilliseconds();
                frame.draw(scene);
                e.push_back(cpuMilliseconds() - cpuStart);
                all.push_back(millisecondsSince(start));
                allCpu.push_back(e.back());
                frame.context->Flush();
            }
            for (int i = 0; cores == 1 && i < frames; ++i) {
                const double cpuStart = cpuMilliseconds();
                plain.draw();
                f.push_back(cpuMilliseconds() - cpuStart);
                glFlush();
            }
            frame.context->invalidateGlState();
            engine.push_back(median(e));
            if (!f.empty()) floor.push_back(median(f));
        }
        if (cores == 2) {
            const double middle = median(all), p95 = percentile(all, 0.95);
            const double cpuMiddle = median(allCpu), cpuP95 = percentile(allCpu, 0.95);
            std::printf("two cores (%s), %d meshes, %zu frames: wall median %.3f ms, 95th percentile %.3f ms (%.2fx), "
                        "worst %.3f ms; CPU median %.3f ms, 95th percentile %.3f ms (%.2fx)\n",
                        renderer, meshes, all.size(), middle, p95, p95 / middle, percentile(all, 1.0), cpuMiddle,
                        cpuP95, cpuP95 / cpuMiddle);
            continue;
        }
        glCalls = 0;
        countGlCalls();
        frame.draw(scene);
        const double calls = double(glCalls) / meshes;
        frame.context->Flush();
        const double e = median(engine), f = median(floor);
        std::printf("%7d %12.3f %11.3f %12.3f %11.3f %7.2f %11.2f\n", meshes, e, 1000.0 * e / meshes, f,
                    1000.0 * f / meshes, e / f, calls);
    }
    if (cores == 1) {
        std::printf("5,000-mesh scene: resident %.1f MB after loading (+%.1f MB), peak %.1f MB\n",
                    loaded5000 / 1024.0, (loaded5000 - before5000) / 1024.0, peakKilobytes() / 1024.0);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string show = argc > 1 ? argv[1] : "show";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    if (chdir(show.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter the show folder '%s'\n", show.c_str());
        return 1;
    }
    setenv("GALLIUM_NOOP", "1", 1);
    int status = 0;
    for (int cores : {1, 2}) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0) {
            const int result = run(cores, rounds);
            std::fflush(stdout);
            _exit(result);
        }
        int childStatus = 0;
        if (child < 0 || waitpid(child, &childStatus, 0) < 0 || !WIFEXITED(childStatus) ||
            WEXITSTATUS(childStatus) != 0) {
            std::printf("the %d-core run failed (status %d)\n", cores, childStatus);
            status = 1;
        }
    }
    std::printf("(engine = clear + scene draws through the device context; plain GL = the same clears, and per "
                "mesh a 208-byte glNamedBufferSubData, glBindVertexArray and glDrawElements)\n");
    return status;
}
