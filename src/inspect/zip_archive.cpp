#include "inspect/zip_archive.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "base/utf8_files.h"

#ifdef DEMO_HAVE_MINIZIP
#include <zlib.h>
#include <minizip/zip.h>
#endif

#ifdef DEMO_HAVE_MINIZIP

namespace {

constexpr unsigned long kMadeOnUnix = (3ul << 8) | 20;  // version made by: Unix, ZIP 2.0 (permissions are read)
constexpr unsigned long kUtf8Names = 1ul << 11;

bool addFile(zipFile zip, const std::filesystem::path& file, const std::string& name, std::string& error) {
    std::error_code ignored;
    zip_fileinfo info{};
    const auto permissions = static_cast<unsigned long>(std::filesystem::status(file, ignored).permissions() &
                                                        std::filesystem::perms::mask);
    info.external_fa = (0100000ul | permissions) << 16;  // a regular file with its mode
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now)) {
        // Field by field: minizip's fields are unsigned in some versions and int in others.
        info.tmz_date.tm_sec = local->tm_sec;
        info.tmz_date.tm_min = local->tm_min;
        info.tmz_date.tm_hour = local->tm_hour;
        info.tmz_date.tm_mday = local->tm_mday;
        info.tmz_date.tm_mon = local->tm_mon;
        info.tmz_date.tm_year = local->tm_year + 1900;
    }
    const auto size = std::filesystem::file_size(file, ignored);
    if (zipOpenNewFileInZip4_64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                kMadeOnUnix, kUtf8Names, size >= 0xffffffffu ? 1 : 0) != ZIP_OK) {
        error = "cannot add '" + name + "' to the archive";
        return false;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> input(openUtf8File(utf8PathText(file), "rb"), &std::fclose);
    bool written = input != nullptr;
    std::vector<char> chunk(1 << 16);
    for (size_t got; written && (got = std::fread(chunk.data(), 1, chunk.size(), input.get())) > 0;)
        written = zipWriteInFileInZip(zip, chunk.data(), static_cast<unsigned>(got)) == ZIP_OK;
    written = written && std::ferror(input.get()) == 0;
    if (zipCloseFileInZip(zip) != ZIP_OK || !written) {
        error = "cannot write '" + name + "' into the archive";
        return false;
    }
    return true;
}

}  // namespace

bool zipFolder(const std::filesystem::path& folder, const std::filesystem::path& archive, std::string& error) {
    std::vector<std::filesystem::path> files;
    std::error_code walkError;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, walkError);
         !walkError && it != std::filesystem::recursive_directory_iterator(); it.increment(walkError)) {
        if (it->is_regular_file()) files.push_back(it->path());
    }
    if (walkError) {
        error = "cannot read '" + utf8PathText(folder) + "': " + walkError.message();
        return false;
    }
    std::sort(files.begin(), files.end());
    const std::string root = utf8PathText(folder.filename());
    zipFile zip = zipOpen64(utf8PathText(archive).c_str(), APPEND_STATUS_CREATE);
    if (!zip) {
        error = "cannot create '" + utf8PathText(archive) + "'";
        return false;
    }
    bool ok = true;
    for (const std::filesystem::path& file : files) {
        const std::string name = root + "/" + utf8PathText(file.lexically_relative(folder));
        if (!(ok = addFile(zip, file, name, error))) break;
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        error = "cannot finish '" + utf8PathText(archive) + "'";
        ok = false;
    }
    return ok;
}

#else

bool zipFolder(const std::filesystem::path&, const std::filesystem::path&, std::string& error) {
    error = "this build has no ZIP library (minizip)";
    return false;
}

#endif
