#pragma once

#include <string>
#include <string_view>

// Conversions between the narrow UTF-8 texts of the XML files and the wide (UTF-16) file paths the engine hands
// to the platform. Bytes that are not valid UTF-8 are carried over one to one (as Latin-1), so nothing is lost
// and plain ASCII converts unchanged in both directions.
std::u16string widenUtf8(std::string_view utf8);
std::string narrowToUtf8(std::u16string_view utf16);
