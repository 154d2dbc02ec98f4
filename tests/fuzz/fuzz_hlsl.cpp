// The HLSL front end whole: one source file compiled beside the sample show's includes, as the player compiles a
// post pass or a scene shader (entry "main"; the profile drawn from the input), reflection included.
#include <filesystem>
#include <string_view>

#include "fuzz_support.h"
#include "platform/shader_compiler/hlsl_compiler.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto shaders = fuzz::scratch() / "shaders";
    std::filesystem::create_directories(shaders);
    for (const auto& entry : std::filesystem::directory_iterator(fuzz::sourceDir() / "show/resources/shaders"))
        if (entry.path().extension() == ".hlsli")
            std::filesystem::copy_file(entry.path(), shaders / entry.path().filename(),
                                       std::filesystem::copy_options::overwrite_existing);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const profiles[] = {"ps_5_0", "ps_4_0", "vs_5_0", "vs_4_0"};
    const std::string path = fuzz::writeInput("shaders/fuzzed.hlsl", data, size);
    fuzz::Draws draws(data, size);
    // A pixel shader where the source writes a render target, else a vertex shader; model 4 or 5 drawn.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool pixel = text.find("SV_T") != text.npos || text.find("SV_t") != text.npos;
    gpu::ShaderBytecode code;
    shader_compiler::ShaderReflection reflection;
    std::string messages;
    (void)shader_compiler::compileFromFile(path, "main", profiles[(pixel ? 0 : 2) + draws.next() % 2], {}, &code, &reflection,
                                           &messages);
    return 0;
}
