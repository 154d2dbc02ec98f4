#include "app/demo.h"
#include "platform/process/command_line_source.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

int runPlayer(int argc, char** argv) {
    platform::recordCommandLine(argc, argv);
    // Errors the run cannot handle (a command line that cannot be parsed, an unreadable timeline path) stop it
    // with their reason instead of aborting.
    try {
        Demo demo;
        return demo.run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
// A window program: Windows starts it here. The command line is read again as UTF-16 by the platform layer.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return runPlayer(__argc, __argv); }
#else
int main(int argc, char** argv) { return runPlayer(argc, argv); }
#endif
