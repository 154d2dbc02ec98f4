#pragma once

#include <string>

namespace shader_compiler {

// The whole file as bytes; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string* content);

// D3D_COMPILE_STANDARD_FILE_INCLUDE: "name" and <name> both resolve against the including file's folder.
std::string includedPath(const char* requesting, const char* requested);

}  // namespace shader_compiler
