// State objects, shaders and input layouts.

#include <algorithm>
#include <cstring>
#include <strings.h>

#include "platform/gpu/device.h"
#include "platform/gpu/gl_enums.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

Result invalid(const std::string& why) { return reportFailure(Result::InvalidArg, why); }

// D3D11_FILTER bits.
constexpr std::uint32_t kFilterMipLinear = 0x1, kFilterMagLinear = 0x4, kFilterMinLinear = 0x10,
                        kFilterAnisotropic = 0x40, kFilterComparison = 0x80;

struct AttributeFormat {
    GLint size = 0;
    GLenum type = 0;
    bool normalized = false;
    bool integer = false;
};

// Vertex formats: the colour formats whose channels GL can fetch.
bool attributeFormat(Format format, AttributeFormat* out) {
    const FormatInfo* info = formatInfo(format);
    if (!info || info->kind == FormatKind::Typeless || info->kind == FormatKind::Depth || info->depthReadView ||
        info->stencilView || info->srgb || format == Format::R11G11B10_FLOAT) {
        return false;
    }
    out->size = info->transferFormat == GL_BGRA ? GL_BGRA : static_cast<GLint>(info->components);
    out->type = info->transferType;
    out->normalized = info->kind == FormatKind::Unorm || info->kind == FormatKind::Snorm;
    out->integer = info->kind == FormatKind::Uint || info->kind == FormatKind::Sint;
    return true;
}

std::string checkBytecode(const ShaderBytecode& code, ShaderStage stage) {
    if (code.Stage != stage) return "bytecode is for another stage";
    if (code.Glsl.empty()) return "bytecode holds no source";
    for (const ConstantBufferBinding& cb : code.ConstantBuffers) {
        if (cb.Slot >= kConstantBufferSlots || cb.BlockName.empty()) return "constant-buffer slot out of range";
    }
    if (code.Textures.size() > kTextureUnitsPerStage) return "too many texture bindings";
    for (const TextureBinding& t : code.Textures) {
        if (t.TextureSlot >= kShaderResourceSlots || t.SamplerSlot >= static_cast<std::int32_t>(kSamplerSlots) ||
            t.SamplerSlot < -1 || t.UniformName.empty()) {
            return "texture or sampler slot out of range";
        }
    }
    return "";
}

}  // namespace

Result Device::CreateDepthStencilState(const DepthStencilDesc& desc, Ref<DepthStencilState>* out) {
    if (out) *out = nullptr;
    if (std::string why = DepthStencilState::checkDesc(desc); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;
    *out = Ref<DepthStencilState>::adopt(new DepthStencilState(this, desc));
    return Result::Ok;
}

Result Device::CreateBlendState(const BlendDesc& desc, Ref<BlendState>* out) {
    if (out) *out = nullptr;
    if (std::string why = BlendState::checkDesc(desc); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;
    *out = Ref<BlendState>::adopt(new BlendState(this, desc));
    return Result::Ok;
}

Result Device::CreateRasterizerState(const RasterizerDesc& desc, Ref<RasterizerState>* out) {
    if (out) *out = nullptr;
    if (std::string why = RasterizerState::checkDesc(desc); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;
    *out = Ref<RasterizerState>::adopt(new RasterizerState(this, desc));
    return Result::Ok;
}

Result Device::CreateSamplerState(const SamplerDesc& desc, Ref<SamplerState>* out) {
    if (out) *out = nullptr;
    if (std::string why = SamplerState::checkDesc(desc); !why.empty()) return invalid(why);
    if (!out) return Result::SFalse;
    GLuint sampler = 0;
    Result result = onGlThread([&] {
        clearGlErrors();
        glCreateSamplers(1, &sampler);
        auto filter = static_cast<std::uint32_t>(desc.Filter);
        bool minLinear = filter & kFilterMinLinear, magLinear = filter & kFilterMagLinear,
             mipLinear = filter & kFilterMipLinear, anisotropic = filter & kFilterAnisotropic;
        GLenum minFilter = minLinear ? (mipLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST)
                                     : (mipLinear ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, anisotropic ? GL_LINEAR_MIPMAP_LINEAR : minFilter);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear || anisotropic ? GL_LINEAR : GL_NEAREST);
        if (anisotropic) {
            glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                static_cast<float>(std::max<std::uint32_t>(1, desc.MaxAnisotropy)));
        }
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, glAddressMode(desc.AddressU));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, glAddressMode(desc.AddressV));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, glAddressMode(desc.AddressW));
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, desc.MipLODBias);
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, desc.MinLOD);
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_LOD, desc.MaxLOD);
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, desc.BorderColor);
        if (filter & kFilterComparison) {
            glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
            glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_FUNC, glComparison(desc.ComparisonFunc));
        }
        return takeGlErrors();
    });
    if (failed(result)) {
        if (sampler) releaseGl(GlKind::Sampler, sampler);
        return reportFailure(result, "sampler creation failed");
    }
    *out = Ref<SamplerState>::adopt(new SamplerState(this, desc, sampler));
    return Result::Ok;
}

