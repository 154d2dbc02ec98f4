#include "platform/shader_compiler/hlsl_compiler.h"

#include <memory>
#include <stdexcept>

#include "platform/process/file_helper.h"
#include "platform/shader_compiler/declared_inputs.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/source_files.h"
#include "platform/shader_compiler/spirv_to_glsl.h"
#include "platform/shader_compiler/translation_cache.h"

namespace shader_compiler {

namespace {

// The whole translation tried first in the file helper: false, with the messages saying why, when the compiler
// crashed or stopped on it there.
bool survivesCompile(const std::string& path, const char* entryPoint, const char* profile,
                     const std::vector<Define>& defines, std::string* messages) {
    if (platform::inFileHelper()) return true;
    std::vector<std::string> words{kCompileJob, path, entryPoint, profile};
    for (const Define& define : defines) {
        words.push_back(define.name);
        words.push_back(define.value);
    }
    const platform::HelperAnswer answer = platform::runInFileHelper(words, {}, platform::fileJobLimit(path));
    if (answer.outcome == platform::HelperOutcome::Done || answer.outcome == platform::HelperOutcome::NoHelper)
        return true;
    platform::reportContainedFailure(path, "shader compiler", answer.failure);
    if (messages) *messages = path + ": error: the shader compiler " + answer.failure + " on this file\n";
    return false;
}

}  // namespace

std::string runCompileJob(const std::vector<std::string>& words, std::string_view) {
    if (words.size() < 4 || words.size() % 2 != 0) throw std::runtime_error("bad compile job");
    std::vector<Define> defines;
    for (std::size_t i = 4; i + 1 < words.size(); i += 2) defines.push_back({words[i], words[i + 1]});
    gpu::ShaderBytecode code;
    std::string messages;
    compileFromFile(words[1], words[2].c_str(), words[3].c_str(), defines, &code, nullptr, &messages);
    return {};
}

gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            gpu::ShaderBytecode* code, std::string* messages) {
    return compileFromFile(path, entryPoint, profile, {}, code, nullptr, messages);
}

gpu::Result compileFromFile(const std::string& path, const char* entryPoint, const char* profile,
                            const std::vector<Define>& defines, gpu::ShaderBytecode* code,
                            ShaderReflection* reflection, std::string* messages) {
    if (code) *code = {};
    if (reflection) *reflection = {};
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
        if (!survivesCompile(path, entryPoint, profile, defines, messages)) return gpu::Result::Fail;
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
            // Rebraced text is preprocessed already: it needs no includes.
            const bool rebraced = !module.rebracedSource.empty();
            declaredVertexInputs(path, rebraced ? module.rebracedSource : key.content,
                                 rebraced ? std::vector<SourceFile>{} : module.includes, entryPoint, model, defines,
                                 &made->code.InputSignature);
        }
        made->messages = std::move(module.messages);
        made->includes = std::move(module.includes);
        translation = made;
        storeTranslation(key, std::move(made));
    }
    if (code) *code = translation->code;
    if (reflection) *reflection = translation->reflection;
    if (messages) *messages = translation->messages;
    return gpu::Result::Ok;
}

}  // namespace shader_compiler
