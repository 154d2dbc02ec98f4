#pragma once

// Mesa's no-op driver (GALLIUM_NOOP=1) makes every GL call and draws nothing: what a benchmark measures there is
// the program's own cost, the figure that tells how it will do on a GPU. A benchmark on Mesa runs itself again
// there, once, after its own figures.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

inline bool onNoopDriver() {
    const char* noop = std::getenv("GALLIUM_NOOP");
    return noop && std::strcmp(noop, "0") != 0;
}

// renderer: GL_RENDERER of the driver the benchmark ran on. Returns the child's exit status (0 when not run).
inline int runAgainOnNoopDriver(char** argv, const char* renderer) {
    if (onNoopDriver() || !renderer || !std::strstr(renderer, "llvmpipe")) return 0;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        setenv("GALLIUM_NOOP", "1", 1);
        execv("/proc/self/exe", argv);
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0) return 1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
