#include "post/effect_parameters.h"

#include <cstring>

namespace {

using Dof = DepthOfFieldParameters;
using Lens = LensDistortParameters;
using Colour = ColorCorrectParameters;
using Bloom = BloomParameters;

// A knob's place from its field, so that the table cannot drift from the struct it fills.
#define KNOB_PLACE(Block, field) static_cast<std::uint32_t>(offsetof(Block, field) / sizeof(float))

// The knobs of each type in block order: name, default, place. One line a knob.
constexpr EffectKnob kDofKnobs[] = {
    {"aperture", 0.01f, KNOB_PLACE(Dof, aperture)},
    {"focus", 0.5f, KNOB_PLACE(Dof, focus)},
    {"limit", 0.8f, KNOB_PLACE(Dof, limit)},
};

constexpr EffectKnob kLensKnobs[] = {
    {"distort1", 0.502f, KNOB_PLACE(Lens, distort1)},
    {"distort2", 0.47f, KNOB_PLACE(Lens, distort2)},
    {"distort3", 0.497f, KNOB_PLACE(Lens, distort3)},
    {"distortg", 0.5f, KNOB_PLACE(Lens, distortg)},
    {"zoom", 0.51f, KNOB_PLACE(Lens, zoom)},
    {"chrom", 0.723f, KNOB_PLACE(Lens, chrom)},
};

constexpr EffectKnob kColourKnobs[] = {
    {"exposure", 0.547f, KNOB_PLACE(Colour, exposure)},
    {"saturation", 0.552f, KNOB_PLACE(Colour, saturation)},
    {"vignette", 0.436f, KNOB_PLACE(Colour, vignette)},
    {"grain", 0.697f, KNOB_PLACE(Colour, grain)},
    {"red", 0.5f, KNOB_PLACE(Colour, red)},
    {"green", 0.5f, KNOB_PLACE(Colour, green)},
    {"blue", 0.5f, KNOB_PLACE(Colour, blue)},
    {"tonemap", 1.0f, KNOB_PLACE(Colour, tonemap)},
    {"red_offset", 0.5f, KNOB_PLACE(Colour, redOffset)},
    {"green_offset", 0.5f, KNOB_PLACE(Colour, greenOffset)},
    {"blue_offset", 0.5f, KNOB_PLACE(Colour, blueOffset)},
    {"contrast", 0.676f, KNOB_PLACE(Colour, contrast)},
};

constexpr EffectKnob kBloomKnobs[] = {
    {"smooth", 0.206f, KNOB_PLACE(Bloom, smooth)},
    {"size", 0.931f, KNOB_PLACE(Bloom, size)},
    {"samplesx", 0.1f, KNOB_PLACE(Bloom, samplesx)},
    {"directionx", 0.0f, KNOB_PLACE(Bloom, directionx)},
    {"powerx", 0.14f, KNOB_PLACE(Bloom, powerx)},
    {"samplesy", 0.1f, KNOB_PLACE(Bloom, samplesy)},
    {"directiony", 0.5f, KNOB_PLACE(Bloom, directiony)},
    {"powery", 0.221f, KNOB_PLACE(Bloom, powery)},
    {"blur_instensity", 0.2f, KNOB_PLACE(Bloom, blurIntensity)},  // spelt so in every show
    {"scene_intensity", 1.0f, KNOB_PLACE(Bloom, sceneIntensity)},
};

#undef KNOB_PLACE

using Blocks = EffectParameterBlocks;
const EffectType kEffectTable[] = {
    {"DOF", "dof", offsetof(Blocks, depthOfField), sizeof(Dof), kDofKnobs},
    {"LensDistort", "lens", offsetof(Blocks, lensDistort), sizeof(Lens), kLensKnobs},
    {"Bloom", "bloom", offsetof(Blocks, bloom), sizeof(Bloom), kBloomKnobs},
    {"ColorCorrection", "color", offsetof(Blocks, colorCorrect), sizeof(Colour), kColourKnobs},
    {"Glitch", "", 0, 0, {}},  // read and ignored: no block, no knobs
};

// Where a knob's float lies in EffectParameterBlocks, in bytes.
std::size_t knobOffset(const EffectType& type, const EffectKnob& knob) {
    return type.blockOffset + knob.place * sizeof(float);
}

}  // namespace

const EffectKnob* EffectType::findKnob(std::string_view name) const {
    for (const EffectKnob& knob : knobs) {
        if (knob.name == name) return &knob;
    }
    return nullptr;
}

std::span<const EffectType> effectTable() { return kEffectTable; }

const EffectType* findEffectType(std::string_view type) {
    for (const EffectType& entry : kEffectTable) {
        if (entry.type == type) return &entry;
    }
    return nullptr;
}

float knobValue(const EffectParameterBlocks& blocks, const EffectType& type, const EffectKnob& knob) {
    float value = 0.0f;
    std::memcpy(&value, reinterpret_cast<const std::byte*>(&blocks) + knobOffset(type, knob), sizeof value);
    return value;
}

void setKnobValue(EffectParameterBlocks& blocks, const EffectType& type, const EffectKnob& knob, float value) {
    std::memcpy(reinterpret_cast<std::byte*>(&blocks) + knobOffset(type, knob), &value, sizeof value);
}

std::vector<std::string_view> knownEffectTypes() {
    std::vector<std::string_view> names;
    for (const EffectType& entry : kEffectTable) names.push_back(entry.type);
    return names;
}

std::vector<std::string_view> knownEffectParameters(std::string_view type) {
    std::vector<std::string_view> names;
    if (const EffectType* entry = findEffectType(type)) {
        for (const EffectKnob& knob : entry->knobs) names.push_back(knob.name);
    }
    return names;
}

void EffectParameterBlocks::reset() { *this = EffectParameterBlocks{}; }

void EffectParameterBlocks::apply(const TimelineMarker& marker, double markerSeconds) {
    reset();
    for (const MarkerEffect& effect : marker.effects) {
        const EffectType* type = findEffectType(effect.type);
        if (!type) continue;  // unknown types are skipped; "Glitch" has no knobs to find
        for (const EffectParameter& parameter : effect.parameters) {
            // A parameter without keys has no value: the field keeps what it had.
            if (parameter.keys.empty()) continue;
            if (const EffectKnob* knob = type->findKnob(parameter.name)) {
                setKnobValue(*this, *type, *knob, parameter.valueAt(markerSeconds));
            }
        }
    }
    overlay.amount = 0.0f;
}
