#include "platform/process/process_exit.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace platform {

void terminateOwnProcessAfter(uint32_t timeoutMilliseconds, int exitCode) {
    std::fflush(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMilliseconds));
    std::fflush(nullptr);
    _exit(exitCode);
}

}  // namespace platform
