#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Changes to the files below one folder: ReadDirectoryChangesW on Windows, inotify elsewhere.
// A file counts as changed when it is written and closed, moved or renamed into place (how most editors save),
// created or deleted. One thread waits; any thread may wake it.
class FileWatcher {
public:
    FileWatcher();
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Watches `folder` and every folder below it, those made later included. False when it cannot.
    bool watch(const std::string& folder);

    // Waits up to `timeout` for changes and appends the changed files' paths (the watched folder's path joined
    // with the file's path below it, '/' between) to `changed`, each once; kOverflow when the system dropped
    // changes (too many at once). `arrived` tells whether anything happened at all, a change of a path already
    // listed too. False when watching has failed.
    bool wait(std::chrono::milliseconds timeout, std::vector<std::string>& changed, bool* arrived = nullptr);
    static constexpr const char* kOverflow = "*";

    // Makes a wait in progress (or the next one) return at once.
    void wake();

private:
    // Watches `folder` and the folders below it, each on its own (Wine reports no changes below a watched
    // folder's own entries, and inotify has no subtrees).
    void addTree(const std::string& folder);

#ifdef _WIN32
    struct WatchedFolder;  // one directory handle with its read in progress
    std::vector<std::unique_ptr<WatchedFolder>> watched_;
    void* wakeEvent_ = nullptr;
#else
    int inotify_ = -1;
    int wakeEvent_ = -1;
    std::map<int, std::string> folders_;  // watch descriptor to folder path
#endif
};

}  // namespace platform