namespace {

// Where GL's reflection of a linked program disagrees with the D3D offsets the block's GLSL was written for
// ("" when it agrees, or when the driver dropped the member as unused).
[[maybe_unused]] std::string blockLayoutMismatch(GLuint program, const ConstantBufferBinding& block) {
    for (const BlockMember& member : block.Members) {
        GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM, member.UniformName.c_str());
        if (index == GL_INVALID_INDEX)
            index = glGetProgramResourceIndex(program, GL_UNIFORM, (member.UniformName + "[0]").c_str());
        if (index == GL_INVALID_INDEX) continue;
        const GLenum property = GL_OFFSET;
        GLint offset = -1;
        glGetProgramResourceiv(program, GL_UNIFORM, index, 1, &property, 1, nullptr, &offset);
        if (offset != static_cast<GLint>(member.Offset))
            return member.UniformName + " at " + std::to_string(offset) + ", not " + std::to_string(member.Offset);
    }
    return {};
}

// Builds the separable program and points its blocks and samplers at the stage's ranges.
Result buildProgram(const Device& device, const ShaderBytecode& code, GLuint* program,
                    std::vector<TextureUnitBinding>* units) {
    const char* source = code.Glsl.c_str();
    *program =
        glCreateShaderProgramv(code.Stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, 1, &source);
    if (*program == 0) return reportFailure(Result::Fail, "cannot create a program object");
    GLint linked = GL_FALSE;
    glGetProgramiv(*program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[2048] = {};
        glGetProgramInfoLog(*program, sizeof(log), nullptr, log);
        return reportFailure(Result::InvalidArg, std::string("shader does not compile: ") + log);
    }
    for (const ConstantBufferBinding& cb : code.ConstantBuffers) {
        GLuint index = glGetUniformBlockIndex(*program, cb.BlockName.c_str());
        if (index != GL_INVALID_INDEX) glUniformBlockBinding(*program, index, uniformBinding(code.Stage, cb.Slot));
#ifndef NDEBUG
        if (std::string why = blockLayoutMismatch(*program, cb); !why.empty())
            return reportFailure(Result::InvalidArg, "the driver lays out " + cb.BlockName + " otherwise: " + why);
#endif
    }
    for (std::size_t i = 0; i < code.Textures.size(); ++i) {
        const TextureBinding& t = code.Textures[i];
        GLint location = glGetUniformLocation(*program, t.UniformName.c_str());
        if (location < 0) continue;  // optimised away
        TextureUnitBinding unit;
        unit.unit = textureUnitBase(code.Stage) + static_cast<std::uint32_t>(i);
        unit.textureSlot = t.TextureSlot;
        unit.samplerSlot = t.SamplerSlot;
        GLuint index = glGetProgramResourceIndex(*program, GL_UNIFORM, t.UniformName.c_str());
        const GLenum typeProperty = GL_TYPE;
        GLint type = 0;
        if (index != GL_INVALID_INDEX) {
            glGetProgramResourceiv(*program, GL_UNIFORM, index, 1, &typeProperty, 1, nullptr, &type);
        }
        unit.emptyTexture = device.emptyTexture(static_cast<GLenum>(type));
        glProgramUniform1i(*program, location, static_cast<GLint>(unit.unit));
        units->push_back(unit);
    }
    return Result::Ok;
}

}  // namespace

