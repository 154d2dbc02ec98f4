#pragma once

// D3DCompileFromFile and D3DReflect in one call: HLSL source file to what gpu::Device builds shaders from (GLSL
// 4.50 plus the reflection D3D would read from bytecode). Includes resolve relative to the including file.
// Translations are cached process-wide, keyed on the content of the file and its includes, the entry point and
// the profile, so compiling the same file again costs a file read and a hash. Safe to call from any thread.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gpu/result.h"
#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/shader_reflection.h"

namespace shader_compiler {

// path: a file-system path (UTF-8). profile: "vs_5_0", "ps_5_0", "vs_4_0" or "ps_4_0".
// On success `code` holds the translation and the answer is Ok. On failure (missing file, compile error, bad
// profile) the answer is a failure and `code` is left empty. `messages` receives the compiler's errors and
// warnings, each with file and line, on success too (empty when there are none), like D3D's error blob.
gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            gpu::ShaderBytecode* code, std::string* messages);

// The same, sharing the translation cache's bytecode instead of copying it (null on failure).
gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            std::shared_ptr<const gpu::ShaderBytecode>* code, std::string* messages);

// The same with preprocessor definitions (D3D's pDefines) and, when `reflection` is not null, the constant
// buffers' layouts and the bound resources as D3D's reflection reports them.
gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            const std::vector<Define>& defines, gpu::ShaderBytecode* code,
                            ShaderReflection* reflection, std::string* messages);

// A translation that is not cached yet is made in the file helper (platform/process/file_helper.h) and sent back:
// a file that crashes or stops the compiler there fails to compile, with a message that says so.
// The helper's job for it: words are the job's name, path, entry point, profile, then each define's name and value;
// the input is the file's text.
constexpr const char* kCompileJob = "hlsl";
std::string runCompileJob(const std::vector<std::string>& words, std::string_view input);

}  // namespace shader_compiler
