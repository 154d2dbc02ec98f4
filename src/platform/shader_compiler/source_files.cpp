#include "platform/shader_compiler/source_files.h"

#include <cstdio>
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

}  // namespace shader_compiler
