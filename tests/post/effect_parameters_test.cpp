// Parameter blocks: the effect table, defaults, and how a marker's effects set them.

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "post/effect_parameters.h"
#include "support/allocation_counter.h"

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

// The table against the blocks: each knob's default is its field's, the knobs fill their block in order (the
// colour block's last four floats excepted), and the blocks lie apart inside EffectParameterBlocks.
TEST(EffectParametersTest, TheEffectTableDescribesTheBlocks) {
    EffectParameterBlocks blocks;
    blocks.depthOfField.aperture = 7.0f;
    blocks.overlay.amount = 1.0f;
    blocks.colorCorrect.unused[3] = 3.0f;
    blocks.reset();
    EXPECT_EQ(std::bit_cast<std::uint32_t>(blocks.depthOfField.aperture), 0x3C23D70Au);
    EXPECT_TRUE(sameBytes(blocks, EffectParameterBlocks{}));

    std::vector<bool> covered(sizeof(EffectParameterBlocks), false);
    for (const EffectType& type : effectTable()) {
        SCOPED_TRACE(std::string(type.type));
        EXPECT_EQ(findEffectType(type.type), &type);
        EXPECT_EQ(type.knobs.empty(), type.blockBytes == 0);
        const std::size_t unnamed = type.type == "ColorCorrection" ? 4 : 0;
        EXPECT_EQ(type.blockBytes, (type.knobs.size() + unnamed) * sizeof(float));
        for (std::size_t i = 0; i < type.knobs.size(); ++i) {
            const EffectKnob& knob = type.knobs[i];
            EXPECT_EQ(knob.place, i) << knob.name;  // block order
            EXPECT_EQ(type.findKnob(knob.name), &knob);
            EXPECT_EQ(knobValue(blocks, type, knob), knob.defaultValue) << knob.name;
        }
        for (std::size_t byte = type.blockOffset; byte < type.blockOffset + type.blockBytes; ++byte) {
            ASSERT_LT(byte, covered.size());
            EXPECT_FALSE(covered[byte]) << "overlaps another block";
            covered[byte] = true;
        }
    }
    EXPECT_EQ(findEffectType("LensDistortion"), nullptr);  // the chain's name, not the timeline's
    EXPECT_EQ(findEffectType("dof"), nullptr);
    for (const float unused : blocks.colorCorrect.unused) EXPECT_EQ(unused, 0.0f);
    EXPECT_EQ(blocks.overlay.amount, 0.0f);
}

// show/resources/shaders/README.md documents every knob of the table with its default, under its effect's type,
// and no other.
TEST(EffectParametersTest, TheShadersReadmeListsTheTable) {
    std::ifstream readme(DEMO_SOURCE_DIR "/show/resources/shaders/README.md");
    ASSERT_TRUE(readme) << "no shaders README";
    std::map<std::string, std::map<std::string, float>> documented;  // type -> name -> default
    std::string line, type;
    const auto split = [](const std::string& cell) {
        std::vector<std::string> parts;
        std::stringstream in(cell);
        for (std::string part; std::getline(in, part, ',');) {
            part.erase(0, part.find_first_not_of(' '));
            part.erase(part.find_last_not_of(' ') + 1);
            parts.push_back(part);
        }
        return parts;
    };
    while (std::getline(readme, line)) {
        if (line.rfind("## ", 0) == 0) {  // "## Depth of field (`DOF`, passes ...)"
            const size_t tick = line.find('`');
            type = tick == std::string::npos ? "" : line.substr(tick + 1, line.find('`', tick + 1) - tick - 1);
            continue;
        }
        if (line.rfind("| ", 0) != 0 || line.rfind("| name", 0) == 0 || line.rfind("|--", 0) == 0) continue;
        const size_t second = line.find('|', 1), third = line.find('|', second + 1);
        const std::vector<std::string> names = split(line.substr(1, second - 1));
        const std::vector<std::string> defaults = split(line.substr(second + 1, third - second - 1));
        for (size_t i = 0; i < names.size(); ++i) {
            documented[type][names[i]] = std::stof(defaults[defaults.size() == 1 ? 0 : i]);
        }
    }
    std::map<std::string, std::map<std::string, float>> table;
    for (const EffectType& entry : effectTable()) {
        for (const EffectKnob& knob : entry.knobs) table[std::string(entry.type)][std::string(knob.name)] = knob.defaultValue;
    }
    EXPECT_EQ(documented, table);
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

// A keyed knob moves with the time in the marker, with nothing allocated for it.
TEST(EffectParametersTest, KeyedParametersMoveWithTheMarkerTime) {
    const EffectParameter focus{"focus", {ParameterKey{0.8f, 2.0f}, ParameterKey{0.2f, 0.0f}}, Interpolation::Linear};
    const EffectParameter plain{"aperture", {ParameterKey{0.05f, 3.0f}, ParameterKey{0.9f, 0.0f}}};
    TimelineMarker marker;
    marker.effects = {effect("DOF", {focus, plain})};
    EffectParameterBlocks blocks;
    const struct {
        double seconds;
        float focus;
    } times[] = {{0.0, 0.2f}, {1.0, 0.5f}, {1.5, 0.65f}, {2.0, 0.8f}, {7.0, 0.8f}};
    for (const auto& at : times) {
        testing_support::AllocationCounter counter;
        blocks.apply(marker, at.seconds);
        if (testing_support::AllocationCounter::available()) {
            EXPECT_EQ(counter.count(), 0u);
        }
        EXPECT_FLOAT_EQ(blocks.depthOfField.focus, at.focus) << at.seconds;
        EXPECT_EQ(blocks.depthOfField.aperture, 0.05f);  // without "interpolate": the first key, always
    }
}

}  // namespace
