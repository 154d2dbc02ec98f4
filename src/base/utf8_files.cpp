#include "base/utf8_files.h"

#ifdef _WIN32
#include "base/wide_text.h"
#endif

std::FILE* openUtf8File(const std::string& path, const char* mode) {
#ifdef _WIN32
    const std::u16string widePath = widenUtf8(path);
    const std::u16string wideMode = widenUtf8(mode);
    return _wfopen(reinterpret_cast<const wchar_t*>(widePath.c_str()), reinterpret_cast<const wchar_t*>(wideMode.c_str()));
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::filesystem::path utf8FilePath(std::string_view path) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

std::string utf8PathText(const std::filesystem::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}
