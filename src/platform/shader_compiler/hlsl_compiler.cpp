#include "platform/shader_compiler/hlsl_compiler.h"

#include <memory>
#include <stdexcept>

#include "platform/process/file_helper.h"
#include "platform/shader_compiler/declared_inputs.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/source_files.h"
#include "platform/shader_compiler/spirv_to_glsl.h"
#include "platform/shader_compiler/translation_cache.h"
#include "platform/shader_compiler/translation_wire.h"

namespace shader_compiler {

namespace {

// The translation itself, in this process: HLSL through glslang to SPIR-V, SPIR-V through SPIRV-Cross to GLSL.
gpu::Result translateHere(const std::string& path, const std::string& content, const char* entryPoint,
                          gpu::ShaderStage stage, int model, const std::vector<Define>& defines,
                          CachedTranslation* made, std::string* messages) {
    SpirvModule module = hlslToSpirv(path, content, entryPoint, stage, model, defines);
    if (!module.ok) {
        *messages = module.messages;
        return gpu::Result::Fail;
    }
    std::string error;
    if (!spirvToGlsl(module.words, stage, module.placements, &made->code, &made->reflection, &error)) {
        // Errors without a place of their own are the file's.
        if (error.compare(0, 7, "error: ") == 0) error = path + ": " + error;
        *messages = module.messages + error + "\n";
        return gpu::Result::Fail;
    }
    if (stage == gpu::ShaderStage::Vertex) {
        // Rewritten text is preprocessed already: it needs no includes.
        const bool rewritten = !module.rewrittenSource.empty();
        declaredVertexInputs(path, rewritten ? module.rewrittenSource : content,
                             rewritten ? std::vector<SourceFile>{} : module.includes, entryPoint, model, defines,
                             &made->code.InputSignature);
    }
    made->messages = std::move(module.messages);
    made->includes = std::move(module.includes);
    *messages = made->messages;
    return gpu::Result::Ok;
}

// The translation of `content` (the file as read here; includes are read there) made in the file helper and sent
// back. Null with the answer's result and messages when it
// failed there, or when the compiler crashed or stopped on the file; null with `helped` false when there is no
// helper (the caller translates here).
std::shared_ptr<CachedTranslation> translateInHelper(const std::string& path, const std::string& content,
                                                     const char* entryPoint, const char* profile,
                                                     const std::vector<Define>& defines, bool* helped,
                                                     gpu::Result* result, std::string* messages) {
    *helped = false;
    if (platform::inFileHelper()) return nullptr;
    std::vector<std::string> words{kCompileJob, path, entryPoint, profile};
    for (const Define& define : defines) {
        words.push_back(define.name);
        words.push_back(define.value);
    }
    const platform::HelperAnswer answer = platform::runInFileHelper(words, content, platform::fileJobLimit(path));
    if (answer.outcome == platform::HelperOutcome::NoHelper) return nullptr;
    *helped = true;
    auto made = std::make_shared<CachedTranslation>();
    if (answer.outcome == platform::HelperOutcome::Done &&
        decodeTranslation(answer.output(), result, messages, made.get())) {
        return *result == gpu::Result::Ok ? made : nullptr;
    }
    const std::string failure =
        answer.outcome == platform::HelperOutcome::Done ? std::string("sent back a damaged answer") : answer.failure;
    platform::reportContainedFailure(path, "shader compiler", failure);
    *messages = path + ": error: the shader compiler " + failure + " on this file\n";
    *result = gpu::Result::Fail;
    return nullptr;
}

}  // namespace

std::string runCompileJob(const std::vector<std::string>& words, std::string_view input) {
    if (words.size() < 4 || words.size() % 2 != 0) throw std::runtime_error("bad compile job");
    const std::string& path = words[1];
    gpu::ShaderStage stage = gpu::ShaderStage::Vertex;
    int model = 0;
    if (!parseProfile(words[3].c_str(), &stage, &model)) throw std::runtime_error("bad profile");
    const std::string content(input);
    std::vector<Define> defines;
    for (std::size_t i = 4; i + 1 < words.size(); i += 2) defines.push_back({words[i], words[i + 1]});
    CachedTranslation made;
    std::string messages;
    const gpu::Result result = translateHere(path, content, words[2].c_str(), stage, model, defines, &made, &messages);
    return encodeTranslation(result, messages, result == gpu::Result::Ok ? &made : nullptr);
}

gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            gpu::ShaderBytecode* code, std::string* messages) {
    return compileFromFile(path, entryPoint, profile, {}, code, nullptr, messages);
}

namespace {

// The cached translation (made now when there is none), or null with the answer a failure.
gpu::Result translate(const std::string& path, const char* entryPoint, const char* profile,
                      const std::vector<Define>& defines, std::shared_ptr<const CachedTranslation>* out,
                      std::string* messages) {
    if (messages) messages->clear();
    gpu::ShaderStage stage = gpu::ShaderStage::Vertex;
    int model = 0;
    if (!entryPoint || !parseProfile(profile, &stage, &model)) {
        if (messages) *messages = path + ": error: unknown profile " + (profile ? profile : "(null)") + "\n";
        return gpu::Result::InvalidArg;
    }
    TranslationKey key{path, {}, entryPoint, profile, defines};
    if (!readWholeFile(path, &key.content)) {
        if (messages) *messages = path + ": error: cannot open the file\n";
        return gpu::Result::Fail;
    }

    std::shared_ptr<const CachedTranslation> translation = findTranslation(key);
    if (!translation) {
        bool helped = false;
        gpu::Result result = gpu::Result::Fail;
        std::string said;
        std::shared_ptr<CachedTranslation> made =
            translateInHelper(path, key.content, entryPoint, profile, defines, &helped, &result, &said);
        if (!helped) {
            made = std::make_shared<CachedTranslation>();
            result = translateHere(path, key.content, entryPoint, stage, model, defines, made.get(), &said);
        }
        if (result != gpu::Result::Ok || !made) {
            if (messages) *messages = said;
            return gpu::failed(result) ? result : gpu::Result::Fail;
        }
        translation = made;
        storeTranslation(key, std::move(made));
    }
    if (messages) *messages = translation->messages;
    *out = std::move(translation);
    return gpu::Result::Ok;
}

}  // namespace

gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            const std::vector<Define>& defines, gpu::ShaderBytecode* code,
                            ShaderReflection* reflection, std::string* messages) {
    if (code) *code = {};
    if (reflection) *reflection = {};
    std::shared_ptr<const CachedTranslation> translation;
    const gpu::Result result = translate(path, entryPoint, profile, defines, &translation, messages);
    if (!translation) return result;
    if (code) *code = translation->code;
    if (reflection) *reflection = translation->reflection;
    return result;
}

gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            std::shared_ptr<const gpu::ShaderBytecode>* code, std::string* messages) {
    code->reset();
    std::shared_ptr<const CachedTranslation> translation;
    const gpu::Result result = translate(path, entryPoint, profile, {}, &translation, messages);
    // Shares the cache's copy: every caller of one translation holds the same bytes.
    if (translation) *code = std::shared_ptr<const gpu::ShaderBytecode>(translation, &translation->code);
    return result;
}

}  // namespace shader_compiler
