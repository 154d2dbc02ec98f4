#include "app/demo.h"
#include "platform/process/command_line_source.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
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
