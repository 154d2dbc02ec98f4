#include "platform/gpu/gl_enums.h"

namespace gpu {

GLenum glComparison(ComparisonFunc func) {
    switch (func) {
        case ComparisonFunc::Never: return GL_NEVER;
        case ComparisonFunc::Less: return GL_LESS;
        case ComparisonFunc::Equal: return GL_EQUAL;
        case ComparisonFunc::LessEqual: return GL_LEQUAL;
        case ComparisonFunc::Greater: return GL_GREATER;
        case ComparisonFunc::NotEqual: return GL_NOTEQUAL;
        case ComparisonFunc::GreaterEqual: return GL_GEQUAL;
        case ComparisonFunc::Always: return GL_ALWAYS;
    }
    return 0;
}

GLenum glStencilOp(StencilOp op) {
    switch (op) {
        case StencilOp::Keep: return GL_KEEP;
        case StencilOp::Zero: return GL_ZERO;
        case StencilOp::Replace: return GL_REPLACE;
        case StencilOp::IncrSat: return GL_INCR;
        case StencilOp::DecrSat: return GL_DECR;
        case StencilOp::Invert: return GL_INVERT;
        case StencilOp::Incr: return GL_INCR_WRAP;
        case StencilOp::Decr: return GL_DECR_WRAP;
    }
    return 0;
}

GLenum glBlendFactor(Blend blend) {
    switch (blend) {
        case Blend::Zero: return GL_ZERO;
        case Blend::One: return GL_ONE;
        case Blend::SrcColor: return GL_SRC_COLOR;
        case Blend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
        case Blend::SrcAlpha: return GL_SRC_ALPHA;
        case Blend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
        case Blend::DestAlpha: return GL_DST_ALPHA;
        case Blend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
        case Blend::DestColor: return GL_DST_COLOR;
        case Blend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
        case Blend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
        case Blend::BlendFactor: return GL_CONSTANT_COLOR;
        case Blend::InvBlendFactor: return GL_ONE_MINUS_CONSTANT_COLOR;
    }
    return 0;
}

GLenum glBlendEquation(BlendOp op) {
    switch (op) {
        case BlendOp::Add: return GL_FUNC_ADD;
        case BlendOp::Subtract: return GL_FUNC_SUBTRACT;
        case BlendOp::RevSubtract: return GL_FUNC_REVERSE_SUBTRACT;
        case BlendOp::Min: return GL_MIN;
        case BlendOp::Max: return GL_MAX;
    }
    return 0;
}

GLenum glAddressMode(TextureAddressMode mode) {
    switch (mode) {
        case TextureAddressMode::Wrap: return GL_REPEAT;
        case TextureAddressMode::Mirror: return GL_MIRRORED_REPEAT;
        case TextureAddressMode::Clamp: return GL_CLAMP_TO_EDGE;
        case TextureAddressMode::Border: return GL_CLAMP_TO_BORDER;
        case TextureAddressMode::MirrorOnce: return GL_MIRROR_CLAMP_TO_EDGE;
    }
    return 0;
}

}  // namespace gpu
