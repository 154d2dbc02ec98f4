#pragma once

// D3D's compiler reads an initializer list as the flat sequence of its scalars, whatever braces the author
// wrote ("S v[2] = { {1,2,3,4}, {5,6}, ... }" for a struct of a float4 and a float2); glslang wants a brace for
// every struct and array. This rewrites such lists into the fully braced form, which means the same. It is used
// only when glslang has refused an initializer, on the preprocessed text, and leaves alone every list it cannot
// read exactly (leaves other than numbers and vector or matrix constructors, counts that do not match).

#include <string>

namespace shader_compiler {

// The text with every rewritable initializer list braced as glslang wants; `rewritten` tells whether any was.
std::string braceInitializers(const std::string& preprocessed, bool* rewritten);

}  // namespace shader_compiler
