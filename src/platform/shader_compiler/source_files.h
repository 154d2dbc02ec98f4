#pragma once

#include <string>

namespace shader_compiler {

// The whole file as bytes; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string* content);

}  // namespace shader_compiler
