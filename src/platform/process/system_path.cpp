#include "platform/process/system_path.h"

#include <algorithm>

namespace platform {

std::string systemPath(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

}  // namespace platform
