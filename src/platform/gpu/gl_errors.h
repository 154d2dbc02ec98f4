#pragma once

#include <string>

#include <epoxy/gl.h>

#include "platform/gpu/result.h"

namespace gpu {

// Empties GL's error queue so that the next check sees only the calls after it.
void clearGlErrors();
// Ok, or the failure the GL errors since clearGlErrors() amount to (out of memory, else Fail).
Result takeGlErrors();
// Writes "gpu: <message>" to the debugger output and answers `result`.
Result reportFailure(Result result, const std::string& message);

}  // namespace gpu
