#include "platform/shader_compiler/device_glsl.h"

namespace shader_compiler {

using spirv_cross::SPIRType;

void DeviceGlsl::emit_buffer_block(const spirv_cross::SPIRVariable& var) {
    if (!flattened_buffer_blocks.count(var.self)) {
        CompilerGLSL::emit_buffer_block(var);
        return;
    }
    // CompilerGLSL writes a flattened block as a plain uniform array; the device binds uniform blocks, so the
    // array goes into a std140 block of the variable's name.
    const SPIRType& type = get<SPIRType>(var.basetype);
    SPIRType::BaseType basic = SPIRType::Unknown;
    if (!get_common_basic_type(type, basic)) throw spirv_cross::CompilerError("mixed types in a flattened block");
    const char* element = basic == SPIRType::Float ? "vec4"
                          : basic == SPIRType::Int ? "ivec4"
                          : basic == SPIRType::UInt ? "uvec4"
                                                    : nullptr;
    if (!element) throw spirv_cross::CompilerError("a flattened block must hold float, int or uint");
    statement("layout(std140) uniform ", to_name(var.self), " { ", element, " ", to_name(type.self, false), "[",
              (get_declared_struct_size(type) + 15) / 16, "]; };");
}

void DeviceGlsl::readThroughRawBytes(spirv_cross::VariableID blockVariable, const std::string& blockName,
                                     std::uint32_t bytes) {
    auto& variable = get<spirv_cross::SPIRVariable>(blockVariable);
    variable.storage = spv::StorageClassPrivate;
    auto& pointer = get<SPIRType>(variable.basetype);
    pointer.storage = spv::StorageClassPrivate;
    unset_decoration(pointer.self, spv::DecorationBlock);
    // Declared with the private globals, now that it is one.
    global_variables.push_back(blockVariable);
    const std::string raw = blockName + "_bytes";
    const std::uint32_t registers = std::max<std::uint32_t>(1, (bytes + 15) / 16);
    add_header_line("layout(std140) uniform " + blockName + " { uvec4 " + raw + "[" + std::to_string(registers) +
                    "]; };");
    const spirv_cross::TypeID structType = pointer.self;
    get<spirv_cross::SPIRFunction>(ir.default_entry_point).fixup_hooks_in.push_back([this, blockVariable, structType,
                                                                                      raw] {
        copyValue(to_name(blockVariable), structType, Location{}, false, 0, raw);
    });
}

std::string DeviceGlsl::component(const Location& at, std::uint32_t extraBytes, const std::string& raw) const {
    const std::uint32_t bytes = at.bytes + extraBytes;
    static const char* const kComponents[] = {"x", "y", "z", "w"};
    return raw + "[" + std::to_string(bytes / 16) + at.registerTerm + "]." + kComponents[(bytes % 16) / 4];
}

std::string DeviceGlsl::typed(const SPIRType& type, const std::string& bits) const {
    switch (type.basetype) {
        case SPIRType::Float: return "uintBitsToFloat(" + bits + ")";
        case SPIRType::Int: return "int(" + bits + ")";
        case SPIRType::Boolean: return "(" + bits + " != 0u)";
        default: return bits;
    }
}

void DeviceGlsl::copyValue(const std::string& target, spirv_cross::TypeID typeId, const Location& at,
                           bool spirvRowMajor, int depth, const std::string& raw) {
    const SPIRType& type = get<SPIRType>(typeId);
    if (!type.array.empty()) {
        // D3D array strides are whole registers, so an element's components stay where the first one's are.
        const std::uint32_t stride = get_decoration(typeId, spv::DecorationArrayStride);
        std::string index = "i";
        index += std::to_string(depth);
        statement("for (int ", index, " = 0; ", index, " < ", type.array.back(), "; ++", index, ")");
        begin_scope();
        Location element = at;
        element.registerTerm += " + " + index + " * " + std::to_string(stride / 16);
        copyValue(target + "[" + index + "]", type.parent_type, element, spirvRowMajor, depth + 1, raw);
        end_scope();
        return;
    }
    if (type.basetype == SPIRType::Struct) {
        for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
            Location member = at;
            member.bytes += get_member_decoration(typeId, i, spv::DecorationOffset);
            const bool rowMajor = has_member_decoration(typeId, i, spv::DecorationRowMajor);
            copyValue(target + "." + to_member_name(type, i), type.member_types[i], member, rowMajor, depth, raw);
        }
        return;
    }
    if (type.width != 32) throw spirv_cross::CompilerError("constant values of 16 or 64 bits are not supported");
    SPIRType scalar = type;
    scalar.vecsize = 1;
    scalar.columns = 1;
    if (type.columns > 1) {
        // SPIR-V RowMajor: row r of the matrix is a register; otherwise column c is.
        for (std::uint32_t c = 0; c < type.columns; ++c) {
            std::string column = "vec" + std::to_string(type.vecsize) + "(";
            for (std::uint32_t r = 0; r < type.vecsize; ++r) {
                const std::uint32_t offset = spirvRowMajor ? r * 16 + c * 4 : c * 16 + r * 4;
                if (r) column += ", ";
                column += typed(scalar, component(at, offset, raw));
            }
            statement(target, "[", c, "] = ", column, ");");
        }
        return;
    }
    std::string value;
    for (std::uint32_t k = 0; k < type.vecsize; ++k) {
        if (k) value += ", ";
        value += typed(scalar, component(at, k * 4, raw));
    }
    if (type.vecsize > 1) value = type_to_glsl(type) + "(" + value + ")";
    statement(target, " = ", value, ";");
}

}  // namespace shader_compiler
