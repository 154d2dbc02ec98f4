#include "platform/shader_compiler/hlsl_to_spirv.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include <shaderc/shaderc.hpp>

#include "platform/shader_compiler/comparison_gathers.h"
#include "platform/shader_compiler/initializer_braces.h"
#include "platform/shader_compiler/source_files.h"
#include "platform/shader_compiler/unreachable_functions.h"

namespace shader_compiler {
namespace {

class Includer final : public shaderc::CompileOptions::IncluderInterface {
public:
    explicit Includer(std::vector<SourceFile>* includes) : includes_(includes) {}

    shaderc_include_result* GetInclude(const char* requested, shaderc_include_type, const char* requesting,
                                       std::size_t) override {
        auto* answer = new Answer;
        answer->name = includedPath(requesting, requested);
        if (readWholeFile(answer->name, &answer->content)) {
            // A file included again (behind its guard) is recorded once, with the bytes first read.
            bool known = std::any_of(includes_->begin(), includes_->end(),
                                     [&](const SourceFile& file) { return file.path == answer->name; });
            if (!known) includes_->push_back({answer->name, answer->content});
        } else {
            answer->content = "cannot open include file " + answer->name;
            answer->name.clear();  // shaderc's sign of a failed include
        }
        answer->result.source_name = answer->name.c_str();
        answer->result.source_name_length = answer->name.size();
        answer->result.content = answer->content.c_str();
        answer->result.content_length = answer->content.size();
        answer->result.user_data = answer;
        return &answer->result;
    }

