#include "post/effect_parameters.h"

#include <string_view>

namespace {

struct NamedField {
    std::string_view name;
    float* field;
};

template <std::size_t N>
void applyParameters(const MarkerEffect& effect, const NamedField (&fields)[N]) {
    for (const EffectParameter& parameter : effect.parameters) {
        // A parameter without keys has no value: the field keeps what it had.
        if (parameter.keys.empty()) continue;
        for (const NamedField& field : fields) {
            if (parameter.name == field.name) {
                *field.field = parameter.keys.front().value;
                break;
            }
        }
    }
}

}  // namespace

void EffectParameterBlocks::reset() { *this = EffectParameterBlocks{}; }

void EffectParameterBlocks::apply(const TimelineMarker& marker) {
    reset();
    DepthOfFieldParameters& d = depthOfField;
    LensDistortParameters& l = lensDistort;
    BloomParameters& b = bloom;
    ColorCorrectParameters& c = colorCorrect;
    const NamedField dofFields[] = {{"aperture", &d.aperture}, {"focus", &d.focus}, {"limit", &d.limit}};
    const NamedField lensFields[] = {{"distort1", &l.distort1}, {"distort2", &l.distort2},
                                     {"distort3", &l.distort3}, {"distortg", &l.distortg},
                                     {"chrom", &l.chrom},       {"zoom", &l.zoom}};
    const NamedField bloomFields[] = {{"smooth", &b.smooth},
                                      {"size", &b.size},
                                      {"samplesx", &b.samplesx},
                                      {"samplesy", &b.samplesy},
                                      {"directionx", &b.directionx},
                                      {"directiony", &b.directiony},
                                      {"powerx", &b.powerx},
                                      {"powery", &b.powery},
                                      {"blur_instensity", &b.blurIntensity},
                                      {"scene_intensity", &b.sceneIntensity}};
    const NamedField colourFields[] = {{"red", &c.red},
                                       {"green", &c.green},
                                       {"blue", &c.blue},
                                       {"red_offset", &c.redOffset},
                                       {"green_offset", &c.greenOffset},
                                       {"blue_offset", &c.blueOffset},
                                       {"contrast", &c.contrast},
                                       {"exposure", &c.exposure},
                                       {"grain", &c.grain},
                                       {"saturation", &c.saturation},
                                       {"tonemap", &c.tonemap},
                                       {"vignette", &c.vignette}};

    for (const MarkerEffect& effect : marker.effects) {
        if (effect.type == "DOF") {
            applyParameters(effect, dofFields);
        } else if (effect.type == "LensDistort") {
            applyParameters(effect, lensFields);
        } else if (effect.type == "Bloom") {
            applyParameters(effect, bloomFields);
        } else if (effect.type == "ColorCorrection") {
            applyParameters(effect, colourFields);
        }
        // "Glitch" is a known type without a block; other types are skipped alike.
    }
    overlay.amount = 0.0f;
}
