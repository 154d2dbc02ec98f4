// The HLSL front end's own passes over preprocessed text, without the compile around them: packoffset
// placements, initializer bracing, and the vertex inputs a shader declares.
#include <cstdlib>

#include "fuzz_support.h"
#include "platform/shader_compiler/declared_inputs.h"
#include "platform/shader_compiler/initializer_braces.h"
#include "platform/shader_compiler/packoffset_placements.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string errors;
    for (const shader_compiler::Placement& placement : shader_compiler::findPlacements(text, "fuzzed.hlsl", &errors))
        if (placement.offset % 4 != 0) std::abort();
    bool rewritten = false;
    const std::string braced = shader_compiler::braceInitializers(text, &rewritten);
    if (!rewritten && !braced.empty() && braced != text) std::abort();
    std::vector<gpu::SignatureParameter> inputs;
    (void)shader_compiler::declaredVertexInputs("fuzzed.hlsl", text, {}, "main", 5, {}, &inputs);
    return 0;
}
