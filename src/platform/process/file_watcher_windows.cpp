#include "platform/process/file_watcher.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "base/utf8_files.h"
#include "base/wide_text.h"

namespace platform {

namespace {

// Names, writes and removals of files and folders anywhere below the watched folder.
constexpr DWORD kFileEvents = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

}  // namespace

struct FileWatcher::WatchedFolder {
    std::string path;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE readDone = nullptr;
    OVERLAPPED overlapped{};
    alignas(DWORD) char buffer[64 * 1024];

    ~WatchedFolder() {
        if (directory != INVALID_HANDLE_VALUE) {
            CancelIoEx(directory, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(directory, &overlapped, &ignored, TRUE);
            CloseHandle(directory);
        }
        if (readDone) CloseHandle(readDone);
    }

    // Starts the next read of changes; they arrive while the last ones are being looked at.
    bool startRead() {
        ResetEvent(readDone);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = readDone;
        return ReadDirectoryChangesW(directory, buffer, sizeof buffer, TRUE, kFileEvents, nullptr, &overlapped, nullptr) != 0;
    }
};

FileWatcher::FileWatcher() : wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

FileWatcher::~FileWatcher() {
    watched_.clear();
    if (wakeEvent_) CloseHandle(static_cast<HANDLE>(wakeEvent_));
}

bool FileWatcher::watch(const std::string& folder) {
    std::error_code error;
    if (!wakeEvent_ || !std::filesystem::is_directory(utf8FilePath(folder), error)) return false;
    // Waits take every folder's event and the wake event at once.
    if (watched_.size() + 1 >= MAXIMUM_WAIT_OBJECTS) return false;
    auto watched = std::make_unique<WatchedFolder>();
    watched->path = folder;
    const std::u16string widePath = widenUtf8(folder);
    watched->directory = CreateFileW(reinterpret_cast<LPCWSTR>(widePath.c_str()), FILE_LIST_DIRECTORY,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    watched->readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (watched->directory == INVALID_HANDLE_VALUE || !watched->readDone || !watched->startRead()) return false;
    watched_.push_back(std::move(watched));
    return true;
}

bool FileWatcher::wait(std::chrono::milliseconds timeout, std::vector<std::string>& changed, bool* arrived) {
    if (arrived) *arrived = false;
    if (!wakeEvent_ || watched_.empty()) return false;
    HANDLE events[MAXIMUM_WAIT_OBJECTS];
    DWORD count = 0;
    events[count++] = static_cast<HANDLE>(wakeEvent_);
    for (const auto& watched : watched_) events[count++] = watched->readDone;
    const DWORD ready = WaitForMultipleObjects(count, events, FALSE, static_cast<DWORD>(timeout.count()));
    if (ready == WAIT_FAILED) return false;
    if (ready == WAIT_TIMEOUT || ready == WAIT_OBJECT_0) return true;

    // Every folder whose read has finished, not only the first that woke the wait.
    for (const auto& watched : watched_) {
        if (WaitForSingleObject(watched->readDone, 0) != WAIT_OBJECT_0) continue;
        DWORD length = 0;
        if (!GetOverlappedResult(watched->directory, &watched->overlapped, &length, FALSE)) return false;
        if (arrived) *arrived = true;
        // No bytes: more changes came than the buffer holds, and the system dropped them.
        if (length == 0 && std::find(changed.begin(), changed.end(), kOverflow) == changed.end()) changed.push_back(kOverflow);
        for (DWORD offset = 0; length > 0;) {
            const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(watched->buffer + offset);
            const std::u16string name(reinterpret_cast<const char16_t*>(entry->FileName), entry->FileNameLength / sizeof(WCHAR));
            std::string path = watched->path;
            path += '/';
            path += narrowToUtf8(name);
            std::replace(path.begin(), path.end(), '\\', '/');
            std::error_code error;
            // Folders report their own changes when files in them change; those are not files that changed. A
            // file renamed away is gone from its old name, as inotify says of a move.
            const bool folder = entry->Action != FILE_ACTION_REMOVED && entry->Action != FILE_ACTION_RENAMED_OLD_NAME &&
                                std::filesystem::is_directory(utf8FilePath(path), error);
            if (!folder && std::find(changed.begin(), changed.end(), path) == changed.end()) changed.push_back(std::move(path));
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
        if (!watched->startRead()) return false;
    }
    return true;
}

void FileWatcher::wake() {
    if (wakeEvent_) SetEvent(static_cast<HANDLE>(wakeEvent_));
}

}  // namespace platform

#endif  // _WIN32
