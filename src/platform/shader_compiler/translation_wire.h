#pragma once

// A translation as bytes, for the file helper to send back what it translated (hlsl_compiler.h).

#include <string>
#include <string_view>

#include "platform/gpu/result.h"
#include "platform/shader_compiler/translation_cache.h"

namespace shader_compiler {

// The result of a translation, its messages and, on success, the translation.
std::string encodeTranslation(gpu::Result result, const std::string& messages, const CachedTranslation* translation);
// False when the bytes are not such an answer.
bool decodeTranslation(std::string_view bytes, gpu::Result* result, std::string* messages,
                       CachedTranslation* translation);

}  // namespace shader_compiler
