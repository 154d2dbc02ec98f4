#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/utf8_files.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

bool flushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    const std::filesystem::path target = utf8FilePath(path);
    // In the same folder, so that the rename stays on one file system and is atomic.
    std::error_code failure;
    // A file made read-only is kept so; the bits are read, as the superuser may write it anyway.
    const std::filesystem::file_status status = std::filesystem::status(target, failure);
    const bool exists = !failure && std::filesystem::exists(status);
    using std::filesystem::perms;
    if (exists && (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) == perms::none) {
        error = utf8PathText(target.filename()) + " is read-only";
        return false;
    }
    const std::string temporary = path + ".saving";
    std::FILE* file = openUtf8File(temporary, "wb");
    if (!file) {
        error = "cannot write " + utf8PathText(target.filename()) + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flushToDisk(file);
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + utf8PathText(target.filename()) + ": " + std::strerror(written ? errno : savedErrno);
        std::filesystem::remove(utf8FilePath(temporary), failure);
        return false;
    }
    if (exists) std::filesystem::permissions(utf8FilePath(temporary), status.permissions(), failure);
    std::filesystem::rename(utf8FilePath(temporary), target, failure);
    if (failure) {
        error = "cannot replace " + utf8PathText(target.filename()) + ": " + failure.message();
        std::filesystem::remove(utf8FilePath(temporary), failure);
        return false;
    }
#ifndef _WIN32
    // The rename itself made durable: the folder's entry flushed.
    const std::string folder = target.has_parent_path() ? utf8PathText(target.parent_path()) : std::string(".");
    if (const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY); directory >= 0) {
        fsync(directory);
        close(directory);
    }
#endif
    return true;
}
