#include "platform/process/system_path.h"

#include <algorithm>

#include "base/wide_text.h"

namespace platform {

std::string systemPath(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string systemPath(std::u16string_view path) { return systemPath(narrowToUtf8(path)); }

}  // namespace platform
