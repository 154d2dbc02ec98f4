#pragma once

#include <string>
#include <vector>

namespace shader_compiler {

// The whole file as bytes; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string* content);

// D3D_COMPILE_STANDARD_FILE_INCLUDE: "name" and <name> both resolve against the including file's folder.
std::string includedPath(const char* requesting, const char* requested);

// Every file `path` includes, directly or through its includes, as includedPath resolves them; files that cannot
// be read are listed and not followed. For telling which shaders a changed file affects.
std::vector<std::string> includedFiles(const std::string& path);

}  // namespace shader_compiler
