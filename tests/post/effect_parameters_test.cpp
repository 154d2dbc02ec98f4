// Parameter blocks: defaults and how a marker's effects set them.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "post/effect_parameters.h"

namespace {

MarkerEffect effect(const std::string& type, std::vector<EffectParameter> parameters) {
    return MarkerEffect{type, std::move(parameters)};
}
EffectParameter named(const std::string& name, float value, float laterValue = -1.0f) {
    return EffectParameter{name, {ParameterKey{value, 0.0f}, ParameterKey{laterValue, 5.0f}}};
}

bool sameBytes(const EffectParameterBlocks& a, const EffectParameterBlocks& b) {
    return std::memcmp(&a.depthOfField, &b.depthOfField, sizeof(a.depthOfField)) == 0 &&
           std::memcmp(&a.lensDistort, &b.lensDistort, sizeof(a.lensDistort)) == 0 &&
           std::memcmp(&a.colorCorrect, &b.colorCorrect, sizeof(a.colorCorrect)) == 0 &&
           std::memcmp(&a.overlay, &b.overlay, sizeof(a.overlay)) == 0 &&
           std::memcmp(&a.bloom, &b.bloom, sizeof(a.bloom)) == 0;
}

TEST(EffectParametersTest, DefaultsInShaderOrder) {
    EffectParameterBlocks blocks;
    blocks.depthOfField.aperture = 7.0f;
    blocks.overlay.amount = 1.0f;
    blocks.colorCorrect.unused[3] = 3.0f;
    blocks.reset();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(blocks.depthOfField.aperture), 0x3C23D70Au);
    const float dof[] = {0.01f, 0.5f, 0.8f};
    const float lens[] = {0.502f, 0.47f, 0.497f, 0.5f, 0.51f, 0.723f};
    const float colour[] = {0.547f, 0.552f, 0.436f, 0.697f, 0.5f, 0.5f, 0.5f, 1.0f,
                            0.5f,   0.5f,   0.5f,   0.676f, 0.0f, 0.0f, 0.0f, 0.0f};
    const float bloom[] = {0.206f, 0.931f, 0.1f, 0.0f, 0.14f, 0.1f, 0.5f, 0.221f, 0.2f, 1.0f};
    const float overlay[] = {0.0f};
    EXPECT_EQ(std::memcmp(&blocks.depthOfField, dof, sizeof(dof)), 0);
    EXPECT_EQ(std::memcmp(&blocks.lensDistort, lens, sizeof(lens)), 0);
    EXPECT_EQ(std::memcmp(&blocks.colorCorrect, colour, sizeof(colour)), 0);
    EXPECT_EQ(std::memcmp(&blocks.bloom, bloom, sizeof(bloom)), 0);
    EXPECT_EQ(std::memcmp(&blocks.overlay, overlay, sizeof(overlay)), 0);
}

TEST(EffectParametersTest, MarkerEffectsSetOnlyTheFieldsTheyName) {
    TimelineMarker marker;
    marker.effects = {
        effect("DOF", {named("focus", 0.3f)}),
        effect("Bloom", {named("size", 1.0f), named("smooth", 2.0f)}),
        effect("Bloom", {named("size", 3.0f), named("blur_instensity", 4.0f), named("blur_intensity", 9.0f)}),
        effect("LensDistortion", {named("zoom", 9.0f)}),
        effect("LensDistort", {named("chrom", 5.0f), named("Zoom", 9.0f), named("chrom", 6.0f)}),
        effect("Glitch", {named("focus", 9.0f), named("size", 9.0f)}),
        effect("dof", {named("focus", 9.0f)}),
        effect("ColorCorrection", {named("red_offset", 7.0f), EffectParameter{"grain", {}}}),
    };
    EffectParameterBlocks blocks;
    blocks.overlay.amount = 1.0f;
    blocks.apply(marker);

    EffectParameterBlocks expected;
    expected.depthOfField.focus = 0.3f;
    expected.bloom.smooth = 2.0f;  // set by the first Bloom only
    expected.bloom.size = 3.0f;    // the later Bloom wins
    expected.bloom.blurIntensity = 4.0f;
    expected.lensDistort.chrom = 6.0f;  // the later parameter wins; first key only
    expected.colorCorrect.redOffset = 7.0f;
    EXPECT_TRUE(sameBytes(blocks, expected));
    EXPECT_EQ(blocks.overlay.amount, 0.0f);

    // Without effects, everything is default again.
    blocks.apply(TimelineMarker{});
    EXPECT_TRUE(sameBytes(blocks, EffectParameterBlocks{}));
}

}  // namespace
