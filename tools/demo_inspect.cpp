// demo-inspect: prints the show in the working directory (manifest, timeline, warnings) as the player reads it.
#include <cstdio>
#include <cstring>
#include <string>

#include "resources/show_report.h"

namespace {

void printUsage() {
    std::fputs("usage: demo-inspect [--json]\n"
               "Run from the show's directory (the one holding resources/), like the player.\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            json = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        } else {
            std::fprintf(stderr, "demo-inspect: unknown argument '%s'\n", argv[i]);
            printUsage();
            return 1;
        }
    }

    ShowReport report;
    std::string error;
    if (!readShow(report, error)) {
        std::fprintf(stderr, "demo-inspect: %s\n", error.c_str());
        return 1;
    }
    report.warnings = showWarnings(report.manifest, report.markers, std::nullopt);
    const std::string output = json ? formatJson(report) : formatText(report);
    std::fwrite(output.data(), 1, output.size(), stdout);
    return 0;
}