    void ReleaseInclude(shaderc_include_result* data) override { delete static_cast<Answer*>(data->user_data); }

private:
    struct Answer {
        shaderc_include_result result{};
        std::string name;
        std::string content;
    };
    std::vector<SourceFile>* includes_;
};

const shaderc::Compiler& compiler() {
    // One instance for the process: shaderc compiles from several threads at once on it.
    static const shaderc::Compiler instance;
    return instance;
}

}  // namespace

bool parseProfile(const char* profile, gpu::ShaderStage* stage, int* model) {
    if (!profile) return false;
    struct Known {
        const char* name;
        gpu::ShaderStage stage;
        int model;
    };
    static constexpr Known kKnown[] = {{"vs_5_0", gpu::ShaderStage::Vertex, 50},
                                       {"ps_5_0", gpu::ShaderStage::Pixel, 50},
                                       {"vs_4_0", gpu::ShaderStage::Vertex, 40},
                                       {"ps_4_0", gpu::ShaderStage::Pixel, 40}};
    for (const Known& known : kKnown) {
        if (std::strcmp(profile, known.name) == 0) {
            *stage = known.stage;
            *model = known.model;
            return true;
        }
    }
    return false;
}

namespace {

shaderc::CompileOptions optionsFor(int model, const std::vector<Define>& defines, std::vector<SourceFile>* includes) {
    shaderc::CompileOptions options;
    options.SetSourceLanguage(shaderc_source_language_hlsl);
    options.SetHlslIoMapping(true);
    options.SetHlslFunctionality1(true);
    options.SetHlslOffsets(true);
    options.SetAutoMapLocations(true);
    options.SetGenerateDebugInfo();
    options.SetOptimizationLevel(shaderc_optimization_level_zero);
    // The model the profile asks for, as the D3D compiler's own predefined macros tell it.
    options.AddMacroDefinition("__SHADER_TARGET_MAJOR", std::to_string(model / 10));
    options.AddMacroDefinition("__SHADER_TARGET_MINOR", std::to_string(model % 10));
    for (const Define& define : defines) options.AddMacroDefinition(define.name, define.value);
    options.SetIncluder(std::make_unique<Includer>(includes));
    return options;
}

bool mentions(const SpirvModule& module, const std::string& source, const char* word) {
    if (source.find(word) != std::string::npos) return true;
    return std::any_of(module.includes.begin(), module.includes.end(),
                       [&](const SourceFile& file) { return file.content.find(word) != std::string::npos; });
}

// glslang's message for a construct it accepts but cannot translate, named for the author.
void nameUnsupportedConstructs(const std::string& path, std::string* messages) {
    if (messages->find("OpImageDrefGather") != std::string::npos) {
        *messages = path + ": error: this comparison gather (GatherCmp, GatherCmpRed, ...) is not supported by this "
                           "HLSL front end: glslang passes its compare value as a bias, and only the forms with an "
                           "offset (which a cube texture lacks) can be translated\n" + *messages;
    }
}

}  // namespace

SpirvModule hlslToSpirv(const std::string& path, const std::string& source, const char* entryPoint,
                        gpu::ShaderStage stage, int model, const std::vector<Define>& defines) {
    SpirvModule module;
    const shaderc_shader_kind kind =
        stage == gpu::ShaderStage::Vertex ? shaderc_vertex_shader : shaderc_fragment_shader;
    shaderc::SpvCompilationResult result = compiler().CompileGlslToSpv(
        source.data(), source.size(), kind, path.c_str(), entryPoint, optionsFor(model, defines, &module.includes));
    module.messages = result.GetErrorMessage();

    // Placements and initializer lists are read from the preprocessed text, where macros and includes are
    // resolved and #line directives still name each file and line. A failed compile is tried again on that text
    // with comparison gathers given an offset, initializer lists braced for glslang, then without the functions
    // the entry point does not reach (D3D's compiler checks only what it builds). When none of that helps, the
    // messages are the first compile's, or those of the text without the unreachable functions where there were
    // any (the errors D3D would report).
    const bool failed = result.GetCompilationStatus() != shaderc_compilation_status_success;
    if (failed || mentions(module, source, "packoffset")) {
        std::vector<SourceFile> ignored;
        shaderc::PreprocessedSourceCompilationResult preprocessed = compiler().PreprocessGlsl(
            source.data(), source.size(), kind, path.c_str(), optionsFor(model, defines, &ignored));
        const std::string text(preprocessed.cbegin(), preprocessed.cend());
        std::string errors;
        module.placements = findPlacements(text, path, &errors);
        std::string lastMessages;
        auto retry = [&](std::string rewritten) {
            std::vector<SourceFile> again;
            shaderc::SpvCompilationResult retried = compiler().CompileGlslToSpv(
                rewritten.data(), rewritten.size(), kind, path.c_str(), entryPoint, optionsFor(model, defines, &again));
            if (retried.GetCompilationStatus() != shaderc_compilation_status_success) {
                lastMessages = retried.GetErrorMessage();
                return false;
            }
            result = std::move(retried);
            module.messages = result.GetErrorMessage();
            module.rewrittenSource = std::move(rewritten);
            return true;
        };
        if (failed && preprocessed.GetCompilationStatus() == shaderc_compilation_status_success) {
            // Each rewrite keeps what the one before did; the first text that compiles is taken.
            using Rewrite = std::string (*)(const std::string&, const char*, bool*);
            const Rewrite rewrites[] = {
                [](const std::string& t, const char*, bool* changed) { return offsetComparisonGathers(t, changed); },
                [](const std::string& t, const char*, bool* changed) { return braceInitializers(t, changed); },
                [](const std::string& t, const char* entry, bool* changed) {
                    return blankUnreachableFunctions(t, entry, changed);
                }};
            std::string current = text;
            bool compiled = false, pruned = false;
            for (const Rewrite rewrite : rewrites) {
                bool changed = false;
                std::string next = rewrite(current, entryPoint, &changed);
                if (!changed) continue;
                current = std::move(next);
                pruned = rewrite == rewrites[2];
                if ((compiled = retry(current))) break;
            }
            if (!compiled && pruned) module.messages = lastMessages;
        }
        if (!errors.empty()) {
            module.messages = errors + module.messages;
            return module;
        }
    }
    if (result.GetCompilationStatus() != shaderc_compilation_status_success) {
        nameUnsupportedConstructs(path, &module.messages);
        return module;
    }
    module.words.assign(result.cbegin(), result.cend());
    module.ok = !module.words.empty();
    return module;
}

}  // namespace shader_compiler
