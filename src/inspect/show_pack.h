#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "inspect/show_files.h"

// What demo-pack is asked to make.
struct PackRequest {
    std::filesystem::path outDir;        // made new; it must not exist or be empty
    bool linuxPlayer = false;                 // the Linux player with the libraries it needs
    std::optional<std::string> windows;  // "x86" or "x64": the folder scripts/build-windows.sh made
    bool zip = false;                    // also OUT_DIR.zip beside the folder
    std::filesystem::path programDir;    // where the Linux player (beside demo-pack) and dist/ are looked for
};

// Copies the show's files (relative to the working directory) into the request's folder under the same paths,
// adds the players, the default-options file that opens the setup dialog and README.txt, and the archive when
// asked for. False with `error` set when something is missing or cannot be written.
bool packShow(const ShowFiles& files, const PackRequest& request, std::string& error);

// Whether a library the Linux player loads is one every desktop has, or one that has to match the machine (its C
// and C++ runtime, graphics driver, display and sound server): those come from the system, all others are packed.
bool isSystemLibrary(const std::string& soname);

// The libraries `program` needs that are not the system's, as files (its dependencies through those libraries
// too, not through the system's). False with `error` when ldd or objdump cannot tell.
bool packedLibraries(const std::filesystem::path& program, std::vector<std::filesystem::path>& libraries,
                     std::string& error);

// The bytes of all files below `folder`.
uintmax_t folderBytes(const std::filesystem::path& folder);

// The folder of scripts/build-windows.sh's build for `arch` as seen from `programDir`; empty when none is found.
std::filesystem::path windowsBuildFolder(const std::filesystem::path& programDir, const std::string& arch);
