// demo-pack: makes the folder that goes to the party: the show's files and nothing else, the players, a README.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/utf8_files.h"
#include "inspect/music_probe.h"
#include "inspect/render_files_probe.h"
#include "inspect/scene_probe.h"
#include "inspect/show_files.h"
#include "inspect/show_pack.h"
#include "inspect/show_report.h"
#include "platform/process/command_line_source.h"

namespace {

void printUsage() {
    std::fputs("usage: demo-pack SHOW_DIR OUT_DIR [--windows x86|x64] [--linux] [--zip]\n"
               "Checks the show in SHOW_DIR as demo-inspect --scenes does and refuses one that would fail (missing\n"
               "files, shaders that do not compile, scenes or images that cannot be loaded, an empty timeline).\n"
               "Then copies exactly the files the show uses into the new folder OUT_DIR, under the same paths, and\n"
               "adds the players: --linux the player built beside demo-pack with the libraries it needs in lib/\n"
               "(the default when no player is named), --windows the folder scripts/build-windows.sh made. The\n"
               "players start with the setup dialog (demo-options.txt); README.txt says how to run the show.\n"
               "--zip: also OUT_DIR.zip, one archive of the folder.\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv) {
    platform::recordCommandLine(argc, argv);
    std::vector<std::string> folders;
    PackRequest request;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--linux") == 0) {
            request.linuxPlayer = true;
        } else if (std::strcmp(argv[i], "--zip") == 0) {
            request.zip = true;
        } else if (std::strcmp(argv[i], "--windows") == 0) {
            if (i + 1 >= argc || (std::strcmp(argv[i + 1], "x86") != 0 && std::strcmp(argv[i + 1], "x64") != 0)) {
                std::fprintf(stderr, "demo-pack: --windows needs x86 or x64\n");
                printUsage();
                return 1;
            }
            request.windows = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fprintf(stderr, "demo-pack: unknown option '%s'\n", argv[i]);
            printUsage();
            return 1;
        } else {
            folders.push_back(argv[i]);
        }
    }
    if (folders.size() != 2) {
        printUsage();
        return 1;
    }
    if (!request.windows) request.linuxPlayer = true;
    request.programDir = utf8FilePath(platform::programDirectory());

    // The show is read from its own folder, as the player reads it.
    std::error_code failure;
    request.outDir = std::filesystem::absolute(utf8FilePath(folders[1]), failure).lexically_normal();
    if (request.outDir.filename().empty()) request.outDir = request.outDir.parent_path();
    std::filesystem::current_path(utf8FilePath(folders[0]), failure);
    if (failure) {
        std::fprintf(stderr, "demo-pack: cannot open the show folder '%s': %s\n", folders[0].c_str(),
                     failure.message().c_str());
        return 1;
    }

    ShowReport report;
    std::string error;
    if (!readShow(report, error)) {
        std::fprintf(stderr, "demo-pack: %s\n", error.c_str());
        return 1;
    }
    probeMusic(report, {});
    probeRenderFiles(report);
    if (!probeScenes(report, error)) {
        std::fprintf(stderr, "demo-pack: %s\n", error.c_str());
        return 1;
    }
    addShowWarnings(report);
    const ShowFiles files = listShowFiles(report);
    const std::vector<std::string> blockers = releaseBlockers(report.warnings);
    if (!blockers.empty() || !files.problems.empty()) {
        std::fprintf(stderr, "demo-pack: the show would fail; nothing was packed:\n");
        for (const std::string& line : blockers) std::fprintf(stderr, "  %s\n", line.c_str());
        for (const std::string& line : files.problems) std::fprintf(stderr, "  %s\n", line.c_str());
        return 1;
    }
    for (const std::string& warning : report.warnings) std::fprintf(stderr, "demo-pack: note: %s\n", warning.c_str());

    if (!packShow(files, request, error)) {
        std::fprintf(stderr, "demo-pack: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu files of the show%s%s, %.1f MB\n", utf8PathText(request.outDir).c_str(), files.files.size(),
                request.linuxPlayer ? ", the Linux player" : "",
                request.windows ? (", the Windows " + *request.windows + " player").c_str() : "",
                static_cast<double>(folderBytes(request.outDir)) / 1e6);
    if (request.zip) {
        std::filesystem::path archive = request.outDir;
        archive += ".zip";
        std::printf("%s: %.1f MB\n", utf8PathText(archive).c_str(),
                    static_cast<double>(std::filesystem::file_size(archive, failure)) / 1e6);
    }
    return 0;
}
