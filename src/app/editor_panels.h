#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class AudioManager;
class FrameRenderer;
class ResourceManifest;
class TimelineEditor;
class Transport;
class WaveformPeaks;

// What the editor's panels work with, all of it the engine thread's.
struct EditorPanelsContext {
    AudioManager* audio = nullptr;
    FrameRenderer* renderer = nullptr;
    TimelineEditor* editor = nullptr;
    const Transport* transport = nullptr;
    const ResourceManifest* manifest = nullptr;
    const WaveformPeaks* waveform = nullptr;
};

// Editor mode's authoring panels, laid out in the overlay's frame: the timeline strip along the bottom (the
// music's waveform, the markers as spans, the playhead, the loop, the current marker's keys; click or drag to
// seek, the wheel zooms, a marker's right edge drags its end) and the marker panel at the right (label, scene,
// camera, start and end, every knob of the effect table with its interpolation and keys). Every change goes
// through the TimelineEditor; the layout only reads and asks.
class EditorPanels {
public:
    // Inside an overlay frame. True when something changed that the next frame must show.
    bool draw(const EditorPanelsContext& context);

    // The marker clicked in the strip (Delete and Ctrl+D act on it); the panel shows it, else the current one.
    std::optional<size_t> selected;

private:
    bool drawStrip(const EditorPanelsContext& context, uint64_t position, uint64_t length);
    bool drawPanel(const EditorPanelsContext& context, uint64_t position);

    double viewStart_ = 0.0;  // seconds at the strip's left edge
    double viewSpan_ = 0.0;   // seconds across it; 0 until the track's length is known
    std::optional<size_t> draggingEdge_;
    bool seeking_ = false;
    std::string labelEdit_;   // the label field's text while it is being typed in
    bool labelActive_ = false;
};
