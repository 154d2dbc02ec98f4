#pragma once

#include <filesystem>
#include <string>

// Writes every file below `folder` into the ZIP archive `archive`, under the folder's own name, deflated, with
// UTF-8 names and the files' Unix permissions (so that programs stay executable). False with `error` set when
// it cannot, or when this build has no ZIP library.
bool zipFolder(const std::filesystem::path& folder, const std::filesystem::path& archive, std::string& error);
