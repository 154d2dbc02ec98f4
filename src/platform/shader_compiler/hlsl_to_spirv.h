#pragma once

// HLSL to SPIR-V through shaderc, with the options that keep what D3D reflection needs: registers become
// bindings, semantics survive as decorations, names are kept.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/packoffset_placements.h"

namespace shader_compiler {

// A file the compile read, with the bytes it read.
struct SourceFile {
    std::string path;
    std::string content;
};

// A preprocessor definition, as D3D_SHADER_MACRO: NAME and its value ("1" when none is given).
struct Define {
    std::string name, value;
    bool operator==(const Define&) const = default;
};

struct SpirvModule {
    bool ok = false;
    std::vector<std::uint32_t> words;
    std::string messages;              // errors and warnings, "file:line: ..." per line
    std::vector<SourceFile> includes;  // every file pulled in, in the order first opened
    std::vector<Placement> placements;  // packoffset placements of the source
    // When initializer lists had to be braced for glslang, or functions the entry point does not reach had to be
    // left out: the preprocessed text that was compiled instead.
    std::string rewrittenSource;
};

// Stage and shader model of a D3D profile ("vs_5_0", "ps_4_0", ...); false for profiles this system lacks.
bool parseProfile(const char* profile, gpu::ShaderStage* stage, int* model);

// `source` is the content of `path`; includes resolve relative to the including file.
SpirvModule hlslToSpirv(const std::string& path, const std::string& source, const char* entryPoint,
                        gpu::ShaderStage stage, int model, const std::vector<Define>& defines = {});

}  // namespace shader_compiler
