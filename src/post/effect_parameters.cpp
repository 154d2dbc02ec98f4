#include "post/effect_parameters.h"

#include <string_view>

namespace {

template <typename Block>
struct NamedField {
    std::string_view name;
    float Block::*field;
};

// The timeline's names of each block's fields; made once, not on every marker.
using Dof = DepthOfFieldParameters;
constexpr NamedField<Dof> kDofFields[] = {{"aperture", &Dof::aperture}, {"focus", &Dof::focus}, {"limit", &Dof::limit}};

using Lens = LensDistortParameters;
constexpr NamedField<Lens> kLensFields[] = {{"distort1", &Lens::distort1}, {"distort2", &Lens::distort2},
                                            {"distort3", &Lens::distort3}, {"distortg", &Lens::distortg},
                                            {"chrom", &Lens::chrom},       {"zoom", &Lens::zoom}};

using Bloom = BloomParameters;
constexpr NamedField<Bloom> kBloomFields[] = {{"smooth", &Bloom::smooth},
                                              {"size", &Bloom::size},
                                              {"samplesx", &Bloom::samplesx},
                                              {"samplesy", &Bloom::samplesy},
                                              {"directionx", &Bloom::directionx},
                                              {"directiony", &Bloom::directiony},
                                              {"powerx", &Bloom::powerx},
                                              {"powery", &Bloom::powery},
                                              {"blur_instensity", &Bloom::blurIntensity},
                                              {"scene_intensity", &Bloom::sceneIntensity}};

using Colour = ColorCorrectParameters;
constexpr NamedField<Colour> kColourFields[] = {{"red", &Colour::red},
                                                {"green", &Colour::green},
                                                {"blue", &Colour::blue},
                                                {"red_offset", &Colour::redOffset},
                                                {"green_offset", &Colour::greenOffset},
                                                {"blue_offset", &Colour::blueOffset},
                                                {"contrast", &Colour::contrast},
                                                {"exposure", &Colour::exposure},
                                                {"grain", &Colour::grain},
                                                {"saturation", &Colour::saturation},
                                                {"tonemap", &Colour::tonemap},
                                                {"vignette", &Colour::vignette}};

template <typename Block, std::size_t N>
void applyParameters(const MarkerEffect& effect, Block& block, const NamedField<Block> (&fields)[N]) {
    for (const EffectParameter& parameter : effect.parameters) {
        // A parameter without keys has no value: the field keeps what it had.
        if (parameter.keys.empty()) continue;
        for (const NamedField<Block>& field : fields) {
            if (parameter.name == field.name) {
                block.*field.field = parameter.keys.front().value;
                break;
            }
        }
    }
}

template <typename Block, std::size_t N>
std::vector<std::string_view> namesOf(const NamedField<Block> (&fields)[N]) {
    std::vector<std::string_view> names;
    for (const NamedField<Block>& field : fields) names.push_back(field.name);
    return names;
}

}  // namespace

std::vector<std::string_view> knownEffectTypes() { return {"DOF", "LensDistort", "Bloom", "ColorCorrection", "Glitch"}; }

std::vector<std::string_view> knownEffectParameters(std::string_view type) {
    if (type == "DOF") return namesOf(kDofFields);
    if (type == "LensDistort") return namesOf(kLensFields);
    if (type == "Bloom") return namesOf(kBloomFields);
    if (type == "ColorCorrection") return namesOf(kColourFields);
    return {};
}

void EffectParameterBlocks::reset() { *this = EffectParameterBlocks{}; }

void EffectParameterBlocks::apply(const TimelineMarker& marker) {
    reset();
    for (const MarkerEffect& effect : marker.effects) {
        if (effect.type == "DOF") {
            applyParameters(effect, depthOfField, kDofFields);
        } else if (effect.type == "LensDistort") {
            applyParameters(effect, lensDistort, kLensFields);
        } else if (effect.type == "Bloom") {
            applyParameters(effect, bloom, kBloomFields);
        } else if (effect.type == "ColorCorrection") {
            applyParameters(effect, colorCorrect, kColourFields);
        }
        // "Glitch" is a known type without a block; other types are skipped alike.
    }
    overlay.amount = 0.0f;
}
