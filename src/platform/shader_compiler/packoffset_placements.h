#pragma once

// packoffset placements of constant-buffer variables, read from preprocessed HLSL. glslang keeps them in the
// SPIR-V offsets, but so does every other offset: which values the author placed by hand is known only from the
// source. HLSL gives cbuffer variables global names, so a placement is keyed on the variable's name alone.

#include <cstdint>
#include <string>
#include <vector>

namespace shader_compiler {

struct Placement {
    std::string variable;
    std::uint32_t offset = 0;  // bytes: 16 a register, 4 a component
    std::string spelled;       // "packoffset(c1.y)", for messages
    std::string location;      // "file:line"
};

// `preprocessed`: shaderc's preprocessed text, whose #line directives give each placement's file and line.
// A malformed packoffset is reported in `errors` (one "file:line: error: ..." line each).
// `path`: the file the text starts in.
std::vector<Placement> findPlacements(const std::string& preprocessed, const std::string& path, std::string* errors);

}  // namespace shader_compiler
