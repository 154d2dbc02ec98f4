#pragma once

// Translations already made in this process, keyed on the bytes of the file and of every include it pulled in,
// the entry point and the profile. Thread-safe; two threads missing at once both translate and both store
// the same answer.

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"

namespace shader_compiler {

struct CachedTranslation {
    gpu::ShaderBytecode code;
    std::string messages;
    std::vector<SourceFile> includes;  // as read when translated
};

// A translation of `path` with this content, entry point and profile whose includes still read the same;
// null when there is none.
std::shared_ptr<const CachedTranslation> findTranslation(const std::string& path, const std::string& content,
                                                         const std::string& entryPoint, const std::string& profile);

void storeTranslation(const std::string& path, const std::string& content, const std::string& entryPoint,
                      const std::string& profile, std::shared_ptr<const CachedTranslation> translation);

}  // namespace shader_compiler
