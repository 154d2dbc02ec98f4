#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

// Files named by UTF-8 paths. Windows opens narrow names in the system's code page, so there the name is widened
// to UTF-16 and the wide entry points are used; elsewhere names are bytes and pass as they are.
std::FILE* openUtf8File(const std::string& path, const char* mode);

// A filesystem path from a UTF-8 text, and back with "/" between the steps as everywhere in the engine
// (std::filesystem reads narrow text in the code page on Windows, and puts backslashes between steps there).
std::filesystem::path utf8FilePath(std::string_view path);
std::string utf8PathText(const std::filesystem::path& path);
