#include "app/editor_panels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <imgui.h>

#include "app/timeline_editor.h"
#include "app/transport.h"
#include "app/waveform_peaks.h"
#include "audio/audio_manager.h"
#include "audio/marker_lookup.h"
#include "base/music_format.h"
#include "post/effect_parameters.h"
#include "post/frame_renderer.h"
#include "resources/resource_manifest.h"
#include "resources/timeline_edits.h"

namespace {

namespace edits = timeline_edits;
constexpr double kBytesPerSecond = music_format::kBytesPerSecond;
constexpr float kStripHeight = 112.0f;
constexpr float kMarkerRow = 24.0f;
constexpr float kKeyRow = 12.0f;
constexpr float kPanelWidth = 360.0f;
constexpr float kEdgeGrip = 5.0f;  // pixels either side of a marker's end that grab it

constexpr ImU32 kMarkerColours[] = {IM_COL32(70, 110, 170, 220), IM_COL32(90, 140, 95, 220)};
constexpr ImU32 kNeverCurrent = IM_COL32(150, 60, 60, 200);
constexpr ImU32 kSelectedOutline = IM_COL32(255, 220, 80, 255);
constexpr ImU32 kPlayhead = IM_COL32(255, 80, 60, 255);
constexpr ImU32 kWave = IM_COL32(150, 170, 190, 200);
constexpr ImU32 kLoop = IM_COL32(255, 255, 255, 40);
constexpr ImU32 kKey = IM_COL32(255, 200, 60, 255);

const char* const kInterpolationNames[] = {"first key", "step", "linear", "smooth", "ramp"};

uint64_t clampedSeek(double seconds, uint64_t length) {
    return clampToTrack(static_cast<int64_t>(std::max(0.0, seconds) * kBytesPerSecond), length);
}

// The parameter whose keys the player reads for a knob (the last one with keys), or null.
const EffectParameter* effectiveParameter(const TimelineMarker& marker, std::string_view type, std::string_view name) {
    const EffectParameter* found = nullptr;
    for (const MarkerEffect& effect : marker.effects) {
        if (effect.type != type) continue;
        for (const EffectParameter& parameter : effect.parameters)
            if (parameter.name == name && !parameter.keys.empty()) found = &parameter;
    }
    return found;
}

// Edits the marker `index` with one operation; `group` makes a drag one step of the history.
template <typename Operation>
bool editMarker(TimelineEditor& editor, Operation operation, std::string_view group = {}) {
    return editor.edit([&](TimelineDocument& document, const std::vector<TimelineMarker>& markers, std::string* why) {
        return operation(document, markers, why);
    }, group);
}

}  // namespace

bool EditorPanels::draw(const EditorPanelsContext& context) {
    if (!context.audio || !context.editor || !context.editor->isOpen()) return false;
    AudioManagerInterface* channel = context.audio->getAudio();
    if (!channel) return false;
    // The panels describe the frame on screen: its moment, not where the music has gone on to since.
    const uint64_t position = context.renderer ? context.renderer->drawnMoment().position : channel->getPosition();
    const uint64_t length = channel->getLength();
    if (selected && *selected >= context.editor->markers().size()) selected.reset();
    bool changed = drawStrip(context, position, length);
    changed = drawPanel(context, position) || changed;
    return changed;
}

