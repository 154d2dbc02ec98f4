#include "platform/gpu/program_cache.h"

#include <bit>

#include "platform/gpu/device.h"

namespace gpu {
namespace {

// Everything the program depends on: the stage, the source and the names its slots are found by.
std::string programKey(const ShaderBytecode& code) {
    std::string key;
    key.reserve(code.Glsl.size() + 64);
    key += code.Stage == ShaderStage::Vertex ? 'V' : 'P';
    key += code.Glsl;
    key += '\0';
    for (const ConstantBufferBinding& cb : code.ConstantBuffers) {
        key += cb.BlockName + '\1' + std::to_string(cb.Slot) + '\2';
    }
    key += '\0';
    for (const TextureBinding& t : code.Textures) {
        key += t.UniformName + '\1' + std::to_string(t.TextureSlot) + '\1' + std::to_string(t.SamplerSlot) + '\2';
    }
    return key;
}

}  // namespace

std::shared_ptr<const ShaderProgramObject> ProgramCache::wrap(const std::string& key, GLuint program,
                                                              std::vector<TextureUnitBinding> units,
                                                              std::uint32_t constantBufferSlots,
                                                              bool readsVertexId) {
    auto* object = new ShaderProgramObject{program, std::move(units), constantBufferSlots,
                                           static_cast<std::uint32_t>(std::popcount(constantBufferSlots)),
                                           readsVertexId};
    // The last shader gone: forget the entry unless a new program took its place, and free the name.
    return std::shared_ptr<const ShaderProgramObject>(object, [this, key](const ShaderProgramObject* gone) {
        {
            std::lock_guard lock(mutex_);
            auto it = programs_.find(key);
            if (it != programs_.end() && it->second.expired()) programs_.erase(it);
        }
        device_.releaseGl(Device::GlKind::Program, gone->program);
        delete gone;
    });
}

Result ProgramCache::acquire(const ShaderBytecode& code, const Build& build,
                             std::shared_ptr<const ShaderProgramObject>* out) {
    std::string key = programKey(code);
    {
        std::lock_guard lock(mutex_);
        auto it = programs_.find(key);
        if (it != programs_.end()) {
            if (auto live = it->second.lock()) {
                *out = std::move(live);
                return Result::Ok;
            }
        }
    }
    GLuint program = 0;
    std::vector<TextureUnitBinding> units;
    Result result = build(&program, &units);
    if (failed(result)) {
        if (program) device_.releaseGl(Device::GlKind::Program, program);
        return result;
    }
    std::uint32_t slots = 0;
    for (const ConstantBufferBinding& cb : code.ConstantBuffers) slots |= 1u << cb.Slot;
    // GL's vertex index counts the draw's base vertex in, which the context may move (device_context.cpp).
    const bool readsVertexId =
        code.Stage == ShaderStage::Vertex && code.Glsl.find("gl_VertexID") != std::string::npos;
    std::shared_ptr<const ShaderProgramObject> made = wrap(key, program, std::move(units), slots, readsVertexId);
    std::shared_ptr<const ShaderProgramObject> winner;
    {
        std::lock_guard lock(mutex_);
        std::weak_ptr<const ShaderProgramObject>& slot = programs_[key];
        winner = slot.lock();
        if (!winner) {
            slot = made;
            winner = made;
        }
    }
    *out = std::move(winner);
    return Result::Ok;  // `made`, when it lost, is released here, outside the lock
}

}  // namespace gpu
