#include "platform/shader_compiler/d3d_packing.h"

#include <algorithm>

namespace shader_compiler {
namespace {

using spirv_cross::SPIRType;

constexpr std::uint32_t kRegister = 16;

std::uint32_t roundUp(std::uint32_t bytes) { return (bytes + kRegister - 1) / kRegister * kRegister; }

bool isAggregate(const SPIRType& type) {
    return type.basetype == SPIRType::Struct || type.columns > 1 || !type.array.empty();
}

std::uint32_t arrayCount(const SPIRType& type) {
    std::uint32_t count = 1;
    for (std::uint32_t size : type.array) count *= std::max<std::uint32_t>(size, 1);
    return count;
}

std::string scalarName(const SPIRType& type) {
    switch (type.basetype) {
        case SPIRType::Float: return type.width == 64 ? "double" : type.width == 16 ? "half" : "float";
        case SPIRType::Int: return "int";
        case SPIRType::UInt: return "uint";
        case SPIRType::Boolean: return "bool";
        default: return "?";
    }
}

// HLSL's name of a type. glslang turns HLSL floatRxC into a SPIR-V matrix of R columns of C components, and marks
// HLSL's column_major (the default) RowMajor.
std::string hlslTypeName(const spirv_cross::Compiler& compiler, const SPIRType& type, bool spirvRowMajor) {
    std::string name;
    if (type.basetype == SPIRType::Struct) {
        name = compiler.get_name(type.self);
    } else if (type.columns > 1) {
        name = std::string(spirvRowMajor ? "" : "row_major ") + scalarName(type) + std::to_string(type.columns) +
               "x" + std::to_string(type.vecsize);
    } else {
        name = scalarName(type) + (type.vecsize > 1 ? std::to_string(type.vecsize) : "");
    }
    // SPIRV-Cross lists array sizes innermost first; HLSL writes the outermost first.
    for (std::size_t i = type.array.size(); i-- > 0;) {
        name += '[';
        name += std::to_string(type.array[i]);
        name += ']';
    }
    return name;
}

class Packer {
public:
    Packer(spirv_cross::Compiler& compiler, const std::vector<Placement>& placements)
        : compiler_(compiler), placements_(placements) {}

    // Lays out the struct's members from offset 0 and answers its packed size.
    std::uint32_t layoutStruct(spirv_cross::TypeID structType, std::vector<ConstantVariable>* variables,
                               bool topLevel) {
        const SPIRType& type = compiler_.get_type(structType);
        std::vector<const Placement*> placed(type.member_types.size(), nullptr);
        std::uint32_t cursor = 0;
        if (topLevel) {
            for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
                const std::string& name = compiler_.get_member_name(structType, i);
                for (const Placement& placement : placements_)
                    if (placement.variable == name) placed[i] = &placement;
            }
        }
        std::vector<ConstantVariable> members(type.member_types.size());
        // Placed variables first: the others follow the last of them.
        for (int pass = 0; pass < 2; ++pass) {
            for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
                if ((placed[i] != nullptr) != (pass == 0)) continue;
                const spirv_cross::TypeID memberId = type.member_types[i];
                const SPIRType& member = compiler_.get_type(memberId);
                const bool rowMajor = compiler_.has_member_decoration(structType, i, spv::DecorationRowMajor);
                ConstantVariable& variable = members[i];
                variable.name = compiler_.get_member_name(structType, i);
                variable.type = hlslTypeName(compiler_, member, rowMajor);
                const std::uint32_t size = packedSize(memberId, rowMajor, &variable.members);
                std::uint32_t offset = 0;
                if (placed[i]) {
                    offset = placed[i]->offset;
                    checkPlacement(*placed[i], member, size);
                } else {
                    // Arrays, matrices and structs start a register; other values only when they would straddle one.
                    if (isAggregate(member) || cursor % kRegister + size > kRegister) cursor = roundUp(cursor);
                    offset = cursor;
                }
                compiler_.set_member_decoration(structType, i, spv::DecorationOffset, offset);
                variable.offset = offset;
                variable.size = size;
                std::uint32_t end = offset + size;
                if (member.basetype == SPIRType::Struct) end = roundUp(end);  // a struct ends its register too
                cursor = std::max(cursor, end);
            }
        }
        if (topLevel) checkOverlaps(members, placed);
        if (variables) *variables = std::move(members);
        return cursor;
    }

    const std::string& error() const { return error_; }

private:
    // Bytes a value occupies, the unused tail of its last register excluded; sets the ArrayStride of arrays.
    std::uint32_t packedSize(spirv_cross::TypeID id, bool spirvRowMajor, std::vector<ConstantVariable>* members) {
        const SPIRType& type = compiler_.get_type(id);
        const std::uint32_t component = std::max<std::uint32_t>(type.width, 32) / 8;
        std::uint32_t element = 0;
        if (type.basetype == SPIRType::Struct) {
            element = layoutStruct(type.self, members, false);
        } else if (type.columns > 1) {
            const std::uint32_t registers = spirvRowMajor ? type.vecsize : type.columns;
            const std::uint32_t perRegister = spirvRowMajor ? type.columns : type.vecsize;
            element = (registers - 1) * kRegister + perRegister * component;
        } else {
            element = type.vecsize * component;
        }
        if (type.array.empty()) return element;
        // Every element takes whole registers but the last, whose free tail the next value may use.
        setArrayStrides(id, element);
        return (arrayCount(type) - 1) * roundUp(element) + element;
    }

