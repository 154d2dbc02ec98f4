#include "platform/process/command_line_source.h"

namespace platform {

namespace {

bool recorded = false;
std::vector<std::string> recordedArguments;

}  // namespace

void recordCommandLine(int argc, char** argv) {
    recordedArguments.clear();
    for (int i = 0; i < argc && argv && argv[i]; ++i) recordedArguments.emplace_back(argv[i]);
    recorded = argv != nullptr;
}

bool commandLineArguments(std::vector<std::string>& arguments) {
    if (!recorded) return false;
    arguments = recordedArguments;
    return true;
}

}  // namespace platform
