#pragma once

// SPIRV-Cross's GLSL back end, with the two ways this device states constant blocks whose D3D offsets std140
// cannot: a flattened block of one basic type becomes a std140 block holding one vec4 (ivec4, uvec4) array, an
// exact image of the D3D bytes; a block that mixes types becomes a uvec4 array of the bytes, copied at the start
// of main into a private variable of the block's own struct through bit casts, so every member reads its own
// bits whatever its type and offset.

#include <string>
#include <vector>

#include <spirv_cross/spirv_glsl.hpp>

namespace shader_compiler {

class DeviceGlsl final : public spirv_cross::CompilerGLSL {
public:
    using CompilerGLSL::CompilerGLSL;

    // The uniform block `blockVariable` read through a uvec4 array in a std140 block named `blockName`. Offsets
    // and array strides must be set (D3D's) before compile().
    void readThroughRawBytes(spirv_cross::VariableID blockVariable, const std::string& blockName,
                             std::uint32_t bytes);

    bool commonBasicType(const spirv_cross::SPIRType& type, spirv_cross::SPIRType::BaseType& basic) {
        return get_common_basic_type(type, basic);
    }

protected:
    void emit_buffer_block(const spirv_cross::SPIRVariable& var) override;

private:
    struct Location {
        std::uint32_t bytes = 0;       // the static part of the offset
        std::string registerTerm;      // a dynamic number of registers, from enclosing loops ("" or " + i0 * 2")
    };
    void copyValue(const std::string& target, spirv_cross::TypeID type, const Location& at, bool spirvRowMajor,
                   int depth, const std::string& raw);
    std::string component(const Location& at, std::uint32_t extraBytes, const std::string& raw) const;
    std::string typed(const spirv_cross::SPIRType& type, const std::string& bits) const;
};

}  // namespace shader_compiler
