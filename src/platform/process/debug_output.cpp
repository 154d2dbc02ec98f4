#include "platform/process/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fstream>
#include <string>
#endif

namespace platform {

namespace {

bool requestedByEnvironment() {
    const char* requested = std::getenv("DEMO_DEBUG_OUTPUT");
    return requested && *requested && std::strcmp(requested, "0") != 0;
}

bool debuggerAttached() {
#ifdef _WIN32
    return IsDebuggerPresent() != 0;
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + std::strlen("TracerPid:")) != 0;
    }
    return false;
#endif
}

}  // namespace

bool debugOutputEnabled() {
    static const bool enabled = requestedByEnvironment() || debuggerAttached();
    return enabled;
}

void debugOutput(const char* text) {
    if (!text || !debugOutputEnabled()) return;
#ifdef _WIN32
    // The real debugger output, where a debugger or DebugView shows it; the environment variable also asks for
    // a copy on standard error, as elsewhere.
    OutputDebugStringA(text);
    static const bool toStandardError = requestedByEnvironment();
    if (!toStandardError) return;
#endif
    std::fputs(text, stderr);
}

}  // namespace platform
