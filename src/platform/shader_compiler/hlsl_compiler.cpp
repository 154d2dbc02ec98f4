#include "platform/shader_compiler/hlsl_compiler.h"

#include <memory>

#include "platform/shader_compiler/declared_inputs.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/source_files.h"
#include "platform/shader_compiler/spirv_to_glsl.h"
#include "platform/shader_compiler/translation_cache.h"

namespace shader_compiler {

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
        SpirvModule module = hlslToSpirv(path, key.content, entryPoint, stage, model, defines);
        if (!module.ok) {
            if (messages) *messages = module.messages;
            return gpu::Result::Fail;
        }
        auto made = std::make_shared<CachedTranslation>();
        std::string error;
        if (!spirvToGlsl(module.words, stage, module.placements, &made->code, &made->reflection, &error)) {
            // Errors without a place of their own are the file's.
            if (error.compare(0, 7, "error: ") == 0) error = path + ": " + error;
            if (messages) *messages = module.messages + error + "\n";
            return gpu::Result::Fail;
        }
        if (stage == gpu::ShaderStage::Vertex) {
            // Rewritten text is preprocessed already: it needs no includes.
            const bool rewritten = !module.rewrittenSource.empty();
            declaredVertexInputs(path, rewritten ? module.rewrittenSource : key.content,
                                 rewritten ? std::vector<SourceFile>{} : module.includes, entryPoint, model, defines,
                                 &made->code.InputSignature);
        }
        made->messages = std::move(module.messages);
        made->includes = std::move(module.includes);
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
