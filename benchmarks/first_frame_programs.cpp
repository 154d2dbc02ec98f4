// First frame of many meshes that each compiled the same two HLSL files (one shader program per mesh, as scene
// loading does): the device shares one GL program per translation, so llvmpipe compiles the pair once at the
// first draw instead of once per mesh. Headless device; software GL.
//   bench_first_frame_programs [meshes]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_timing.h"
#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/shader_compiler/hlsl_compiler.h"

namespace {

const char* kVertex = R"(
cbuffer Object : register(b0) { row_major float4x4 world; };
struct VsOut { float4 position : SV_Position; float2 uv : TEXCOORD0; };
VsOut main(float3 position : POSITION, float2 uv : TEXCOORD0) {
    VsOut output;
    output.position = mul(float4(position, 1), world);
    output.uv = uv;
    return output;
}
)";
const char* kPixel = R"(
Texture2D albedo : register(t0);
SamplerState linearSampler : register(s0);
float4 main(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target {
    return albedo.Sample(linearSampler, uv) * 0.5 + float4(uv, 0, 1);
}
)";

}  // namespace

int main(int argc, char** argv) {
    int meshes = argc > 1 ? std::atoi(argv[1]) : 50;
    if (meshes <= 0) {
        std::fprintf(stderr, "usage: bench_first_frame_programs [meshes]\n");
        return 2;
    }
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench_first_frame_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "vs.hlsl") << kVertex;
    std::ofstream(dir / "ps.hlsl") << kPixel;

    gpu::Ref<gpu::Device> device;
    gpu::DeviceContext* context = nullptr;
    if (gpu::failed(gpu::CreateDevice(nullptr, nullptr, 0, &device, nullptr, &context))) {
        std::fprintf(stderr, "no headless device\n");
        return 1;
    }
    struct Mesh {
        gpu::Ref<gpu::VertexShader> vs;
        gpu::Ref<gpu::PixelShader> ps;
        gpu::Ref<gpu::InputLayout> layout;
    };
    std::vector<Mesh> list(meshes);
    auto start = Clock::now();
    for (Mesh& mesh : list) {
        gpu::ShaderBytecode vs, ps;
        if (gpu::failed(shader_compiler::compileFromFile((dir / "vs.hlsl").string(), "main", "vs_5_0", &vs, nullptr)) ||
            gpu::failed(shader_compiler::compileFromFile((dir / "ps.hlsl").string(), "main", "ps_5_0", &ps, nullptr))) {
            std::fprintf(stderr, "compile failed\n");
            return 1;
        }
        const gpu::InputElementDesc elements[] = {{"POSITION", 0, gpu::Format::R32G32B32_FLOAT},
                                                  {"TEXCOORD", 0, gpu::Format::R32G32_FLOAT}};
        device->CreateVertexShader(vs, &mesh.vs);
        device->CreatePixelShader(ps, &mesh.ps);
        device->CreateInputLayout(elements, 2, vs, &mesh.layout);
    }
    double load = millisecondsSince(start);

    const float vertices[] = {-1, -1, 0.5f, 0, 1, 0, 1, 0.5f, 0.5f, 0, 1, -1, 0.5f, 1, 1};
    gpu::BufferDesc vbDesc;
    vbDesc.ByteWidth = sizeof(vertices);
    vbDesc.BindFlags = gpu::BIND_VERTEX_BUFFER;
    gpu::SubresourceData vbData{vertices, 0, 0};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    gpu::BufferDesc cbDesc;
    cbDesc.ByteWidth = sizeof(identity);
    cbDesc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    gpu::SubresourceData cbData{identity, 0, 0};
    gpu::Texture2DDesc targetDesc;
    targetDesc.Width = 256;
    targetDesc.Height = 256;
    targetDesc.Format = gpu::Format::R8G8B8A8_UNORM;
    targetDesc.BindFlags = gpu::BIND_RENDER_TARGET;
    gpu::Ref<gpu::Buffer> vb, cb;
    gpu::Ref<gpu::Texture2D> target;
    gpu::Ref<gpu::RenderTargetView> rtv;
    device->CreateBuffer(vbDesc, &vbData, &vb);
    device->CreateBuffer(cbDesc, &cbData, &cb);
    device->CreateTexture2D(targetDesc, nullptr, &target);
    device->CreateRenderTargetView(target.get(), nullptr, &rtv);
    gpu::RenderTargetView* targets[] = {rtv.get()};
    context->OMSetRenderTargets(1, targets, nullptr);
    gpu::Viewport viewport{0, 0, 256, 256, 0, 1};
    context->RSSetViewports(1, &viewport);
    gpu::Buffer* vbs[] = {vb.get()};
    gpu::Buffer* cbs[] = {cb.get()};
    std::uint32_t stride = 20, offset = 0;
    context->IASetVertexBuffers(0, 1, vbs, &stride, &offset);
    context->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    context->VSSetConstantBuffers(0, 1, cbs);

    auto frame = [&] {
        auto begin = Clock::now();
        for (Mesh& mesh : list) {
            context->IASetInputLayout(mesh.layout.get());
            context->VSSetShader(mesh.vs.get());
            context->PSSetShader(mesh.ps.get());
            context->Draw(3, 0);
        }
        context->Flush();
        glFinish();
        return millisecondsSince(begin);
    };
    double first = frame();
    double second = frame();
    std::printf("%d meshes, one HLSL pair: load (compile + create) %.1f ms, first frame %.1f ms, second %.1f ms\n",
                meshes, load, first, second);
    list.clear();
    std::filesystem::remove_all(dir);
    return 0;
}
