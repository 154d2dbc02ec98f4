// Editing the timeline from the player: every step written at once with the rest of the file as it was, undone to
// the very bytes, a split that moves no value, and saves that fail without losing anything.
#include <gtest/gtest.h>

#include <functional>

#include "app/timeline_editor.h"
#include "base/atomic_file.h"
#include "base/music_format.h"
#include "resources/resource_registry.h"
#include "resources/timeline_edits.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
namespace edits = timeline_edits;
using testing_support::TempDir;
using testing_support::readFile;

constexpr uint64_t kSecond = music_format::kBytesPerSecond;

const std::string kOne = R"(  <TimelineTrack label="One" to="4" scene="Hall" camera="Camera" start="0" end="1" mood="calm">
    <Effect type="DOF">
      <Parameter name="focus"><Key value="0.5" time="0"/></Parameter>
    </Effect>
    <Note>keep me</Note>
  </TimelineTrack>
)";
const std::string kTwo = R"(  <TimelineTrack label="Two" to="8" scene="Orbit" start="0.5" end="0.25">
    <Effect type="Bloom">
      <Parameter name="size" interpolate="linear"><Key value="0" time="0"/><Key value="1" time="4"/></Parameter>
    </Effect>
  </TimelineTrack>
)";
const std::string kFile = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- a show -->\n"
                          "<Timeline timeunit=\"second\" author=\"me\">\n  <!-- the opening -->\n" +
                          kOne + kTwo + "</Timeline>\n<!-- trailing -->\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct EditorFixture {
    explicit EditorFixture(const std::string& text, TimelineEditor::Writer write = {}) {
        file = dir.write("resources/timeline.xml", text);
        registry.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
        timeline = registry.acquire<DemoTimeline>(ResourcePath(file.string().c_str()));
        TimelineEditor::Setup setup;
        setup.timeline = timeline;
        setup.file = file.string();
        setup.write = std::move(write);
        std::string error;
        EXPECT_TRUE(editor.open(std::move(setup), &error)) << error;
    }
    TempDir dir;
    fs::path file;
    ResourceRegistry registry;
    ResourceHandle<DemoTimeline> timeline;
    TimelineEditor editor;
};

