#include "platform/shader_compiler/source_files.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace shader_compiler {

bool readWholeFile(const std::string& path, std::string* content) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return false;
    content->clear();
    char chunk[16384];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0) content->append(chunk, got);
    return std::ferror(file.get()) == 0;
}

std::string includedPath(const char* requesting, const char* requested) {
    return (std::filesystem::path(requesting).parent_path() / requested).lexically_normal().string();
}

}  // namespace shader_compiler
