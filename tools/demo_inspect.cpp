// demo-inspect: prints the show in the working directory (manifest, timeline, warnings) as the player reads it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "inspect/music_probe.h"
#include "inspect/parameter_probe.h"
#include "inspect/report_json.h"
#include "inspect/report_text.h"
#include "inspect/render_files_probe.h"
#include "inspect/scene_probe.h"
#include "inspect/shader_report.h"
#include "inspect/show_report.h"
#include "tool_arguments.h"

namespace {

void printUsage() {
    std::fputs("usage: demo-inspect [--json] [--scenes] [--at SECONDS]...\n"
               "       demo-inspect --shader FILE --entry NAME --profile vs_5_0|ps_5_0|vs_4_0|ps_4_0\n"
               "                    [--define NAME[=VALUE]]... [--json]\n"
               "Run from the show's directory (the one holding resources/), like the player.\n"
               "--at: the music position, current marker and progress at that time of the music, and the effect\n"
               "  parameters the frame at that time uploads (repeatable).\n"
               "--scenes: import every scene of the timeline as the player does (headless device) and print what\n"
               "  it draws; with --at, also each frame's animation time, camera and node matrices.\n"
               "The music track is read too, for its length; the manifest's shaders are compiled and the preload and\n"
               "logo images decoded, as the player does before the first frame.\n"
               "--shader: compile one HLSL file as the player does and print what D3D's reflection would: each\n"
               "  constant buffer's variables with type, offset and size, the bound resources, a vertex shader's\n"
               "  inputs, and the compiler's messages; exit 1 when it does not compile.\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    bool scenes = false;
    std::vector<double> times;
    std::string shader, entry, profile;
    std::vector<shader_compiler::Define> defines;
    for (int i = 1; i < argc; ++i) {
        const bool shaderOption = std::strcmp(argv[i], "--shader") == 0 || std::strcmp(argv[i], "--entry") == 0 ||
                                  std::strcmp(argv[i], "--profile") == 0 || std::strcmp(argv[i], "--define") == 0;
        if (shaderOption) {
            if (i + 1 >= argc || !*argv[i + 1]) {
                std::fprintf(stderr, "demo-inspect: %s needs a value\n", argv[i]);
                printUsage();
                return 1;
            }
            const std::string value = argv[++i];
            if (std::strcmp(argv[i - 1], "--shader") == 0) shader = value;
            if (std::strcmp(argv[i - 1], "--entry") == 0) entry = value;
            if (std::strcmp(argv[i - 1], "--profile") == 0) profile = value;
            if (std::strcmp(argv[i - 1], "--define") == 0) {
                const std::size_t equals = value.find('=');
                defines.push_back(equals == std::string::npos
                                      ? shader_compiler::Define{value, "1"}
                                      : shader_compiler::Define{value.substr(0, equals), value.substr(equals + 1)});
            }
        } else if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[i], "--scenes") == 0) {
            scenes = true;
        } else if (std::strcmp(argv[i], "--at") == 0) {
            double seconds = 0.0;
            if (i + 1 >= argc || !parseNonNegative(argv[i + 1], seconds)) {
                std::fprintf(stderr, "demo-inspect: --at needs a time in seconds (a number, 0 or more)\n");
                printUsage();
                return 1;
            }
            times.push_back(seconds);
            ++i;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        } else {
            std::fprintf(stderr, "demo-inspect: unknown argument '%s'\n", argv[i]);
            printUsage();
            return 1;
        }
    }

    if (!shader.empty() || !entry.empty() || !profile.empty() || !defines.empty()) {
        if (shader.empty() || entry.empty() || profile.empty() || scenes || !times.empty()) {
            std::fprintf(stderr, "demo-inspect: --shader needs --entry and --profile, and goes without --scenes and --at\n");
            printUsage();
            return 1;
        }
        const ShaderReport report = inspectShader(shader, entry, profile, defines);
        const std::string output = json ? shaderReportJson(report) : shaderReportText(report);
        std::fwrite(output.data(), 1, output.size(), stdout);
        return report.compiled ? 0 : 1;
    }

    ShowReport report;
    std::string error;
    if (!readShow(report, error)) {
        std::fprintf(stderr, "demo-inspect: %s\n", error.c_str());
        return 1;
    }
    probeMusic(report, times);
    probeEffectParameters(report);
    probeRenderFiles(report);
    if (scenes && !probeScenes(report, error)) {
        std::fprintf(stderr, "demo-inspect: %s\n", error.c_str());
        return 1;
    }
    addShowWarnings(report);
    const std::string output = json ? reportJson(report) : reportText(report);
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}
