#pragma once

namespace platform {

// The debugger output: where the scene importer's log and the shader compiler's messages go. Silent unless a
// debugger is attached to the process or the environment variable DEMO_DEBUG_OUTPUT is set to a non-empty value
// other than "0"; then the text goes to standard error as it is (callers end their lines themselves).
void debugOutput(const char* text);

// Whether debugOutput writes anything; decided once per process.
bool debugOutputEnabled();

}  // namespace platform