TEST(TimelineEditor, EditsKeepTheRestOfTheFileAndUndoGivesBackItsBytes) {
    using Change = std::function<bool(TimelineDocument&, const std::vector<TimelineMarker>&)>;
    // One is 0..4 s, cut at 1 s: the first half ends at 1 s a quarter of the way, the second starts a byte later.
    const std::string firstHalf = replaced(replaced(kOne, "to=\"4\"", "to=\"1\""), "end=\"1\"", "end=\"0.25\"");
    const std::string secondHalf =
        replaced(kOne, "start=\"0\"", "start=\"" + shortestFloatText(float(176401.0 / 705600.0)) + "\"");
    struct Row {
        const char* name;
        Change change;
        std::string expected;
    };
    const Row rows[] = {
        {"knob", [](auto& d, auto&) { return edits::setKnob(d, 0, "DOF", "focus", 0.25f, 2.0); },
         replaced(kFile, "<Key value=\"0.5\" time=\"0\"/>", "<Key value=\"0.25\" time=\"0\"/>")},
        {"knob of a new effect", [](auto& d, auto&) { return edits::setKnob(d, 0, "ColorCorrection", "vignette", 0.7f, 0.0); },
         replaced(kFile, "<Note>keep me</Note>\n",
                  "<Note>keep me</Note>\n    <Effect type=\"ColorCorrection\">\n      <Parameter name=\"vignette\"><Key "
                  "value=\"0.7\" time=\"0\"/></Parameter>\n    </Effect>\n")},
        {"keyed knob between keys", [](auto& d, auto&) { return edits::setKnob(d, 1, "Bloom", "size", 0.9f, 2.5); },
         replaced(kFile, "<Key value=\"1\" time=\"4\"/>", "<Key value=\"1\" time=\"4\"/><Key value=\"0.9\" time=\"2.5\"/>")},
        {"keyed knob on a key", [](auto& d, auto&) { return edits::setKnob(d, 1, "Bloom", "size", 0.1f, 4.0); },
         replaced(kFile, "<Key value=\"1\" time=\"4\"/>", "<Key value=\"0.1\" time=\"4\"/>")},
        {"interpolation", [](auto& d, auto&) { return edits::setInterpolation(d, 1, "Bloom", "size", "smooth", 0.0f); },
         replaced(kFile, "interpolate=\"linear\"", "interpolate=\"smooth\"")},
        {"split", [](auto& d, auto& m) { return edits::splitMarker(d, m, 0, kSecond); },
         replaced(kFile, kOne, firstHalf + secondHalf)},
        {"delete", [](auto& d, auto& m) { return edits::deleteMarker(d, m, 1); }, replaced(kFile, kTwo, "")},
        {"duplicate", [](auto& d, auto& m) { return edits::duplicateMarker(d, m, 1); },
         replaced(kFile, kTwo, kTwo + replaced(kTwo, "to=\"8\"", "to=\"12\""))},
        {"to moved", [](auto& d, auto& m) { return edits::moveMarkerEnd(d, m, 0, 3 * kSecond + kSecond / 2); },
         replaced(kFile, "to=\"4\"", "to=\"3.5\"")},
        {"scene", [](auto& d, auto&) { return edits::setMarkerText(d, 1, "scene", "Hall"); },
         replaced(kFile, "scene=\"Orbit\"", "scene=\"Hall\"")},
        {"camera added", [](auto& d, auto&) { return edits::setMarkerText(d, 1, "camera", "Side"); },
         replaced(kFile, "end=\"0.25\">", "end=\"0.25\" camera=\"Side\">")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EditorFixture fixture(kFile);
        std::string why;
        ASSERT_TRUE(fixture.editor.edit([&](TimelineDocument& d, const std::vector<TimelineMarker>& m, std::string*) {
            return row.change(d, m);
        }, {}, &why)) << why;
        EXPECT_EQ(readFile(fixture.file), row.expected);
        EXPECT_EQ(fixture.timeline->markerList().size(), fixture.editor.markers().size());  // shown at once
        ASSERT_TRUE(fixture.editor.undo());
        EXPECT_EQ(readFile(fixture.file), kFile);
        ASSERT_TRUE(fixture.editor.redo());
        EXPECT_EQ(readFile(fixture.file), row.expected);
    }
}

// The value of every keyed parameter and the animation fraction at every time are the same before and after a cut,
// for each kind of interpolation, cut between keys, on a key, before and after them all.
TEST(TimelineEditor, ASplitMovesNoValue) {
    for (const char* kind : {"step", "linear", "smooth", "ramp", ""}) {
        for (const double cut : {2.5, 3.0, 0.5, 9.0}) {
            SCOPED_TRACE(testing::Message() << kind << " cut at " << cut);
            const std::string interpolate = *kind ? std::string(" interpolate=\"") + kind + "\"" : "";
            for (const char* unit : {"second", "bytes"}) {
                const std::string to = std::string(unit) == "second" ? "10" : std::to_string(10 * kSecond);
                const std::string xml = std::string("<Timeline timeunit=\"") + unit + "\"><TimelineTrack to=\"" + to +
                                        "\" start=\"0.2\" end=\"0.9\"><Effect type=\"DOF\"><Parameter name=\"focus\"" +
                                        interpolate + "><Key value=\"0.8\" time=\"7\"/><Key value=\"0\" time=\"1\"/>"
                                        "<Key value=\"1\" time=\"3\"/></Parameter></Effect></TimelineTrack></Timeline>";
                EditorFixture fixture(xml);
                const std::vector<TimelineMarker> before = fixture.editor.markers();
                ASSERT_TRUE(fixture.editor.edit([&](TimelineDocument& d, const std::vector<TimelineMarker>& m, std::string* why) {
                    return edits::splitMarker(d, m, 0, static_cast<uint64_t>(cut * kSecond), why);
                }));
                const std::vector<TimelineMarker>& after = fixture.editor.markers();
                ASSERT_EQ(after.size(), 2u);
                EXPECT_EQ(after[1].from, after[0].to + 1);
                for (uint64_t position = 0; position <= 10 * kSecond; position += kSecond / 8) {
                    const TimelineMarker& whole = before[0];
                    const TimelineMarker& half = position <= after[0].to ? after[0] : after[1];
                    auto fraction = [&](const TimelineMarker& m) {
                        const double p = (double(position) - m.from) / (double(m.to) - m.from);
                        return m.start + std::clamp(p, 0.0, 1.0) * (double(m.end) - m.start);
                    };
                    EXPECT_NEAR(fraction(half), fraction(whole), 1e-6) << position;
                    EXPECT_NEAR(half.effects[0].parameters[0].valueAt(secondsIntoMarker(half, position)),
                                whole.effects[0].parameters[0].valueAt(secondsIntoMarker(whole, position)), 1e-5)
                        << position;
                }
            }
        }
    }
}

TEST(TimelineEditor, AFailedWriteKeepsTheEditAndTheFileWholeAndIsTriedAgain) {
    bool fail = true;
    EditorFixture fixture(kFile, [&](const std::string& path, std::string_view bytes, std::string& error) {
        if (fail) {
            error = "disk full";
            return false;
        }
        return writeFileAtomically(path, bytes, error);
    });
    auto knob = [&](float value) {
        return fixture.editor.edit([&](TimelineDocument& d, const std::vector<TimelineMarker>&, std::string* why) {
            return edits::setKnob(d, 0, "DOF", "focus", value, 0.0, why);
        });
    };
    ASSERT_TRUE(knob(0.125f));
    EXPECT_EQ(fixture.editor.saveError(), "disk full");
    EXPECT_EQ(readFile(fixture.file), kFile);
    EXPECT_EQ(fixture.timeline->markerList()[0].effects[0].parameters[0].keys[0].value, 0.125f);  // on screen
    fail = false;
    ASSERT_TRUE(knob(0.375f));
    EXPECT_EQ(fixture.editor.saveError(), "");
    EXPECT_EQ(readFile(fixture.file), replaced(kFile, "value=\"0.5\"", "value=\"0.375\""));

    // A file made read-only stays as it is, whoever runs the player.
    fs::permissions(fixture.file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(knob(0.625f));
    EXPECT_NE(fixture.editor.saveError().find("read-only"), std::string::npos) << fixture.editor.saveError();
    EXPECT_EQ(readFile(fixture.file), replaced(kFile, "value=\"0.5\"", "value=\"0.375\""));
    EXPECT_FALSE(fs::exists(fixture.file.string() + ".saving"));
}

// What live reload sees: the editor's own saves are known and not read again; another program's save is one step
// of the history, undone like any other.
TEST(TimelineEditor, AnotherProgramsSaveIsOneStep) {
    EditorFixture fixture(kFile);
    ASSERT_TRUE(fixture.editor.edit([](TimelineDocument& d, const std::vector<TimelineMarker>&, std::string* why) {
        return edits::setMarkerText(d, 0, "label", "Opening", why);
    }));
    EXPECT_TRUE(fixture.editor.isOwnWrite(readFile(fixture.file)));
    const std::string external = replaced(kFile, "label=\"Two\"", "label=\"Outside\"");
    EXPECT_FALSE(fixture.editor.isOwnWrite(external));
    fixture.editor.takeExternal(external);
    EXPECT_EQ(fixture.editor.markers()[1].label, "Outside");
    ASSERT_TRUE(fixture.editor.undo());
    EXPECT_EQ(readFile(fixture.file), replaced(kFile, "label=\"One\"", "label=\"Opening\""));
    EXPECT_EQ(fixture.timeline->markerList()[1].label, "Two");
    ASSERT_TRUE(fixture.editor.undo());
    EXPECT_EQ(readFile(fixture.file), kFile);
    EXPECT_FALSE(fixture.editor.undo());

    // A slider's drag is one step.
    for (float value : {0.1f, 0.2f, 0.3f}) {
        fixture.editor.edit([&](TimelineDocument& d, const std::vector<TimelineMarker>&, std::string* why) {
            return edits::setKnob(d, 0, "DOF", "focus", value, 0.0, why);
        }, "DOF.focus");
    }
    fixture.editor.endGroup();
    EXPECT_EQ(readFile(fixture.file), replaced(kFile, "value=\"0.5\"", "value=\"0.3\""));
    ASSERT_TRUE(fixture.editor.undo());
    EXPECT_EQ(readFile(fixture.file), kFile);
}

TEST(TimelineEditor, KeysGiveTheirCommands) {
    using C = TimelineEditor::Command;
    struct Row {
        uint64_t key;
        bool control, shift;
        std::optional<C> command;
    };
    for (const Row& row : {Row{'B', true, false, C::Split}, Row{'B', false, false, std::nullopt},
                           Row{'D', true, false, C::Duplicate}, Row{'Z', true, false, C::Undo},
                           Row{'Z', true, true, C::Redo}, Row{'Y', true, false, C::Redo}, Row{0x2E, false, false, C::Delete},
                           Row{'L', true, false, std::nullopt}}) {
        EXPECT_EQ(editCommandForKey(row.key, row.control, row.shift), row.command) << char(row.key);
    }
}

}  // namespace
