#pragma once

// The system half of the file helper: starting it, talking to it, ending it. POSIX in file_helper_posix.cpp,
// Win32 in file_helper_windows.cpp.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// One running helper, as the program sees it.
struct HelperProcess {
#ifdef _WIN32
    void* process = nullptr;  // HANDLE
    void* toHelper = nullptr;
    void* fromHelper = nullptr;
#else
    int pid = -1;
    int socket = -1;
#endif
};

// Starts the helper program found beside this one (or named by DEMO_FILE_HELPER); false when there is none.
bool startHelper(HelperProcess* helper);
bool sendToHelper(const HelperProcess& helper, const std::string& bytes);

enum class ReadResult { Ok, Closed, TimedOut };
ReadResult readFromHelper(const HelperProcess& helper, char* bytes, std::size_t size,
                          std::chrono::steady_clock::time_point deadline);

// Kills the helper if it still runs, waits for it and says how it ended ("crashed (signal 11, ...)").
std::string endHelper(const HelperProcess& helper);

// The helper's own end: the program's requests come on standard input, answers go to standard output, which is
// moved away first so that nothing a library prints can mix into the answers.
struct HelperChannel {
#ifdef _WIN32
    void* in = nullptr;
    void* out = nullptr;
#else
    int in = -1;
    int out = -1;
#endif
    bool read(char* bytes, std::size_t size) const;
    bool write(const char* bytes, std::size_t size) const;
};
HelperChannel openHelperChannel();

}  // namespace platform
