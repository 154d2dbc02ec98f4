#include "inspect/show_pack.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include <fmt/format.h>

#include "base/utf8_files.h"
#include "inspect/zip_archive.h"

namespace fs = std::filesystem;

namespace {

// The file beside the player that holds its default options (the player's "demo-options.txt").
constexpr const char* kDefaultOptionsFile = "demo-options.txt";

const char* const kDefaultOptions =
    "# Default options of the player beside this file, in the command line's own words; options typed on the\n"
    "# command line come after these and override them. --setup opens the start-up dialog before the show;\n"
    "# --in-program-folder reads the show beside the player, whatever folder it was started from.\n"
    "# Delete this file and the player starts at once with its built-in settings, as before.\n"
    "--setup --in-program-folder\n";

std::string quotedForShell(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Standard output of a shell command; false when it cannot run or fails. (The Linux player is packed on Linux;
// on Windows there is no ldd, and the commands fail.)
#ifdef _WIN32
FILE* startPipe(const std::string& command) { return _popen(command.c_str(), "rb"); }
int endPipe(FILE* pipe) { return _pclose(pipe); }
#else
FILE* startPipe(const std::string& command) { return popen((command + " 2>/dev/null").c_str(), "r"); }
int endPipe(FILE* pipe) { return pclose(pipe); }
#endif

bool commandOutput(const std::string& command, std::string& output) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(startPipe(command), &endPipe);
    if (!pipe) return false;
    output.clear();
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) output.append(chunk, got);
    return endPipe(pipe.release()) == 0;
}

// The libraries a file names as needed (its DT_NEEDED entries).
bool neededLibraries(const fs::path& file, std::vector<std::string>& names) {
    std::string output;
    if (!commandOutput("objdump -p " + quotedForShell(file.string()), output)) return false;
    std::istringstream lines(output);
    names.clear();
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string tag, name;
        if (words >> tag >> name && tag == "NEEDED") names.push_back(name);
    }
    return true;
}

bool copyFile(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code failure;
    fs::create_directories(to.parent_path(), failure);
    if (!failure) fs::copy_file(from, to, fs::copy_options::overwrite_existing, failure);
    if (failure) error = fmt::format("cannot copy '{}' to '{}': {}", utf8PathText(from), utf8PathText(to),
                                     failure.message());
    return !failure;
}

bool writeText(const fs::path& file, const std::string& text, std::string& error) {
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out.flush()) error = "cannot write '" + utf8PathText(file) + "'";
    return static_cast<bool>(out);
}

bool addLinuxPlayer(const PackRequest& request, std::string& error) {
    const fs::path player = request.programDir / "demo";
    std::error_code ignored;
    if (!fs::is_regular_file(player, ignored)) {
        error = fmt::format("no Linux player at '{}': build the player (target demo) beside demo-pack first",
                            utf8PathText(player));
        return false;
    }
    // The file helper reads what would crash a library in the player: without it a damaged file would end the
    // show on the party's machine.
    const fs::path helper = request.programDir / "demo-file-helper";
    if (!fs::is_regular_file(helper, ignored)) {
        error = fmt::format("no file helper at '{}': build it (target demo-file-helper) beside demo-pack first",
                            utf8PathText(helper));
        return false;
    }
    std::vector<fs::path> libraries, helperLibraries;
    if (!packedLibraries(player, libraries, error) || !packedLibraries(helper, helperLibraries, error)) return false;
    libraries.insert(libraries.end(), helperLibraries.begin(), helperLibraries.end());
    std::sort(libraries.begin(), libraries.end());
    libraries.erase(std::unique(libraries.begin(), libraries.end()), libraries.end());
    for (const char* program : {"demo", "demo-file-helper"}) {
        if (!copyFile(request.programDir / program, request.outDir / program, error)) return false;
        // Without its symbol table a program is a sixth smaller; a machine without strip packs it as it is.
        std::string ignoredOutput;
        commandOutput("strip --strip-unneeded " + quotedForShell((request.outDir / program).string()), ignoredOutput);
    }
    for (const fs::path& library : libraries) {
        if (!copyFile(library, request.outDir / "lib" / library.filename(), error)) return false;
    }
    return true;
}

