#include "platform/process/file_watcher.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "base/utf8_files.h"
#include "base/wide_text.h"

namespace platform {

namespace {

// Names, writes and removals of the files and folders in a watched folder.
constexpr DWORD kFileEvents = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

// A wait takes every folder's event and the wake event at once, so at most this many folders are watched.
constexpr std::size_t kMostFolders = MAXIMUM_WAIT_OBJECTS - 1;

void addOnce(std::vector<std::string>& changed, std::string path) {
    if (std::find(changed.begin(), changed.end(), path) == changed.end()) changed.push_back(std::move(path));
}

}  // namespace

// One folder's own entries (no subtree: Wine reports nothing below them), with a read always in progress.
struct FileWatcher::WatchedFolder {
    std::string path;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE readDone = nullptr;
    OVERLAPPED overlapped{};
    alignas(DWORD) char buffer[32 * 1024];

    ~WatchedFolder() {
        if (directory != INVALID_HANDLE_VALUE) {
            CancelIoEx(directory, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(directory, &overlapped, &ignored, TRUE);
            CloseHandle(directory);
        }
        if (readDone) CloseHandle(readDone);
    }

    bool open(const std::string& folder) {
        path = folder;
        const std::u16string widePath = widenUtf8(folder);
        directory = CreateFileW(reinterpret_cast<LPCWSTR>(widePath.c_str()), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        readDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return directory != INVALID_HANDLE_VALUE && readDone && startRead();
    }

    // Starts the next read of changes; they gather while the last ones are being looked at.
    bool startRead() {
        ResetEvent(readDone);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = readDone;
        return ReadDirectoryChangesW(directory, buffer, sizeof buffer, FALSE, kFileEvents, nullptr, &overlapped, nullptr) != 0;
    }
};

FileWatcher::FileWatcher() : wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

FileWatcher::~FileWatcher() {
    watched_.clear();
    if (wakeEvent_) CloseHandle(static_cast<HANDLE>(wakeEvent_));
}

void FileWatcher::addTree(const std::string& folder) {
    const bool known = std::any_of(watched_.begin(), watched_.end(), [&](const auto& w) { return w->path == folder; });
    if (known || watched_.size() >= kMostFolders) return;
    auto watched = std::make_unique<WatchedFolder>();
    if (!watched->open(folder)) return;
    watched_.push_back(std::move(watched));
    std::error_code error;
    for (std::filesystem::directory_iterator entry(utf8FilePath(folder), error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_directory(error)) addTree(utf8PathText(entry->path()));
    }
}

bool FileWatcher::watch(const std::string& folder) {
    std::error_code error;
    if (!wakeEvent_ || !std::filesystem::is_directory(utf8FilePath(folder), error)) return false;
    addTree(folder);
    return std::any_of(watched_.begin(), watched_.end(), [&](const auto& w) { return w->path == folder; });
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

    // Every folder whose read has finished, not only the one that ended the wait. Folders that appear are
    // watched once this pass is over; a folder whose read fails (it was removed) is no longer watched.
    std::vector<std::string> newFolders;
    for (auto it = watched_.begin(); it != watched_.end();) {
        WatchedFolder& watched = **it;
        if (WaitForSingleObject(watched.readDone, 0) != WAIT_OBJECT_0) {
            ++it;
            continue;
        }
        if (arrived) *arrived = true;
        DWORD length = 0;
        if (!GetOverlappedResult(watched.directory, &watched.overlapped, &length, FALSE)) {
            it = watched_.erase(it);
            continue;
        }
        // No bytes: more changes came than the buffer holds, and the system dropped them.
        if (length == 0) addOnce(changed, kOverflow);
        for (DWORD offset = 0; length > 0;) {
            const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(watched.buffer + offset);
            const std::u16string name(reinterpret_cast<const char16_t*>(entry->FileName),
                                      entry->FileNameLength / sizeof(WCHAR));
            std::string path = watched.path;
            path += '/';
            path += narrowToUtf8(name);
            std::error_code error;
            const bool gone = entry->Action == FILE_ACTION_REMOVED || entry->Action == FILE_ACTION_RENAMED_OLD_NAME;
            if (!gone && std::filesystem::is_directory(utf8FilePath(path), error)) {
                // A folder's own changes are not a file's; a new folder is watched from now on.
                if (entry->Action == FILE_ACTION_ADDED || entry->Action == FILE_ACTION_RENAMED_NEW_NAME)
                    newFolders.push_back(path);
            } else {
                addOnce(changed, std::move(path));
            }
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
        if (!watched.startRead()) {
            it = watched_.erase(it);
            continue;
        }
        ++it;
    }
    for (const std::string& folder : newFolders) addTree(folder);
    return !watched_.empty();
}

void FileWatcher::wake() {
    if (wakeEvent_) SetEvent(static_cast<HANDLE>(wakeEvent_));
}

}  // namespace platform

#endif  // _WIN32
