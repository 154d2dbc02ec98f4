#include "platform/shader_compiler/declared_inputs.h"

#define ENABLE_HLSL 1  // glslang's HLSL set-up calls
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross.hpp>

#include "platform/shader_compiler/input_signature.h"
#include "platform/shader_compiler/source_files.h"

namespace shader_compiler {
namespace {

class Includer final : public glslang::TShader::Includer {
public:
    explicit Includer(const std::vector<SourceFile>& known) : known_(known) {}

    IncludeResult* includeLocal(const char* requested, const char* requesting, std::size_t) override {
        std::string name = includedPath(requesting, requested);
        for (const SourceFile& file : known_) {
            if (file.path == name) return new IncludeResult(name, file.content.data(), file.content.size(), nullptr);
        }
        auto* content = new std::string;
        if (!readWholeFile(name, content)) {
            delete content;
            return nullptr;
        }
        return new IncludeResult(name, content->data(), content->size(), content);
    }
    IncludeResult* includeSystem(const char* requested, const char* requesting, std::size_t depth) override {
        return includeLocal(requested, requesting, depth);
    }
    void releaseInclude(IncludeResult* result) override {
        if (!result) return;
        delete static_cast<std::string*>(result->userData);
        delete result;
    }

private:
    const std::vector<SourceFile>& known_;
};

void initialiseGlslang() {
    static const bool done = glslang::InitializeProcess();  // for the process; shaderc keeps its own count
    (void)done;
}

}  // namespace

bool declaredVertexInputs(const std::string& path, const std::string& source, const std::vector<SourceFile>& includes,
                          const char* entryPoint, int model, const std::vector<Define>& defines,
                          std::vector<gpu::SignatureParameter>* inputs) {
    initialiseGlslang();
    glslang::TShader shader(EShLangVertex);
    const char* text = source.data();
    const int length = static_cast<int>(source.size());
    const char* name = path.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    std::string preamble = "#define __SHADER_TARGET_MAJOR " + std::to_string(model / 10) +
                           "\n#define __SHADER_TARGET_MINOR " + std::to_string(model % 10) + "\n";
    for (const Define& define : defines) preamble += "#define " + define.name + " " + define.value + "\n";
    shader.setPreamble(preamble.c_str());
    shader.setEntryPoint(entryPoint);
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangVertex, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setHlslIoMapping(true);
    shader.setAutoMapLocations(true);
    shader.setEnvTargetHlslFunctionality1();
    const auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl);
    Includer includer(includes);
    if (!shader.parse(GetDefaultResources(), 100, false, messages, includer)) return false;
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages) || !program.mapIO()) return false;
    std::vector<unsigned int> words;
    glslang::SpvOptions options;
    options.generateDebugInfo = true;
    glslang::GlslangToSpv(*program.getIntermediate(EShLangVertex), words, &options);
    try {
        *inputs = vertexInputSignature(spirv_cross::Compiler(std::move(words)));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace shader_compiler
