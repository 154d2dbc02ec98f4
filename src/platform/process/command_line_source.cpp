#include "platform/process/command_line_source.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "base/wide_text.h"
#endif

namespace platform {

namespace {

bool recorded = false;
std::vector<std::string> recordedArguments;

#ifdef _WIN32
// The program's own UTF-16 command line, split as the shell splits it: argv has it in the code page only.
bool systemCommandLine(std::vector<std::string>& arguments) {
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!split) return false;
    arguments.clear();
    for (int i = 0; i < count; ++i) arguments.push_back(narrowToUtf8(reinterpret_cast<const char16_t*>(split[i])));
    LocalFree(split);
    return true;
}
#endif

}  // namespace

void recordCommandLine(int argc, char** argv) {
    recordedArguments.clear();
    for (int i = 0; i < argc && argv && argv[i]; ++i) recordedArguments.emplace_back(argv[i]);
    recorded = argv != nullptr;
#ifdef _WIN32
    if (recorded) systemCommandLine(recordedArguments);
#endif
}

std::string programDirectory() {
#ifdef _WIN32
    std::u16string name(32768, u'\0');
    const DWORD length = GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(name.data()), DWORD(name.size()));
    if (length == 0 || length >= name.size()) return {};
    name.resize(length);
    std::string path = narrowToUtf8(name);
    for (char& c : path) c = c == '\\' ? '/' : c;
#else
    std::error_code error;
    const std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) return {};
#endif
    const std::size_t separator = path.find_last_of('/');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

void* moduleInstance() {
#ifdef _WIN32
    return GetModuleHandleW(nullptr);
#else
    return nullptr;
#endif
}

bool commandLineArguments(std::vector<std::string>& arguments) {
    if (!recorded) return false;
    arguments = recordedArguments;
    return true;
}

}  // namespace platform