bool addWindowsPlayer(const PackRequest& request, std::string& error) {
    const fs::path build = windowsBuildFolder(request.programDir, *request.windows);
    if (build.empty()) {
        error = fmt::format("no Windows build for {0}: run scripts/build-windows.sh {0} first (it makes "
                            "dist/windows-{0}/ in the source folder, beside the build folder demo-pack is in)",
                            *request.windows);
        return false;
    }
    // The player, the tools (demo-inspect.exe checks the show on the party's machine) and the DLLs; the build's
    // sample show and its README stay behind.
    std::error_code ignored;
    if (!fs::is_regular_file(build / "demo.exe", ignored)) {
        error = fmt::format("'{}' has no demo.exe: run scripts/build-windows.sh {} again", utf8PathText(build),
                            *request.windows);
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(build, ignored)) {
        const fs::path name = entry.path().filename();
        const std::string extension = utf8PathText(name.extension());
        const bool program = extension == ".dll" || extension == ".DLL" || extension == ".exe" || extension == ".EXE";
        if (entry.is_regular_file() && program) {
            if (!copyFile(entry.path(), request.outDir / name, error)) return false;
        }
    }
    return true;
}

std::string readme(const PackRequest& request) {
    std::string text = fmt::format("{}\n{}\n\n", utf8PathText(request.outDir.filename()),
                                   std::string(utf8PathText(request.outDir.filename()).size(), '='));
    text += "A real-time demo: it plays its music and draws its scenes in step with it, then ends by itself.\n\n";
    text += "Start it\n--------\n";
    if (request.windows) {
        text += "  Windows: double-click demo.exe (or run it from a command prompt in this folder).\n"
                "           demo-inspect.exe checks the show on this machine and says what would go wrong.\n";
    }
    if (request.linuxPlayer) {
        text += "  Linux:   double-click demo, or run ./demo in this folder. The libraries it needs are in lib/;\n"
                "           the system gives the C and C++ runtime, OpenGL, X11 or Wayland and the sound server.\n";
    }
    text += "\nThe setup dialog opens first: Up/Down choose a setting, Left/Right change it (the mouse works too),\n"
            "Enter or Start plays the show with those settings, Escape or closing the dialog quits.\n"
            "  Display     the screen to play on (when there are several)\n"
            "  Resolution  that screen's modes and the show's own size\n"
            "  Window      full screen, windowed or borderless\n"
            "  Vsync       wait for the screen's refresh (on) or not (off)\n"
            "  Quality     draw at 1, 0.75 or 0.5 times the size and scale up: 0.5 for a slow graphics card\n\n"
            "While the show plays: Escape ends it; closing the window ends it too.\n\n"
            "Options\n-------\n"
            "The same settings as command-line options (the dialog's choices are these words):\n\n"
            "  demo [--setup | --no-setup] [--in-program-folder] [--display N] [--size WxH]\n"
            "       [--fullscreen | --windowed | --borderless] [--vsync 0|1] [--scale F]\n\n"
            "  --setup              the setup dialog before the show (--no-setup: straight into the show)\n"
            "  --in-program-folder  read the show beside the player, not in the folder it was started from\n"
            "  --display N          play on display N (1 is the first)\n"
            "  --size WxH           the window's and the picture's size\n"
            "  --fullscreen         full screen (at --size with black bars where the shapes differ)\n"
            "  --windowed           a framed window\n"
            "  --borderless         a borderless window of exactly the size\n"
            "  --vsync 0|1          present without or with waiting for the refresh\n"
            "  --scale F            draw at F times the window's size (0.1 to 4) and scale when presenting\n\n"
            "demo-options.txt beside the player holds its default options (here: --setup --in-program-folder);\n"
            "options typed on the command line override them. Put --fullscreen --size 1920x1080 there and\n"
            "delete --setup to start straight into the show; delete the file and the player uses its built-in\n"
            "settings (a 1920 x 1080 window) and reads the show from the folder it is started in.\n\n"
            "The show\n--------\n"
            "resources/ holds the show: resources.xml names its files, timeline.xml says what is shown when.\n"
            "The player needs OpenGL 4.5. demo.log is written beside the show (empty); problems go to the console.\n";
    return text;
}

}  // namespace

uintmax_t folderBytes(const fs::path& folder) {
    uintmax_t bytes = 0;
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder, ignored))
        if (entry.is_regular_file(ignored)) bytes += entry.file_size(ignored);
    return bytes;
}

