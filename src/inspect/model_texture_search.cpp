#include "inspect/model_texture_search.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/utf8_files.h"

namespace model_textures {

namespace fs = std::filesystem;

namespace {

// ASCII letters only: other letters of a UTF-8 name are compared as they stand.
std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

fs::path findTextureFile(const std::string& named, const fs::path& modelFolder) {
    std::string given = named;
    std::replace(given.begin(), given.end(), '\\', '/');
    std::error_code ec;
    const fs::path asGiven = utf8FilePath(given);
    if (asGiven.is_absolute() && fs::is_regular_file(asGiven, ec)) return asGiven;
    if (!asGiven.is_absolute() && !given.empty() && fs::is_regular_file(modelFolder / asGiven, ec))
        return modelFolder / asGiven;
    // The last step of a path from another machine, even one whose drive letter makes no sense here.
    const std::string wanted = lowerAscii(given.substr(given.find_last_of('/') + 1));
    if (wanted.empty()) return {};
    for (auto it = fs::recursive_directory_iterator(modelFolder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it.depth() > 2) it.disable_recursion_pending();
        if (it->is_regular_file(ec) && lowerAscii(utf8PathText(it->path().filename())) == wanted) return it->path();
    }
    return {};
}

bool readFileBytes(const fs::path& file, std::vector<std::uint8_t>* bytes) {
    bytes->clear();
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec || size == 0) return false;
    std::FILE* in = openUtf8File(utf8PathText(file), "rb");
    if (!in) return false;
    bytes->resize(size);
    const bool read = std::fread(bytes->data(), 1, bytes->size(), in) == bytes->size();
    std::fclose(in);
    if (!read) bytes->clear();
    return read;
}

bool sameBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> existing;
    if (bytes.empty()) {
        std::error_code ec;
        return fs::file_size(file, ec) == 0 && !ec;
    }
    return readFileBytes(file, &existing) && existing == bytes;
}

}  // namespace model_textures
