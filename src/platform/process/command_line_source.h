#pragma once

#include <string>
#include <vector>

namespace platform {

// The process command line as the entry point received it. `main` records it first thing; the application
// splits it later, as it would ask the system for it.
void recordCommandLine(int argc, char** argv);

// Program name first; false when nothing was recorded (the command line cannot be split). On Windows the
// arguments are the program's UTF-16 command line split by the shell's rules, as UTF-8.
bool commandLineArguments(std::vector<std::string>& arguments);

// The folder the running program's file is in (UTF-8, "/" between the steps); empty when it cannot be told.
std::string programDirectory();

// The module instance the entry point receives on Windows (the program's own module handle); null elsewhere.
void* moduleInstance();

}  // namespace platform
