#include "platform/process/console.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#endif

namespace platform {

namespace {

#ifdef _WIN32
// Whether a stream already goes to a file or a pipe that whoever started the program chose (demo.exe > log.txt):
// such a stream stays there rather than move to the console.
bool redirectedByCaller(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    if (descriptor < 0) return false;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Puts the console behind one of the runtime's standard streams (the same FILE object, so every later use of
// stdout and of std::cout sees it).
void moveToConsole(std::FILE* stream, const char* device, const char* mode) { (void)std::freopen(device, mode, stream); }
#endif

}  // namespace

void openConsoleStreams() {
#ifdef _WIN32
    const bool keepInput = redirectedByCaller(stdin);
    const bool keepOutput = redirectedByCaller(stdout);
    const bool keepError = redirectedByCaller(stderr);
    if (AllocConsole()) {
        if (!keepInput) moveToConsole(stdin, "CONIN$", "r");
        if (!keepOutput) moveToConsole(stdout, "CONOUT$", "w");
        if (!keepError) moveToConsole(stderr, "CONOUT$", "w");
    }
#endif
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void moveConsoleWindow([[maybe_unused]] int x, [[maybe_unused]] int y) {
#ifdef _WIN32
    if (HWND console = GetConsoleWindow()) SetWindowPos(console, nullptr, x, y, 0, 0, SWP_NOSIZE);
#endif
}

}  // namespace platform
