#include "platform/process/file_watcher.h"

#ifndef _WIN32

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>

namespace platform {

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM;

}  // namespace

FileWatcher::FileWatcher()
    : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), wakeEvent_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

FileWatcher::~FileWatcher() {
    if (inotify_ >= 0) close(inotify_);
    if (wakeEvent_ >= 0) close(wakeEvent_);
}

void FileWatcher::addTree(const std::string& folder) {
    const int descriptor = inotify_add_watch(inotify_, folder.c_str(), kFileEvents | IN_ONLYDIR);
    if (descriptor < 0) return;
    folders_[descriptor] = folder;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (entry->is_directory(error)) addTree(entry->path().string());
    }
}

bool FileWatcher::watch(const std::string& folder) {
    if (inotify_ < 0 || wakeEvent_ < 0) return false;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return false;
    addTree(folder);
    return std::any_of(folders_.begin(), folders_.end(), [&](const auto& entry) { return entry.second == folder; });
}

bool FileWatcher::wait(std::chrono::milliseconds timeout, std::vector<std::string>& changed, bool* arrived) {
    if (arrived) *arrived = false;
    if (inotify_ < 0 || wakeEvent_ < 0) return false;
    std::array<pollfd, 2> descriptors = {pollfd{inotify_, POLLIN, 0}, pollfd{wakeEvent_, POLLIN, 0}};
    const int ready = poll(descriptors.data(), descriptors.size(), static_cast<int>(timeout.count()));
    if (ready < 0) return errno == EINTR;
    if (descriptors[1].revents & POLLIN) {
        uint64_t count = 0;
        (void)!read(wakeEvent_, &count, sizeof count);
    }
    if (!(descriptors[0].revents & POLLIN)) return true;

    alignas(inotify_event) std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t length = read(inotify_, buffer.data(), buffer.size());
        if (length <= 0) break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (arrived) *arrived = true;
            if (event->mask & IN_Q_OVERFLOW) {
                if (std::find(changed.begin(), changed.end(), kOverflow) == changed.end()) changed.push_back(kOverflow);
                continue;
            }
            const auto folder = folders_.find(event->wd);
            if (event->mask & IN_IGNORED) {
                if (folder != folders_.end()) folders_.erase(folder);
                continue;
            }
            if (folder == folders_.end() || event->len == 0) continue;
            std::string path = folder->second;
            path += '/';
            path += event->name;
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) addTree(path);
                continue;
            }
            // A new file is reported when it has been written and closed.
            if (event->mask == IN_CREATE) continue;
            if (std::find(changed.begin(), changed.end(), path) == changed.end()) changed.push_back(std::move(path));
        }
    }
    return true;
}

void FileWatcher::wake() {
    const uint64_t one = 1;
    if (wakeEvent_ >= 0) (void)!write(wakeEvent_, &one, sizeof one);
}

}  // namespace platform

#endif  // !_WIN32
