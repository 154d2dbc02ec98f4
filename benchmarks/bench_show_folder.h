#pragma once

// The show a benchmark plays: argv[1], else the working directory when it holds resources/, else show/.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

inline bool enterShow(int argc, char** argv, const char* usage) {
    std::string folder = argc > 1 ? argv[1] : "";
    if (folder.empty()) folder = std::filesystem::exists("resources/resources.xml") ? "." : "show";
    if (chdir(folder.c_str()) != 0 || !std::filesystem::exists("resources/resources.xml")) {
        std::fprintf(stderr, "no show in '%s' (usage: %s)\n", folder.c_str(), usage);
        return false;
    }
    return true;
}
