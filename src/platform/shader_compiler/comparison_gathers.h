#pragma once

// glslang's HLSL front end translates a comparison gather without an offset (`t.GatherCmp(s, uv, ref)`, and the
// Red, Green, Blue and Alpha forms) with a stray bias operand that the SPIR-V legaliser refuses, while the form
// with an offset comes out right (GLSL's textureGatherOffset on a shadow sampler, which takes the reference).
// This gives every such call on the preprocessed text an offset of zero, which gathers the same four texels.
// A cube texture's gather has no offset form: it is left as it is and keeps its error.

#include <string>

namespace shader_compiler {

// The text with `, int2(0, 0)` added to every three-argument comparison gather; `rewritten` tells whether any was.
std::string offsetComparisonGathers(const std::string& preprocessed, bool* rewritten);

}  // namespace shader_compiler