bool EditorPanels::drawStrip(const EditorPanelsContext& context, uint64_t position, uint64_t length) {
    const ImGuiIO& io = ImGui::GetIO();
    const double trackSeconds = std::max(static_cast<double>(length) / kBytesPerSecond, 0.001);
    if (viewSpan_ <= 0.0) viewSpan_ = trackSeconds;
    ImGui::SetNextWindowPos(ImVec2(0.0f, io.DisplaySize.y - kStripHeight));
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x, kStripHeight));
    ImGui::SetNextWindowBgAlpha(0.8f);
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoSavedSettings |
                                        ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoScrollWithMouse |
                                        ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    bool changed = false;
    if (!ImGui::Begin("Timeline strip", nullptr, kFlags)) {
        ImGui::End();
        return false;
    }
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const ImVec2 size(std::max(ImGui::GetContentRegionAvail().x, 10.0f), std::max(ImGui::GetContentRegionAvail().y, 10.0f));
    ImGui::InvisibleButton("strip", size);
    const bool hovered = ImGui::IsItemHovered() || ImGui::IsWindowHovered();
    const bool active = ImGui::IsItemActive();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    auto xOf = [&](double seconds) { return origin.x + static_cast<float>((seconds - viewStart_) / viewSpan_) * size.x; };
    auto secondsAt = [&](float x) { return viewStart_ + (x - origin.x) / size.x * viewSpan_; };
    auto secondsOf = [](uint64_t bytes) { return static_cast<double>(bytes) / kBytesPerSecond; };

    // The wheel zooms around the pointer, from the whole track down to a tenth of a second.
    if (hovered && io.MouseWheel != 0.0f) {
        const double pivot = secondsAt(io.MousePos.x);
        const double span = std::clamp(viewSpan_ * std::pow(0.8, io.MouseWheel), 0.1, trackSeconds);
        viewStart_ = pivot - (pivot - viewStart_) * span / viewSpan_;
        viewSpan_ = span;
        changed = true;
    }
    viewStart_ = std::clamp(viewStart_, 0.0, std::max(0.0, trackSeconds - viewSpan_));

    draw->PushClipRect(origin, ImVec2(origin.x + size.x, origin.y + size.y), true);
    const float waveTop = origin.y + kMarkerRow + kKeyRow;
    const float waveMiddle = (waveTop + origin.y + size.y) * 0.5f;
    const float waveHalf = (origin.y + size.y - waveTop) * 0.5f;
    if (context.waveform && context.waveform->ready()) {
        const std::vector<float>& peaks = context.waveform->peaks();
        const double peaksPerSecond = 44100.0 / WaveformPeaks::kFramesPerPeak;
        for (int column = 0; column < static_cast<int>(size.x); ++column) {
            const double from = secondsAt(origin.x + column) * peaksPerSecond;
            const double to = secondsAt(origin.x + column + 1) * peaksPerSecond;
            float peak = 0.0f;
            for (auto i = static_cast<int64_t>(from); i <= static_cast<int64_t>(to); ++i)
                if (i >= 0 && i < static_cast<int64_t>(peaks.size())) peak = std::max(peak, peaks[static_cast<size_t>(i)]);
            const float half = std::max(peak * waveHalf, 0.5f);
            draw->AddLine(ImVec2(origin.x + column + 0.5f, waveMiddle - half), ImVec2(origin.x + column + 0.5f, waveMiddle + half), kWave);
        }
    } else {
        draw->AddText(ImVec2(origin.x + 6.0f, waveMiddle - 7.0f), IM_COL32(200, 200, 200, 160), "reading the music...");
    }

    // The markers in document order; one that can never be current is drawn over its range in red.
    const std::vector<TimelineMarker>& markers = context.editor->markers();
    const std::optional<size_t> current = findMarkerAt(markers, position);
    std::optional<size_t> edgeUnderPointer, markerUnderPointer;
    for (size_t i = 0; i < markers.size(); ++i) {
        const std::optional<uint64_t> start = markerStart(markers, i);
        const double from = secondsOf(start ? *start : markers[i].from);
        const double to = secondsOf(markers[i].to);
        const float x0 = xOf(from), x1 = std::max(xOf(to), x0 + 1.0f);
        const ImU32 colour = start ? kMarkerColours[i % 2] : kNeverCurrent;
        draw->AddRectFilled(ImVec2(x0, origin.y), ImVec2(x1, origin.y + kMarkerRow - 2.0f), colour, 2.0f);
        if (i == current) draw->AddRect(ImVec2(x0, origin.y), ImVec2(x1, origin.y + kMarkerRow - 2.0f), IM_COL32_WHITE, 2.0f);
        if (i == selected)
            draw->AddRect(ImVec2(x0, origin.y), ImVec2(x1, origin.y + kMarkerRow - 2.0f), kSelectedOutline, 2.0f, 0, 2.0f);
        char label[160];
        std::snprintf(label, sizeof label, "%s%s", markers[i].label.c_str(), start ? "" : " (never current)");
        draw->PushClipRect(ImVec2(x0, origin.y), ImVec2(x1, origin.y + kMarkerRow), true);
        draw->AddText(ImVec2(x0 + 4.0f, origin.y + 4.0f), IM_COL32_WHITE, label);
        draw->PopClipRect();
        if (io.MousePos.y >= origin.y && io.MousePos.y < origin.y + kMarkerRow) {
            if (std::abs(io.MousePos.x - xOf(to)) <= kEdgeGrip) edgeUnderPointer = i;
            if (io.MousePos.x >= x0 && io.MousePos.x < x1 && !markerUnderPointer) markerUnderPointer = i;
        }
    }
    // The loop, the current marker's keys and the playhead.
    if (const auto loop = context.transport ? context.transport->loop() : std::nullopt) {
        draw->AddRectFilled(ImVec2(xOf(secondsOf(loop->first)), origin.y), ImVec2(xOf(secondsOf(loop->second)), origin.y + size.y), kLoop);
    }
    const std::optional<size_t> shown = selected ? selected : current;
    if (shown) {
        const TimelineMarker& marker = markers[*shown];
        for (const MarkerEffect& effect : marker.effects)
            for (const EffectParameter& parameter : effect.parameters) {
                if (parameter.interpolation == Interpolation::FirstKey) continue;
                for (const ParameterKey& key : parameter.keys) {
                    const float x = xOf(secondsOf(marker.from) + key.time);
                    const float y = origin.y + kMarkerRow + kKeyRow * 0.5f;
                    draw->AddQuadFilled(ImVec2(x, y - 4.0f), ImVec2(x + 4.0f, y), ImVec2(x, y + 4.0f), ImVec2(x - 4.0f, y), kKey);
                }
            }
    }
    const float playheadX = xOf(secondsOf(position));
    draw->AddLine(ImVec2(playheadX, origin.y), ImVec2(playheadX, origin.y + size.y), kPlayhead, 2.0f);
    draw->PopClipRect();

    // A press on a marker's end drags the end; anywhere else it seeks (at once: a click may be pressed and
    // released within one slow frame) and, on a marker, selects it; holding it down goes on seeking.
    const bool pointerInStrip = ImGui::IsWindowHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem) &&
                                ImGui::IsMouseHoveringRect(origin, ImVec2(origin.x + size.x, origin.y + size.y));
    if (pointerInStrip && ImGui::IsMouseClicked(ImGuiMouseButton_Left)) {
        if (edgeUnderPointer) {
            draggingEdge_ = edgeUnderPointer;
            selected = edgeUnderPointer;
        } else {
            seeking_ = true;
            if (markerUnderPointer) selected = markerUnderPointer;
            context.audio->setPosition(clampedSeek(secondsAt(io.MousePos.x), length));
            changed = true;
        }
    }
    const bool held = active || ImGui::IsMouseDown(ImGuiMouseButton_Left);
    if (held && draggingEdge_) {
        const uint64_t to = clampedSeek(secondsAt(io.MousePos.x), length);
        const size_t index = *draggingEdge_;
        if (index < markers.size() && markers[index].to != to) {
            changed = editMarker(*context.editor, [&](TimelineDocument& d, const auto& m, std::string* why) {
                return edits::moveMarkerEnd(d, m, index, to, why);
            }, "marker end") || changed;
        }
    } else if (held && seeking_) {
        const uint64_t target = clampedSeek(secondsAt(io.MousePos.x), length);
        if (target != position) {
            context.audio->setPosition(target);
            changed = true;
        }
    }
    if (!held) {
        if (draggingEdge_) context.editor->endGroup();
        draggingEdge_.reset();
        seeking_ = false;
    }
    if (edgeUnderPointer || draggingEdge_) ImGui::SetMouseCursor(ImGuiMouseCursor_ResizeEW);
    ImGui::End();
    return changed;
}

