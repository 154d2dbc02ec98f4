#pragma once

// Translations already made in this process, keyed on the bytes of the file, the entry point and the profile,
// and good while every include it pulled in still reads the same. Thread-safe; two threads missing at once both
// translate and both store the same answer.

#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/shader_reflection.h"

namespace shader_compiler {

struct TranslationKey {
    std::string path, content, entryPoint, profile;
    std::vector<Define> defines;
    bool operator==(const TranslationKey&) const = default;
};

struct CachedTranslation {
    gpu::ShaderBytecode code;
    ShaderReflection reflection;
    std::string messages;
    std::vector<SourceFile> includes;  // as read when translated
};

// The translation stored for `key` if its includes still read the same; null otherwise.
std::shared_ptr<const CachedTranslation> findTranslation(const TranslationKey& key);

// Replaces what `key` had, and the translation of any other content of the same file, entry point, profile and
// definitions: what a file held before an edit is not kept beside the new one.
void storeTranslation(const TranslationKey& key, std::shared_ptr<const CachedTranslation> translation);

}  // namespace shader_compiler
