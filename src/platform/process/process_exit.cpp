#include "platform/process/process_exit.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

namespace {

// Both threads may be on their way out at once (a fatal error on one, the closed window on the other): the
// process ends with the first failure code asked for, whichever thread gets to the end first.
std::atomic<int> exitStatus{0};

}  // namespace

void terminateOwnProcessAfter(uint32_t timeoutMilliseconds, int exitCode) {
    int none = 0;
    if (exitCode != 0) exitStatus.compare_exchange_strong(none, exitCode);
    std::fflush(nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMilliseconds));
    std::fflush(nullptr);
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitStatus.load()));
#endif
    _exit(exitStatus.load());
}

}  // namespace platform
