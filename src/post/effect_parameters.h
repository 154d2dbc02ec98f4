#pragma once

// The effects' parameter blocks as their shaders read them at b1 (every field a 32-bit float, in shader order),
// with their defaults; the one table of the effect types and their knobs; and how a timeline marker's effects set
// the blocks.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "resources/demo_timeline.h"

struct DepthOfFieldParameters {
    float aperture = 0.01f;
    float focus = 0.5f;
    float limit = 0.8f;
};
static_assert(sizeof(DepthOfFieldParameters) == 12);

struct LensDistortParameters {
    float distort1 = 0.502f;
    float distort2 = 0.47f;
    float distort3 = 0.497f;
    float distortg = 0.5f;
    float zoom = 0.51f;
    float chrom = 0.723f;
};
static_assert(sizeof(LensDistortParameters) == 24);

struct ColorCorrectParameters {
    float exposure = 0.547f;
    float saturation = 0.552f;
    float vignette = 0.436f;
    float grain = 0.697f;
    float red = 0.5f;
    float green = 0.5f;
    float blue = 0.5f;
    float tonemap = 1.0f;
    float redOffset = 0.5f;
    float greenOffset = 0.5f;
    float blueOffset = 0.5f;
    float contrast = 0.676f;
    float unused[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // pads the shader's block; no timeline name sets them
};
static_assert(sizeof(ColorCorrectParameters) == 64);

struct OverlayParameters {
    float amount = 0.0f;  // set by the frame renderer, never by the timeline
};
static_assert(sizeof(OverlayParameters) == 4);

struct BloomParameters {
    float smooth = 0.206f;
    float size = 0.931f;
    float samplesx = 0.1f;
    float directionx = 0.0f;
    float powerx = 0.14f;
    float samplesy = 0.1f;
    float directiony = 0.5f;
    float powery = 0.221f;
    float blurIntensity = 0.2f;  // timeline name "blur_instensity", spelt so in every show
    float sceneIntensity = 1.0f;
};
static_assert(sizeof(BloomParameters) == 40);

// One of each block, as the frame renderer holds them.
struct EffectParameterBlocks {
    DepthOfFieldParameters depthOfField;
    LensDistortParameters lensDistort;
    ColorCorrectParameters colorCorrect;
    OverlayParameters overlay;
    BloomParameters bloom;

    // Every field to its default, the unnamed colour floats and the overlay amount to 0.
    void reset();
    // Defaults, then the marker's effects in list order: for each effect type of the table below, each parameter
    // whose name the type knows takes its value at `markerSeconds` (EffectParameter::valueAt: the first key
    // without "interpolate"); later effects and parameters overwrite earlier ones. "Glitch", unknown types,
    // unknown names and parameters without keys change nothing. The overlay amount ends at 0. Allocates nothing.
    void apply(const TimelineMarker& marker, double markerSeconds = 0.0);
};

// ---- The table of the effects ----
// Every effect type the timeline names, with its knobs: the timeline's name, the default and the place in the
// block (the float's index; byte offset = 4 x place). Filling the blocks, the inspector's checks and reports and
// the tests all read it. Adding a knob: the float in its block struct above, one line in the table
// (effect_parameters.cpp), the shader's b1 block and the shaders' README.

struct EffectKnob {
    std::string_view name;  // as the timeline spells it
    float defaultValue;
    std::uint32_t place;    // index of its float in the block
};

struct EffectType {
    std::string_view type;       // the `Effect` element's "type"
    std::string_view blockName;  // how demo-inspect names the block: "dof", "lens", "bloom", "color"; "" for none
    std::size_t blockOffset;     // of the block in EffectParameterBlocks
    std::size_t blockBytes;      // sizeof the block; 0 for a type without one ("Glitch")
    std::span<const EffectKnob> knobs;  // in block order

    // The knob this type names so (exact, case-sensitive), or null.
    const EffectKnob* findKnob(std::string_view name) const;
};

// "DOF", "LensDistort", "Bloom", "ColorCorrection", "Glitch", in the order apply compares them.
std::span<const EffectType> effectTable();
// The type of that exact name, or null.
const EffectType* findEffectType(std::string_view type);

// A knob's value in `blocks`, and setting it (for tools and editors that work by name).
float knobValue(const EffectParameterBlocks& blocks, const EffectType& type, const EffectKnob& knob);
void setKnobValue(EffectParameterBlocks& blocks, const EffectType& type, const EffectKnob& knob, float value);

// The table's names as lists, for nearest-name hints: the types, and the knob names of one type (empty for
// "Glitch" and unknown types).
std::vector<std::string_view> knownEffectTypes();
std::vector<std::string_view> knownEffectParameters(std::string_view type);
