#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "resources/demo_timeline.h"

class AudioManager;

// Editor mode's transport: the keys that pause, seek and loop the music. Keys arrive on the main thread and are
// carried out by the engine thread at the start of its next frame, before the frame reads the music position,
// so the picture and the sound follow within one frame.
enum class TransportCommand : uint8_t {
    TogglePause,     // Space
    Back,            // Left: 1 s, with Shift 10 s
    Forward,         // Right
    BackFar,
    ForwardFar,
    PreviousMarker,  // Page Up: the start of the marker before the current one
    NextMarker,      // Page Down: the start of the next marker
    Start,           // Home
    ToggleLoop,      // L: loop the current marker until pressed again
};

// The command of a key in editor mode, if it has one (virtual-key codes).
std::optional<TransportCommand> transportCommandForKey(uint64_t key, bool shift);

// Seeks land on whole sample frames and stay inside the track: at most the last frame, so a seek never ends the
// run by itself (reaching the end of the music does, as always).
uint64_t clampToTrack(int64_t position, uint64_t length);
// The first whole sample frame at which marker `index` is the current one; none when it never is (earlier
// markers hold its whole range).
std::optional<uint64_t> markerStart(const std::vector<TimelineMarker>& markers, size_t index);
// Where a seek command goes from `position`; null for commands that do not seek or have nowhere to go.
std::optional<uint64_t> seekTarget(TransportCommand command, uint64_t position, uint64_t length,
                                   const std::vector<TimelineMarker>& markers);

class Transport {
public:
    // Main thread. A full queue drops the key (eight keys within one frame).
    void press(TransportCommand command);

    // Engine thread, once per frame before the frame is drawn: carries out the queued keys, keeps a loop inside
    // its marker, and writes the position and the paused state into the two slots (the configuration's
    // editorState values), when they are given.
    void apply(AudioManager& audio, const std::vector<TimelineMarker>& markers);

    // Engine thread: where the two editor-state values live, and the paused state to start from.
    void bindState(int64_t* positionSlot, int64_t* pausedSlot);

    bool paused() const { return paused_; }
    // The stretch being looped (bytes, its first and last position): the marker's when L was pressed; it stays
    // that stretch when the timeline is read again.
    std::optional<std::pair<uint64_t, uint64_t>> loop() const { return loop_; }
    bool looping() const { return loop_.has_value(); }

private:
    void run(TransportCommand command, AudioManager& audio, const std::vector<TimelineMarker>& markers);

    std::mutex queueMutex_;
    std::array<TransportCommand, 8> queue_{};
    size_t queued_ = 0;

    bool paused_ = false;
    std::optional<std::pair<uint64_t, uint64_t>> loop_;
    int64_t* positionSlot_ = nullptr;
    int64_t* pausedSlot_ = nullptr;
};
