#include "platform/shader_compiler/d3d_packing.h"

namespace shader_compiler {
namespace {

using spirv_cross::SPIRType;

constexpr std::uint32_t kRegister = 16;

std::uint32_t roundUp(std::uint32_t bytes) { return (bytes + kRegister - 1) / kRegister * kRegister; }

std::uint32_t layoutStruct(spirv_cross::Compiler& compiler, spirv_cross::TypeID structType);

// Bytes a value occupies, the unused tail of its last register excluded. spirvRowMajor: the SPIR-V RowMajor
// decoration, which glslang gives HLSL's (default) column_major matrices.
std::uint32_t packedSize(spirv_cross::Compiler& compiler, spirv_cross::TypeID id, bool spirvRowMajor) {
    const SPIRType& type = compiler.get_type(id);
    std::uint32_t component = std::max<std::uint32_t>(type.width, 32) / 8;
    std::uint32_t element = 0;
    if (type.basetype == SPIRType::Struct) {
        element = layoutStruct(compiler, type.self);
    } else if (type.columns > 1) {
        std::uint32_t registers = spirvRowMajor ? type.vecsize : type.columns;
        std::uint32_t perRegister = spirvRowMajor ? type.columns : type.vecsize;
        element = (registers - 1) * kRegister + perRegister * component;
    } else {
        element = type.vecsize * component;
    }
    if (type.array.empty()) return element;
    std::uint32_t count = 1;
    for (std::uint32_t size : type.array) count *= std::max<std::uint32_t>(size, 1);
    // Every element takes whole registers but the last, whose free tail the next value may use.
    compiler.set_decoration(id, spv::DecorationArrayStride, roundUp(element));
    return (count - 1) * roundUp(element) + element;
}

std::uint32_t layoutStruct(spirv_cross::Compiler& compiler, spirv_cross::TypeID structType) {
    const SPIRType& type = compiler.get_type(structType);
    std::uint32_t cursor = 0;
    for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
        spirv_cross::TypeID memberId = type.member_types[i];
        const SPIRType& member = compiler.get_type(memberId);
        bool rowMajor = compiler.has_member_decoration(structType, i, spv::DecorationRowMajor);
        std::uint32_t size = packedSize(compiler, memberId, rowMajor);
        bool aggregate = member.basetype == SPIRType::Struct || member.columns > 1 || !member.array.empty();
        // Arrays, matrices and structs start a register; other values only when they would straddle one.
        if (aggregate || cursor % kRegister + size > kRegister) cursor = roundUp(cursor);
        compiler.set_member_decoration(structType, i, spv::DecorationOffset, cursor);
        cursor += size;
        if (member.basetype == SPIRType::Struct) cursor = roundUp(cursor);  // a struct ends its register too
    }
    return cursor;
}

}  // namespace

void applyD3DPacking(spirv_cross::Compiler& compiler, spirv_cross::TypeID blockType) {
    layoutStruct(compiler, blockType);
}

}  // namespace shader_compiler
