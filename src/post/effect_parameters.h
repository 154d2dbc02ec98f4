#pragma once

// The effects' parameter blocks as their shaders read them at b1 (every field a 32-bit float, in shader order),
// with their defaults, and how a timeline marker's effects set them.

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

// The effect types EffectParameterBlocks::apply reads ("Glitch" among them, which takes no parameters), and the
// parameter names each type takes, as the timeline spells them: for checking a show against what the player
// will read.
std::vector<std::string_view> knownEffectTypes();
std::vector<std::string_view> knownEffectParameters(std::string_view type);

// One of each block, as the frame renderer holds them.
struct EffectParameterBlocks {
    DepthOfFieldParameters depthOfField;
    LensDistortParameters lensDistort;
    ColorCorrectParameters colorCorrect;
    OverlayParameters overlay;
    BloomParameters bloom;

    // Every field to its default, the unnamed colour floats and the overlay amount to 0.
    void reset();
    // Defaults, then the marker's effects in list order: for the types "DOF", "LensDistort", "Bloom" and
    // "ColorCorrection", each parameter whose name the type knows takes the value of its first key (later
    // effects and parameters overwrite earlier ones). "Glitch", unknown types, unknown names and parameters
    // without keys change nothing. The overlay amount ends at 0.
    void apply(const TimelineMarker& marker);
};