template <typename ShaderType>
Result Device::createShader(const ShaderBytecode& bytecode, ShaderStage stage, Ref<ShaderType>* out) {
    if (out) *out = nullptr;
    if (std::string why = checkBytecode(bytecode, stage); !why.empty()) return invalid(why);
    std::shared_ptr<const ShaderProgramObject> program;
    Result result = programs_.acquire(
        bytecode,
        [&](GLuint* name, std::vector<TextureUnitBinding>* units) {
            return onGlThread([&] { return buildProgram(*this, bytecode, name, units); });
        },
        &program);
    if (failed(result)) return result;
    if (!out) return Result::SFalse;
    std::lock_guard lock(liveMutex_);
    for (Shader* live : liveShaders_) {
        if (live->programObject() == program.get() && live->stage() == stage && live->tryAddRef()) {
            *out = Ref<ShaderType>::adopt(static_cast<ShaderType*>(live));
            return Result::Ok;
        }
    }
    auto* made = new ShaderType(this, std::move(program));
    liveShaders_.push_back(made);
    *out = Ref<ShaderType>::adopt(made);
    return Result::Ok;
}

Shader::~Shader() { device_->forgetShader(this); }

void Device::forgetShader(const Shader* shader) {
    std::lock_guard lock(liveMutex_);
    std::erase(liveShaders_, shader);
}

void Device::forgetLayout(const InputLayout* layout) {
    std::lock_guard lock(liveMutex_);
    std::erase(liveLayouts_, layout);
}

Result Device::CreateVertexShader(const ShaderBytecode& bytecode, Ref<VertexShader>* out) {
    return createShader(bytecode, ShaderStage::Vertex, out);
}

Result Device::CreatePixelShader(const ShaderBytecode& bytecode, Ref<PixelShader>* out) {
    return createShader(bytecode, ShaderStage::Pixel, out);
}

Result Device::CreateInputLayout(const InputElementDesc* elements, std::uint32_t count,
                                 const ShaderBytecode& vertexShader, Ref<InputLayout>* out) {
    if (out) *out = nullptr;
    if (vertexShader.Stage != ShaderStage::Vertex) return invalid("input layout needs vertex shader bytecode");
    if (count > 0 && !elements) return invalid("no element list");

    // Resolve offsets first: appended elements follow the previous one in the same slot.
    std::vector<std::uint32_t> offsets(count);
    std::uint32_t slotEnd[kInputSlotCount] = {};
    std::vector<AttributeFormat> formats(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const InputElementDesc& e = elements[i];
        if (!e.SemanticName || e.InputSlot >= kInputSlotCount || !attributeFormat(e.Format, &formats[i])) {
            return invalid("bad input element");
        }
        if (e.InputSlotClass == InputClassification::PerInstanceData && e.InstanceDataStepRate == 0) {
            return invalid("per-instance elements with step rate 0 are not supported by this layer");
        }
        offsets[i] = e.AlignedByteOffset == kAppendAlignedElement ? slotEnd[e.InputSlot] : e.AlignedByteOffset;
        slotEnd[e.InputSlot] = offsets[i] + formatInfo(e.Format)->bytesPerPixel;
    }

    std::vector<VertexAttribute> attributes;
    for (const SignatureParameter& input : vertexShader.InputSignature) {
        const InputElementDesc* match = nullptr;
        std::uint32_t index = 0;
        for (std::uint32_t i = 0; i < count && !match; ++i) {
            if (elements[i].SemanticIndex == input.SemanticIndex &&
                strcasecmp(elements[i].SemanticName, input.SemanticName.c_str()) == 0) {
                match = &elements[i];
                index = i;
            }
        }
        if (!match) return invalid("no element for shader input " + input.SemanticName);
        bool integerInput = input.ComponentType == RegisterComponentType::UInt32 ||
                            input.ComponentType == RegisterComponentType::SInt32;
        if (integerInput != formats[index].integer) {
            return invalid("element format does not match the type of " + input.SemanticName);
        }
        VertexAttribute a;
        a.location = input.Location;
        a.slot = match->InputSlot;
        a.offset = offsets[index];
        a.size = formats[index].size;
        a.type = formats[index].type;
        a.integer = formats[index].integer;
        a.normalized = formats[index].normalized;
        a.divisor = match->InputSlotClass == InputClassification::PerInstanceData ? match->InstanceDataStepRate : 0;
        attributes.push_back(a);
    }
    if (!out) return Result::SFalse;
    std::lock_guard lock(liveMutex_);
    for (InputLayout* live : liveLayouts_) {
        if (live->attributes() == attributes && live->tryAddRef()) {
            *out = Ref<InputLayout>::adopt(live);
            return Result::Ok;
        }
    }
    auto* made = new InputLayout(this, std::move(attributes));
    liveLayouts_.push_back(made);
    *out = Ref<InputLayout>::adopt(made);
    return Result::Ok;
}

}  // namespace gpu
