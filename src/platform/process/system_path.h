#pragma once

#include <string>
#include <string_view>

namespace platform {

// A path from a show file as this file system names it. Shows are often written on Windows, where "\" separates
// directories like "/"; here only "/" does, so every "\" becomes "/". Nothing else changes (case matters here).
std::string systemPath(std::string_view path);
// The same for a wide path (UTF-16) from a show file.
std::string systemPath(std::u16string_view path);

}  // namespace platform
