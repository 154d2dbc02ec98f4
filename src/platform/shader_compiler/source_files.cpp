#include "platform/shader_compiler/source_files.h"

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "base/utf8_files.h"

namespace shader_compiler {

bool readWholeFile(const std::string& path, std::string* content) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openUtf8File(path, "rb"), &std::fclose);
    if (!file) return false;
    content->clear();
    char chunk[16384];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0) content->append(chunk, got);
    return std::ferror(file.get()) == 0;
}

std::string includedPath(const char* requesting, const char* requested) {
    return utf8PathText((utf8FilePath(requesting).parent_path() / utf8FilePath(requested)).lexically_normal());
}

std::vector<std::string> includedFiles(const std::string& path) {
    std::vector<std::string> found;
    std::vector<std::string> open = {path};
    while (!open.empty()) {
        const std::string file = std::move(open.back());
        open.pop_back();
        std::string content;
        if (!readWholeFile(file, &content)) continue;
        size_t line = 0;
        while (line < content.size()) {
            size_t end = content.find('\n', line);
            if (end == std::string::npos) end = content.size();
            // #include "name" or #include <name>, spaces allowed around the '#'.
            size_t at = content.find_first_not_of(" \t", line);
            if (at < end && content[at] == '#') {
                at = content.find_first_not_of(" \t", at + 1);
                if (at < end && content.compare(at, 7, "include") == 0) {
                    const size_t open_ = content.find_first_of("\"<", at + 7);
                    const size_t close = open_ < end ? content.find_first_of("\">", open_ + 1) : std::string::npos;
                    if (close < end) {
                        const std::string name = content.substr(open_ + 1, close - open_ - 1);
                        const std::string included = includedPath(file.c_str(), name.c_str());
                        if (included != path && std::find(found.begin(), found.end(), included) == found.end()) {
                            found.push_back(included);
                            open.push_back(included);
                        }
                    }
                }
            }
            line = end + 1;
        }
    }
    return found;
}

}  // namespace shader_compiler
