// Milliseconds per frame of the effect chain (14 passes) against a floor of 14 plain copy passes between RGBA16F
// targets at the same size, on the headless device; and the first chain frame against a steady one. Run from
// the repository root or pass the show folder.
//   bench_post_chain [show-folder [frames]]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <epoxy/gl.h>
#include <unistd.h>

#include "bench_timing.h"
#include "inspect/offline_renderer.h"
#include "audio/audio_manager.h"
#include "post/frame_renderer.h"
#include "post/post_processor_base.h"
#include "render/graphics_context.h"
#include "base/wide_text.h"

namespace {

// Fourteen passes that only copy, ping-ponging between two targets like the chain does.
class CopyPasses : public PostProcessorBase {
public:
    bool setup(gpu::Device* device, std::uint32_t w, std::uint32_t h, const std::string& shaderFile) {
        initialize(device);
        resize(w, h);
        const std::u16string path = widenUtf8(shaderFile);
        program = ShaderProgram(device);
        if (gpu::failed(program.loadPixelShader(path.c_str(), "copy"))) return false;
        createIntermediate(targets[0]);
        createIntermediate(targets[1]);
        return true;
    }
    void run(gpu::DeviceContext* context, gpu::ShaderResourceView* input) {
        render(context, nullptr, nullptr);
        for (int pass = 0; pass < 14; ++pass) {
            gpu::ShaderResourceView* from = pass == 0 ? input : targets[(pass + 1) % 2].shaderResourceView.get();
            runPass(program.pixelShader(), {from}, targets[pass % 2].renderTargetView.get());
        }
    }

private:
    ShaderProgram program;
    RenderTarget targets[2];
};

constexpr const char* kCopyShader = R"(Texture2D source : register(t0);
SamplerState pointSampler : register(s0);
struct PixelInput { float4 position : SV_Position; float2 uv : TEXCOORD0; };
float4 main(PixelInput input) : SV_Target { return source.Sample(pointSampler, input.uv); }
)";

// Milliseconds of each pass of one frame, in drawing order (each pass waited for).
class PassTimer : public PostPassObserver {
public:
    void start() {
        glFinish();
        last = Clock::now();
        times.clear();
    }
    void passDrawn(const PostProcessorBase&, const Pass&) override {
        glFinish();
        times.push_back(millisecondsSince(last));
        last = Clock::now();
    }
    std::vector<double> times;

private:
    Clock::time_point last;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string show = argc > 1 ? argv[1] : "show";
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    const std::string copyShader = (std::filesystem::temp_directory_path() / "bench_copy_pass.hlsl").string();
    std::ofstream(copyShader) << kCopyShader;
    if (chdir(show.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter the show folder '%s'\n", show.c_str());
        return 1;
    }
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{640, 360}, {1280, 720}, {1920, 1080}};
    std::printf("%-10s %12s %12s %12s %8s %16s\n", "size", "chain ms", "floor ms", "first ms", "ratio",
                "first/steady");
    for (const auto& [width, height] : sizes) {
        OfflineRenderer offline;
        std::string error;
        if (!offline.open(width, height, &error)) {
            std::fprintf(stderr, "cannot open the show: %s\n", error.c_str());
            return 1;
        }
        FrameRenderer& renderer = *offline.frameRenderer();
        GraphicsContext& graphics = *offline.graphicsContext();
        offline.audioManager()->setPosition(10 * 176400);

        renderer.beginFrame();
        glFinish();
        auto start = Clock::now();
        renderer.postProcess();
        glFinish();
        const double first = millisecondsSince(start);

        std::vector<double> chain;
        for (int i = 0; i < frames; ++i) {
            renderer.beginFrame();
            glFinish();
            start = Clock::now();
            renderer.postProcess();
            glFinish();
            chain.push_back(millisecondsSince(start));
        }

        CopyPasses copies;
        if (!copies.setup(graphics.device.get(), width, height, copyShader)) {
            std::fprintf(stderr, "the copy shader did not compile\n");
            return 1;
        }
        gpu::ShaderResourceView* scene = renderer.colourTarget(0).shaderResourceView.get();
        copies.run(graphics.immediateContext, scene);  // warm-up: the program compiles at its first draw
        glFinish();
        std::vector<double> floor;
        for (int i = 0; i < frames; ++i) {
            start = Clock::now();
            copies.run(graphics.immediateContext, scene);
            glFinish();
            floor.push_back(millisecondsSince(start));
        }
        PassTimer passes;
        renderer.setPassObserver(&passes);
        renderer.beginFrame();
        passes.start();
        renderer.postProcess();
        renderer.setPassObserver(nullptr);
        std::string perPass;
        for (double ms : passes.times) {
            char text[16];
            std::snprintf(text, sizeof text, " %.0f", ms);
            perPass += text;
        }

        const double chainMs = median(chain), floorMs = median(floor);
        char size[32];
        std::snprintf(size, sizeof size, "%ux%u", width, height);
        std::printf("%-10s %12.1f %12.1f %12.1f %8.2f %16.2f\n", size, chainMs, floorMs, first, chainMs / floorMs,
                    first / chainMs);
        std::printf("  passes (ms, dof 0-7, lens, bloom 0-2, overlay, colour):%s\n", perPass.c_str());
        std::fflush(stdout);
    }
    return 0;
}
