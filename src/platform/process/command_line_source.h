#pragma once

#include <string>
#include <vector>

namespace platform {

// The process command line as the entry point received it. `main` records it first thing; the application
// splits it later, as it would ask the system for it.
void recordCommandLine(int argc, char** argv);

// Program name first; false when nothing was recorded (the command line cannot be split).
bool commandLineArguments(std::vector<std::string>& arguments);

}  // namespace platform
