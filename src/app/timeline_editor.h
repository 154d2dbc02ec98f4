#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/demo_timeline.h"
#include "resources/resource_registry.h"
#include "resources/timeline_document.h"

// Editor mode's timeline editing: every edit is made on the file's document, shown from the next frame (the new
// timeline goes into the registry slot every holder reads) and written to the file at once. The history holds the
// file's text after every step for the whole run, so an undo gives back the very bytes there were.
//
// Saving: a write that fails keeps the edit on screen, is reported by saveError() and is tried again with the next
// step. Live reload asks isOwnWrite() before it reads the file again, and hands a save by another program to
// takeExternal(), which makes it one step.
//
// Everything runs on the engine thread except press() (main thread) and isOwnWrite() (live reload's worker).
class TimelineEditor {
public:
    using Writer = std::function<bool(const std::string& path, std::string_view bytes, std::string& error)>;
    struct Setup {
        ResourceHandle<DemoTimeline> timeline;
        std::string file;  // the timeline's file name on this system
        Writer write;      // writeFileAtomically unless a test puts a fault in
        // Called after every change of the markers (a step, an undo, an external save).
        std::function<void(const std::vector<TimelineMarker>&)> changed;
    };
    using Change = std::function<bool(TimelineDocument& document, const std::vector<TimelineMarker>& markers,
                                      std::string* why)>;

    // Reads the file. False when it cannot be read or is not a timeline the editor can edit (`error` says why);
    // the show then plays without editing.
    bool open(Setup setup, std::string* error = nullptr);
    bool isOpen() const { return !history_.empty(); }

    // One step: `change` edits the document; a step that changes no byte of the file is no step. Steps with the
    // same non-empty `group` one after another are one step of the history until endGroup (a slider's drag).
    bool edit(const Change& change, std::string_view group = {}, std::string* why = nullptr);
    void endGroup() { group_.clear(); }
    bool undo();
    bool redo();
    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ + 1 < history_.size(); }
    size_t steps() const { return history_.size(); }

    // Live reload's worker: whether `text` is what the editor last wrote (such a save is not read again).
    bool isOwnWrite(std::string_view text) const;
    // Engine thread: another program saved the file and live reload took it: one step of the history.
    void takeExternal(const std::string& text);

    const std::string& text() const { return history_[index_]; }
    const std::vector<TimelineMarker>& markers() const { return markers_; }
    // Empty when the file holds what is on screen; else why the last write failed.
    const std::string& saveError() const { return saveError_; }
    double lastSaveMilliseconds() const { return saveMilliseconds_; }
    // Changes shown so far (steps, undos, redos, external saves), and when the last one was made.
    uint64_t changes() const { return changes_; }
    std::chrono::steady_clock::time_point lastChange() const { return lastChange_; }

    // The editing keys, pressed on the main thread and carried out at the start of the engine's next frame.
    enum class Command : uint8_t { Split, Delete, Duplicate, Undo, Redo };
    void press(Command command);
    // Carries out the queued keys: a split at `position` of the marker holding it; delete and duplicate of
    // `selected`, which then names the copy, or nothing after a delete, an undo or a redo.
    void runCommands(uint64_t position, std::optional<size_t>& selected);

private:
    // Shows `text` (it becomes the timeline every holder reads) and writes it.
    void show(const std::string& text);
    void save();

    Setup setup_;
    std::vector<std::string> history_;
    size_t index_ = 0;
    std::string group_;
    std::vector<TimelineMarker> markers_;
    std::string saveError_;
    bool unsaved_ = false;
    double saveMilliseconds_ = 0.0;
    uint64_t changes_ = 0;
    std::chrono::steady_clock::time_point lastChange_{};

    mutable std::mutex writtenMutex_;
    std::string written_;  // what the last successful write put in the file

    std::mutex queueMutex_;
    std::array<Command, 8> queue_{};
    size_t queued_ = 0;
};

// Ctrl with a key, in editor mode: the editing command it gives, if any (virtual-key codes; Ctrl+Shift+Z redoes).
std::optional<TimelineEditor::Command> editCommandForKey(uint64_t key, bool control, bool shift);
