#pragma once

#include <cstdint>

namespace platform {

// Waits `timeoutMilliseconds` for the process to end on its own (it never does: the wait is the grace period
// for posted messages), then ends it without running destructors. Safe on any thread; when both threads end
// the process at once, the first non-zero `exitCode` asked for is the one it ends with.
[[noreturn]] void terminateOwnProcessAfter(uint32_t timeoutMilliseconds, int exitCode = 0);

}  // namespace platform
