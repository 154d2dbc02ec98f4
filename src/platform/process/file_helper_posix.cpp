#include "platform/process/file_helper_channel.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace platform {

namespace {

std::string helperProgram() {
    if (const char* named = std::getenv("DEMO_FILE_HELPER"); named && *named) return named;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return (self.parent_path() / "demo-file-helper").string();
}

}  // namespace

bool startHelper(HelperProcess* helper) {
    static const std::string program = helperProgram();
    if (program.empty() || access(program.c_str(), X_OK) != 0) return false;
    int ends[2];
    // A socket rather than pipes: writing to a helper that died answers an error instead of raising SIGPIPE.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    // Decoded music comes back in tens of megabytes: large buffers make that a few hand-overs, not hundreds (the
    // system caps the size it grants).
    for (int end : ends) {
        const int bytes = 4 << 20;
        setsockopt(end, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
        setsockopt(end, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    // A group of its own: Ctrl+C in the terminal is the program's to handle; the helper ends with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        return false;
    }
    helper->pid = pid;
    helper->socket = ends[0];
    return true;
}

bool sendToHelper(const HelperProcess& helper, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(helper.socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

ReadResult readFromHelper(const HelperProcess& helper, char* bytes, std::size_t size,
                          std::chrono::steady_clock::time_point deadline) {
    std::size_t got = 0;
    while (got < size) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return ReadResult::TimedOut;
        pollfd wait{helper.socket, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return ReadResult::Closed;
        if (ready <= 0) continue;
        const ssize_t n = recv(helper.socket, bytes + got, size - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ReadResult::Closed;
        got += static_cast<std::size_t>(n);
    }
    return ReadResult::Ok;
}

std::string endHelper(const HelperProcess& helper) {
    close(helper.socket);
    int status = 0;
    pid_t ended = 0;
    // A helper that closed its end is dying or dead; one still running is stuck.
    for (int i = 0; i < 50 && (ended = waitpid(helper.pid, &status, WNOHANG)) == 0; ++i) usleep(2000);
    if (ended == 0) {
        kill(helper.pid, SIGKILL);
        waitpid(helper.pid, &status, 0);
        return "was stopped";
    }
    if (ended > 0 && WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return "crashed (signal " + std::to_string(signal) + ", " + strsignal(signal) + ")";
    }
    if (ended > 0 && WIFEXITED(status)) return "ended the process (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
    return "ended the process";
}

bool HelperChannel::read(char* bytes, std::size_t size) const {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(in, bytes + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool HelperChannel::write(const char* bytes, std::size_t size) const {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::write(out, bytes + sent, size - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// The sanitizers reserve terabytes of address space for their shadow memory: no limit under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DEMO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define DEMO_SANITIZED 1
#endif
#endif

// A file that asks a library for more memory than the machine has (a Collada file's 4.8 GB array) makes the
// allocation fail in the helper, which answers with the file's failure, instead of sending the machine to swap.
void limitHelperMemory() {
#ifndef DEMO_SANITIZED
    std::uint64_t limit = std::uint64_t(sysconf(_SC_PHYS_PAGES)) * std::uint64_t(sysconf(_SC_PAGE_SIZE)) / 2;
    if (const char* named = std::getenv("DEMO_FILE_MEMORY_LIMIT_MB"); named && std::atoll(named) > 0)
        limit = std::uint64_t(std::atoll(named)) << 20;
    if (limit == 0) return;
    const rlimit bound{rlim_t(limit), rlim_t(limit)};
    setrlimit(RLIMIT_AS, &bound);
#endif
}

HelperChannel openHelperChannel() {
    limitHelperMemory();
    // The helper ends with the program that started it, even when stuck in a job: a program that ends closes
    // the helper's input, and the helper is handed to another parent.
    signal(SIGPIPE, SIG_IGN);
    std::thread([parent = getppid()] {
        while (getppid() == parent) std::this_thread::sleep_for(std::chrono::milliseconds(250));
        _exit(0);
    }).detach();
    HelperChannel channel;
    channel.in = fcntl(0, F_DUPFD_CLOEXEC, 3);
    channel.out = fcntl(1, F_DUPFD_CLOEXEC, 3);
    dup2(2, 1);  // what libraries print goes to standard error
    return channel;
}

}  // namespace platform

#endif
