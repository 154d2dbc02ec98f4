// Cost of compiling one material's shader program (vertex and pixel stage, one shared include) through the HLSL
// front end: cold (shaderc and SPIRV-Cross; the first compile of the process apart) and from the translation
// cache (a file read and a hash per file).
//   bench_shader_compile [programs [cached repeats]]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "bench_timing.h"
#include "platform/shader_compiler/hlsl_compiler.h"

namespace {

const char* kInclude = R"(
cbuffer Camera : register(b0) { row_major float4x4 viewProjection; float3 eye; float time; };
cbuffer Object : register(b1) { row_major float4x4 world; float4 tint; float2 uvScale; float roughness; };
float3 lambert(float3 n, float3 l, float3 c) { return saturate(dot(n, l)) * c; }
)";

const char* kVertex = R"(
#include "common.hlsli"
struct VsIn { float3 position : POSITION; float3 normal : NORMAL; float3 tangent : TANGENT; float2 uv : TEXCOORD0; };
struct VsOut { float4 position : SV_Position; float3 normal : NORMAL; float3 tangent : TANGENT; float2 uv : TEXCOORD0;
               float3 world : POSITION1; };
VsOut main(VsIn input) {
    VsOut output;
    float4 world4 = mul(float4(input.position, 1), world);
    output.position = mul(world4, viewProjection);
    output.normal = mul(input.normal, (float3x3)world);
    output.tangent = mul(input.tangent, (float3x3)world);
    output.uv = input.uv * uvScale;
    output.world = world4.xyz;
    return output;
}
)";

const char* kPixel = R"(
#include "common.hlsli"
Texture2D albedo : register(t0);
Texture2D normals : register(t1);
SamplerState linearSampler : register(s0);
struct PsIn { float4 position : SV_Position; float3 normal : NORMAL; float3 tangent : TANGENT; float2 uv : TEXCOORD0;
              float3 world : POSITION1; };
float4 main(PsIn input) : SV_Target {
    float3 n = normalize(input.normal);
    float3 t = normalize(input.tangent);
    float3 b = cross(n, t);
    float3 m = normals.Sample(linearSampler, input.uv).xyz * 2 - 1;
    n = normalize(m.x * t + m.y * b + m.z * n);
    float4 base = albedo.Sample(linearSampler, input.uv) * tint;
    float3 l = normalize(eye - input.world);
    return float4(lambert(n, l, base.rgb) + 0.1 * roughness, base.a);
}
)";

void writeFile(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

bool compileProgram(const std::filesystem::path& vertex, const std::filesystem::path& pixel) {
    gpu::ShaderBytecode code;
    std::string messages;
    if (gpu::failed(shader_compiler::compileFromFile(vertex.string(), "main", "vs_5_0", &code, &messages)) ||
        gpu::failed(shader_compiler::compileFromFile(pixel.string(), "main", "ps_5_0", &code, &messages))) {
        std::fprintf(stderr, "compile failed:\n%s", messages.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int programs = argc > 1 ? std::atoi(argv[1]) : 20;
    int repeats = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (programs <= 0 || repeats <= 0) {
        std::fprintf(stderr, "usage: bench_shader_compile [programs [cached repeats]]\n");
        return 2;
    }
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_shader_compile_" +
                                                                         std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    writeFile(dir / "common.hlsli", kInclude);
    // Distinct sources (a comment apart) so that each cold compile misses the cache.
    for (int i = 0; i <= programs; ++i) {
        writeFile(dir / ("vs" + std::to_string(i) + ".hlsl"), std::string(kVertex) + "// " + std::to_string(i));
        writeFile(dir / ("ps" + std::to_string(i) + ".hlsl"), std::string(kPixel) + "// " + std::to_string(i));
    }
    auto file = [&](const char* stage, int i) { return dir / (stage + std::to_string(i) + ".hlsl"); };

    auto start = Clock::now();
    if (!compileProgram(file("vs", 0), file("ps", 0))) return 1;
    double first = millisecondsSince(start);

    start = Clock::now();
    for (int i = 1; i <= programs; ++i) {
        if (!compileProgram(file("vs", i), file("ps", i))) return 1;
    }
    double cold = millisecondsSince(start) / programs;

    start = Clock::now();
    for (int r = 0; r < repeats; ++r) {
        if (!compileProgram(file("vs", 1 + r % programs), file("ps", 1 + r % programs))) return 1;
    }
    double cached = millisecondsSince(start) / repeats;

    std::printf("first program of the process: %.2f ms\n", first);
    std::printf("cold, per program (vs + ps):  %.3f ms over %d programs\n", cold, programs);
    std::printf("cached, per program:          %.4f ms over %d compiles (%.0fx faster)\n", cached, repeats,
                cold / cached);
    std::filesystem::remove_all(dir);
    return 0;
}