bool EditorPanels::drawPanel(const EditorPanelsContext& context, uint64_t position) {
    const ImGuiIO& io = ImGui::GetIO();
    TimelineEditor& editor = *context.editor;
    const std::vector<TimelineMarker>& markers = editor.markers();
    const std::optional<size_t> index = selected ? selected : findMarkerAt(markers, position);
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - kPanelWidth - 8.0f, 8.0f));
    ImGui::SetNextWindowSize(ImVec2(kPanelWidth, std::max(io.DisplaySize.y - kStripHeight - 16.0f, 60.0f)));
    ImGui::SetNextWindowBgAlpha(0.8f);
    constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                                        ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse |
                                        ImGuiWindowFlags_NoFocusOnAppearing;
    bool changed = false;
    if (!ImGui::Begin("Marker", nullptr, kFlags)) {
        ImGui::End();
        return false;
    }
    if (!editor.saveError().empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
        ImGui::TextWrapped("Not saved: %s. The edit stays; it is saved with the next one.", editor.saveError().c_str());
        ImGui::PopStyleColor();
    }
    if (!index) {
        ImGui::TextUnformatted("No marker here.");
        ImGui::End();
        return false;
    }
    const size_t i = *index;
    const TimelineMarker& marker = markers[i];
    const std::string id = std::to_string(i);
    ImGui::Text("Marker %zu of %zu%s", i + 1, markers.size(), selected ? "  (selected)" : "  (current)");

    // Label: written when the field is left, so that a word typed is one step.
    if (!labelActive_) labelEdit_ = marker.label;
    char label[256];
    std::snprintf(label, sizeof label, "%s", labelEdit_.c_str());
    if (ImGui::InputText("label", label, sizeof label)) labelEdit_ = label;
    labelActive_ = ImGui::IsItemActive();
    if (ImGui::IsItemDeactivatedAfterEdit() && labelEdit_ != marker.label) {
        changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
            return edits::setMarkerText(d, i, "label", labelEdit_, why);
        }) || changed;
    }

    auto textCombo = [&](const char* title, const char* attribute, const std::string& value, const std::vector<std::string>& choices) {
        if (!ImGui::BeginCombo(title, value.empty() ? "(none)" : value.c_str())) return;
        for (const std::string& choice : choices) {
            if (ImGui::Selectable(choice.c_str(), choice == value) && choice != value) {
                changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                    return edits::setMarkerText(d, i, attribute, choice, why);
                }) || changed;
            }
        }
        ImGui::EndCombo();
    };
    std::vector<std::string> scenes;
    if (context.manifest)
        for (const auto& entry : context.manifest->Scenes) scenes.push_back(entry.first);
    textCombo("scene", "scene", marker.scene, scenes);
    std::vector<std::string> cameras;
    const Scene* scene = nullptr;
    if (context.renderer) {
        const auto found = context.renderer->sceneTable().find(marker.scene);
        if (found != context.renderer->sceneTable().end() && found->second) scene = found->second.get();
    }
    if (scene)
        for (const SceneCamera& camera : scene->cameras) cameras.push_back(camera.name);
    textCombo("camera", "camera", marker.camera, cameras);

    // Start and end, with the animation times they give.
    for (const char* attribute : {"start", "end"}) {
        float value = attribute[0] == 's' ? marker.start : marker.end;
        if (ImGui::SliderFloat(attribute, &value, 0.0f, 1.0f, "%.4f")) {
            changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                return edits::setMarkerFraction(d, i, attribute, value, why);
            }, std::string(attribute) + id) || changed;
        }
        if (ImGui::IsItemDeactivated()) editor.endGroup();
        if (scene) {
            ImGui::SameLine();
            ImGui::TextDisabled("%.1f", scene->animationStart + value * (scene->animationEnd - scene->animationStart));
        }
    }
    const double seconds = secondsIntoMarker(marker, position);

    // Every knob of the effect table: a slider showing the value at the playhead and the default.
    for (const EffectType& type : effectTable()) {
        if (type.knobs.empty()) continue;
        if (!ImGui::CollapsingHeader(std::string(type.type).c_str(), ImGuiTreeNodeFlags_DefaultOpen)) continue;
        for (const EffectKnob& knob : type.knobs) {
            const std::string name(knob.name);
            const std::string knobId = std::string(type.type) + "." + name + "#" + id;
            ImGui::PushID(knobId.c_str());
            const EffectParameter* parameter = effectiveParameter(marker, type.type, knob.name);
            float value = parameter ? parameter->valueAt(seconds) : knob.defaultValue;
            const Interpolation kind = parameter ? parameter->interpolation : Interpolation::FirstKey;
            ImGui::SetNextItemWidth(136.0f);
            if (ImGui::SliderFloat(name.c_str(), &value, std::min(0.0f, value), std::max(1.0f, value), "%.3f")) {
                changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                    return edits::setKnob(d, i, type.type, knob.name, value, seconds, why);
                }, knobId) || changed;
            }
            if (ImGui::IsItemDeactivated()) editor.endGroup();
            if (ImGui::IsItemHovered()) ImGui::SetTooltip("default %.3f", knob.defaultValue);
            ImGui::SameLine();
            if (ImGui::SmallButton("reset")) {
                changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                    return edits::resetKnob(d, i, type.type, knob.name, why);
                }) || changed;
            }
            ImGui::SameLine();
            ImGui::SetNextItemWidth(84.0f);
            int kindIndex = static_cast<int>(kind);
            if (ImGui::Combo("##kind", &kindIndex, kInterpolationNames, 5) && kindIndex != static_cast<int>(kind)) {
                const char* word = kindIndex == 0 ? "" : kInterpolationNames[kindIndex];
                changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                    return edits::setInterpolation(d, i, type.type, knob.name, word, value, why);
                }) || changed;
            }
            if (kind != Interpolation::FirstKey && parameter) {
                // The keys: time (seconds from the marker's start) to drag, value, delete; one more at the playhead.
                ImGui::Indent();
                for (size_t k = 0; k < parameter->keys.size(); ++k) {
                    ImGui::PushID(static_cast<int>(k));
                    float time = parameter->keys[k].time;
                    ImGui::SetNextItemWidth(110.0f);
                    if (ImGui::DragFloat("##time", &time, 0.01f, 0.0f, 3600.0f, "%.3f s")) {
                        changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                            return edits::moveKey(d, i, type.type, knob.name, k, time, why);
                        }, knobId + ".key" + std::to_string(k)) || changed;
                    }
                    if (ImGui::IsItemDeactivated()) editor.endGroup();
                    ImGui::SameLine();
                    ImGui::Text("%.3f", parameter->keys[k].value);
                    ImGui::SameLine();
                    if (ImGui::SmallButton("x")) {
                        changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                            return edits::deleteKey(d, i, type.type, knob.name, k, why);
                        }) || changed;
                    }
                    ImGui::PopID();
                }
                if (ImGui::SmallButton("key at the playhead")) {
                    changed = editMarker(editor, [&](TimelineDocument& d, const auto&, std::string* why) {
                        return edits::addKey(d, i, type.type, knob.name, seconds, value, why);
                    }) || changed;
                }
                ImGui::Unindent();
            }
            ImGui::PopID();
        }
    }
    ImGui::Separator();
    ImGui::TextDisabled("Ctrl+B split  Del delete  Ctrl+D duplicate  Ctrl+Z undo  Ctrl+Y redo");
    ImGui::End();
    return changed;
}
