#include "platform/gpu/gl_errors.h"

#include "platform/process/debug_output.h"

namespace gpu {

void clearGlErrors() {
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {}
}

Result takeGlErrors() {
    Result result = Result::Ok;
    for (int i = 0; i < 32; ++i) {
        GLenum error = glGetError();
        if (error == GL_NO_ERROR) break;
        if (error == GL_OUT_OF_MEMORY)
            result = Result::OutOfMemory;
        else if (result == Result::Ok)
            result = Result::Fail;
    }
    return result;
}

Result reportFailure(Result result, const std::string& message) {
    std::string line = "gpu: " + message + " (" + resultName(result) + ")\n";
    platform::debugOutput(line.c_str());
    return result;
}

}  // namespace gpu