bool isSystemLibrary(const std::string& soname) {
    // Why each stays with the system:
    static const char* const kSystemPrefixes[] = {
        // the C runtime and the loader: every program on the machine uses the system's
        "ld-linux", "libc.so", "libm.so", "libdl.so", "libpthread.so", "librt.so", "libresolv.so", "libutil.so",
        "libmvec.so",
        // the C++ runtime: the graphics driver (Mesa's LLVM) loads it too, and needs the system's, often newer one
        "libstdc++.so", "libgcc_s.so",
        // the graphics driver's own libraries
        "libGL.so", "libEGL.so", "libGLX", "libGLdispatch", "libOpenGL", "libgbm.so", "libdrm",
        // the display server's client libraries: they must match the desktop's server
        "libX", "libxcb", "libxkbcommon", "libwayland-", "libdecor",
        // the sound server's client libraries and their configuration
        "libasound.so", "libpulse", "libpipewire", "libjack",
        // zlib: on every system, and the driver loads the system's
        "libz.so",
    };
    for (const char* prefix : kSystemPrefixes) {
        if (soname.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool packedLibraries(const fs::path& program, std::vector<fs::path>& libraries, std::string& error) {
    // Where the loader finds each library for this program: ldd lists them all, by name.
    std::string output;
    if (!commandOutput("ldd " + quotedForShell(program.string()), output)) {
        error = "ldd cannot list the libraries of '" + utf8PathText(program) + "'";
        return false;
    }
    std::map<std::string, fs::path> found;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name, arrow, path;
        if (words >> name >> arrow >> path && arrow == "=>" && path != "not") found[name] = path;
        else if (arrow == "=>") {
            error = fmt::format("'{}' needs '{}', which is not installed here", utf8PathText(program), name);
            return false;
        }
    }
    // The libraries the program needs, then theirs, not following the system's own.
    std::set<std::string> seen;
    std::deque<fs::path> open = {program};
    libraries.clear();
    while (!open.empty()) {
        const fs::path file = open.front();
        open.pop_front();
        std::vector<std::string> names;
        if (!neededLibraries(file, names)) {
            error = "objdump (binutils) cannot read the dependencies of '" + utf8PathText(file) + "'";
            return false;
        }
        for (const std::string& name : names) {
            if (isSystemLibrary(name) || !seen.insert(name).second) continue;
            const auto where = found.find(name);
            if (where == found.end()) {
                error = fmt::format("cannot tell where '{}' (needed by '{}') is", name, utf8PathText(file));
                return false;
            }
            libraries.push_back(where->second);
            open.push_back(where->second);
        }
    }
    return true;
}

fs::path windowsBuildFolder(const fs::path& programDir, const std::string& arch) {
    // demo-pack runs from a build folder inside the source folder, or from the source folder itself.
    const std::string name = "dist/windows-" + arch;
    for (const fs::path& candidate : {programDir / ".." / name, programDir / name}) {
        std::error_code ignored;
        if (fs::is_directory(candidate, ignored)) return candidate.lexically_normal();
    }
    return {};
}

bool packShow(const ShowFiles& files, const PackRequest& request, std::string& error) {
    std::error_code failure;
    if (fs::exists(request.outDir, failure) && !fs::is_empty(request.outDir, failure)) {
        error = fmt::format("'{}' exists and is not empty: choose a new folder", utf8PathText(request.outDir));
        return false;
    }
    // Checked before anything is written, so that a missing build leaves no half-made folder.
    if (request.windows && windowsBuildFolder(request.programDir, *request.windows).empty()) {
        return addWindowsPlayer(request, error);
    }
    fs::create_directories(request.outDir, failure);
    if (failure) {
        error = fmt::format("cannot make '{}': {}", utf8PathText(request.outDir), failure.message());
        return false;
    }
    for (const std::string& file : files.files) {
        if (!copyFile(utf8FilePath(file), request.outDir / utf8FilePath(file), error)) return false;
    }
    if (request.linuxPlayer && !addLinuxPlayer(request, error)) return false;
    if (request.windows && !addWindowsPlayer(request, error)) return false;
    if (!writeText(request.outDir / kDefaultOptionsFile, kDefaultOptions, error)) return false;
    if (!writeText(request.outDir / "README.txt", readme(request), error)) return false;
    if (request.zip) {
        fs::path archive = request.outDir;
        archive += ".zip";
        fs::remove(archive, failure);
        if (!zipFolder(request.outDir, archive, error)) return false;
    }
    return true;
}
