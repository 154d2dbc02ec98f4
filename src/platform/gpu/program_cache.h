#pragma once

// One GL program per distinct translation. Drivers compile a program again at its first draw (llvmpipe's cost is
// in device_caps.h), so shaders created many times from the same bytecode (one program per mesh) share one
// program object; it goes when the last shader using it goes.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <epoxy/gl.h>

#include "platform/gpu/result.h"
#include "platform/gpu/shader_bytecode.h"
#include "platform/gpu/shaders.h"

namespace gpu {

class Device;

class ProgramCache {
public:
    explicit ProgramCache(Device& device) : device_(device) {}
    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;

    using Build = std::function<Result(GLuint* program, std::vector<TextureUnitBinding>* units)>;
    // The live program of this bytecode, or one made by `build` (called without the lock held; a program built
    // by a thread that lost a race is released again).
    Result acquire(const ShaderBytecode& code, const Build& build, std::shared_ptr<const ShaderProgramObject>* out);

private:
    std::shared_ptr<const ShaderProgramObject> wrap(const std::string& key, GLuint program,
                                                    std::vector<TextureUnitBinding> units,
                                                    std::uint32_t constantBufferSlots, bool readsVertexId);

    Device& device_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::weak_ptr<const ShaderProgramObject>> programs_;
};

}  // namespace gpu