    // The ArrayStride of every level of a (multi-dimensional) array: the innermost level steps one element's
    // registers, each level outside it the whole of the level within. Answers the stride of `id`'s level.
    std::uint32_t setArrayStrides(spirv_cross::TypeID id, std::uint32_t element) {
        const SPIRType& type = compiler_.get_type(id);
        const SPIRType& inner = compiler_.get_type(type.parent_type);
        const std::uint32_t stride =
            inner.array.empty() ? roundUp(element)
                                : setArrayStrides(type.parent_type, element) * std::max<std::uint32_t>(inner.array.back(), 1);
        compiler_.set_decoration(id, spv::DecorationArrayStride, stride);
        return stride;
    }

    void checkPlacement(const Placement& placement, const SPIRType& type, std::uint32_t size) {
        const std::uint32_t within = placement.offset % kRegister;
        if (isAggregate(type) && within != 0) {
            fail(placement, "an array, matrix or struct must start a register (" + placement.spelled + ")");
        } else if (!isAggregate(type) && within + size > kRegister) {
            fail(placement, placement.spelled + " makes '" + placement.variable + "' cross a register boundary");
        }
    }

    void checkOverlaps(const std::vector<ConstantVariable>& members, const std::vector<const Placement*>& placed) {
        for (std::size_t a = 0; a < members.size(); ++a) {
            for (std::size_t b = 0; b < members.size(); ++b) {
                if (a == b || !placed[a]) continue;
                const ConstantVariable& x = members[a];
                const ConstantVariable& y = members[b];
                const bool overlap = x.offset < y.offset + y.size && y.offset < x.offset + x.size;
                // Each placed pair once; a placed variable against one packed after the placed ones never overlaps.
                if (overlap && (!placed[b] || a < b))
                    fail(*placed[a], "'" + x.name + "' at " + placed[a]->spelled + " overlaps '" + y.name + "'");
            }
        }
    }

    void fail(const Placement& placement, const std::string& what) {
        if (error_.empty()) error_ = placement.location + ": error: " + what;
    }

    spirv_cross::Compiler& compiler_;
    const std::vector<Placement>& placements_;
    std::string error_;
};

struct Std140Extent {
    std::uint32_t alignment = 0, size = 0;
};

Std140Extent std140Of(const spirv_cross::Compiler& compiler, spirv_cross::TypeID id, bool spirvRowMajor,
                      bool* stateable);

Std140Extent std140OfStruct(const spirv_cross::Compiler& compiler, spirv_cross::TypeID structType, bool* stateable) {
    const SPIRType& type = compiler.get_type(structType);
    std::uint32_t end = 0;
    for (std::uint32_t i = 0; i < type.member_types.size(); ++i) {
        const bool rowMajor = compiler.has_member_decoration(structType, i, spv::DecorationRowMajor);
        const Std140Extent member = std140Of(compiler, type.member_types[i], rowMajor, stateable);
        const std::uint32_t offset = compiler.get_member_decoration(structType, i, spv::DecorationOffset);
        if (offset < end || offset % member.alignment != 0) *stateable = false;
        end = std::max(end, offset + member.size);
    }
    return {kRegister, roundUp(end)};
}

Std140Extent std140Of(const spirv_cross::Compiler& compiler, spirv_cross::TypeID id, bool spirvRowMajor,
                      bool* stateable) {
    const SPIRType& type = compiler.get_type(id);
    const std::uint32_t component = std::max<std::uint32_t>(type.width, 32) / 8;
    Std140Extent element;
    if (type.basetype == SPIRType::Struct) {
        element = std140OfStruct(compiler, type.self, stateable);
    } else if (type.columns > 1) {
        // An array of column (or, row-major, row) vectors, each a register.
        element = {kRegister, (spirvRowMajor ? type.vecsize : type.columns) * kRegister};
    } else {
        const std::uint32_t alignment = type.vecsize == 1 ? component : type.vecsize == 2 ? 2 * component
                                                                                          : 4 * component;
        element = {alignment, type.vecsize * component};
    }
    if (type.array.empty()) return element;
    return {kRegister, arrayCount(type) * roundUp(element.size)};
}

}  // namespace

bool applyD3DPacking(spirv_cross::Compiler& compiler, spirv_cross::TypeID blockType,
                     const std::vector<Placement>& placements, ConstantBufferLayout* layout, std::string* error) {
    Packer packer(compiler, placements);
    const std::uint32_t size = packer.layoutStruct(blockType, &layout->variables, true);
    layout->size = roundUp(size);
    if (packer.error().empty()) return true;
    *error = packer.error();
    return false;
}

bool std140CanState(const spirv_cross::Compiler& compiler, spirv_cross::TypeID structType) {
    bool stateable = true;
    std140OfStruct(compiler, structType, &stateable);
    return stateable;
}

}  // namespace shader_compiler
