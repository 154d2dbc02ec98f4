#include "platform/process/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace platform {

namespace {

bool debuggerAttached() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + std::strlen("TracerPid:")) != 0;
    }
    return false;
}

}  // namespace

bool debugOutputEnabled() {
    static const bool enabled = [] {
        const char* requested = std::getenv("DEMO_DEBUG_OUTPUT");
        if (requested && *requested && std::strcmp(requested, "0") != 0) return true;
        return debuggerAttached();
    }();
    return enabled;
}

void debugOutput(const char* text) {
    if (text && debugOutputEnabled()) std::fputs(text, stderr);
}

}  // namespace platform
