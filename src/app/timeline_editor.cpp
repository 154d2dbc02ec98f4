#include "app/timeline_editor.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "audio/marker_lookup.h"
#include "base/atomic_file.h"
#include "base/utf8_files.h"
#include "platform/process/debug_output.h"
#include "platform/window/messages.h"
#include "resources/timeline_edits.h"

namespace {

bool readWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(utf8FilePath(path), std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

std::optional<TimelineEditor::Command> editCommandForKey(uint64_t key, bool control, bool shift) {
    if (key == platform::VK_DELETE && !control) return TimelineEditor::Command::Delete;
    if (!control) return std::nullopt;
    switch (key) {
        case 'B': return TimelineEditor::Command::Split;
        case 'D': return TimelineEditor::Command::Duplicate;
        case 'Z': return shift ? TimelineEditor::Command::Redo : TimelineEditor::Command::Undo;
        case 'Y': return TimelineEditor::Command::Redo;
        default: return std::nullopt;
    }
}

bool TimelineEditor::open(Setup setup, std::string* error) {
    setup_ = std::move(setup);
    if (!setup_.write) setup_.write = writeFileAtomically;
    std::string text;
    if (!readWholeFile(setup_.file, text)) {
        if (error) *error = "cannot read " + setup_.file;
        return false;
    }
    TimelineDocument document;
    std::string why;
    if (!document.load(text, &why)) {
        if (error) *error = "timeline.xml cannot be edited: " + why;
        return false;
    }
    history_ = {text};
    index_ = 0;
    {
        std::lock_guard lock(writtenMutex_);
        written_ = text;
    }
    markers_ = DemoTimeline(setup_.timeline->getPath(), text).markerList();
    return true;
}

bool TimelineEditor::edit(const Change& change, std::string_view group, std::string* why) {
    if (!isOpen()) return false;
    TimelineDocument document;
    if (!document.load(text(), why)) return false;
    if (!change(document, markers_, why)) return false;
    std::string edited = document.text();
    if (edited == text()) {
        if (why) *why = "no change";
        return false;
    }
    const bool joins = !group.empty() && group == group_ && index_ + 1 == history_.size() && index_ > 0;
    if (joins) {
        history_[index_] = std::move(edited);
    } else {
        history_.resize(index_ + 1);
        history_.push_back(std::move(edited));
        ++index_;
    }
    group_ = std::string(group);
    show(text());
    return true;
}

bool TimelineEditor::undo() {
    if (!canUndo()) return false;
    group_.clear();
    --index_;
    show(text());
    return true;
}

bool TimelineEditor::redo() {
    if (!canRedo()) return false;
    group_.clear();
    ++index_;
    show(text());
    return true;
}

bool TimelineEditor::isOwnWrite(std::string_view text) const {
    std::lock_guard lock(writtenMutex_);
    return text == written_;
}

void TimelineEditor::takeExternal(const std::string& text) {
    if (!isOpen() || text == this->text()) return;
    group_.clear();
    history_.resize(index_ + 1);
    history_.push_back(text);
    ++index_;
    {
        std::lock_guard lock(writtenMutex_);
        written_ = text;  // what the file holds now
    }
    saveError_.clear();
    unsaved_ = false;
    markers_ = DemoTimeline(setup_.timeline->getPath(), text).markerList();
    ++changes_;
    lastChange_ = std::chrono::steady_clock::now();
    if (setup_.changed) setup_.changed(markers_);
}

void TimelineEditor::show(const std::string& text) {
    ++changes_;
    lastChange_ = std::chrono::steady_clock::now();
    auto fresh = std::make_unique<DemoTimeline>(setup_.timeline->getPath(), text);
    markers_ = fresh->markerList();
    setup_.timeline.replaceObject(std::move(fresh));
    unsaved_ = true;
    save();
    if (setup_.changed) setup_.changed(markers_);
}

void TimelineEditor::save() {
    if (!unsaved_) return;
    const std::string& bytes = text();
    const auto begun = std::chrono::steady_clock::now();
    {
        // Noted before the write: live reload may see the file change before the write returns.
        std::lock_guard lock(writtenMutex_);
        written_ = bytes;
    }
    std::string error;
    if (setup_.write(setup_.file, bytes, error)) {
        saveError_.clear();
        unsaved_ = false;
    } else {
        saveError_ = error.empty() ? std::string("the timeline could not be saved") : error;
        std::string onDisk;
        std::lock_guard lock(writtenMutex_);
        written_ = readWholeFile(setup_.file, onDisk) ? onDisk : std::string();
    }
    saveMilliseconds_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begun).count();
    char line[160];
    std::snprintf(line, sizeof line, "edit: step %zu of %zu, %s in %.2f ms\n", index_ + 1, history_.size(),
                  saveError_.empty() ? "saved" : "NOT saved", saveMilliseconds_);
    platform::debugOutput(line);
}

void TimelineEditor::press(Command command) {
    std::lock_guard lock(queueMutex_);
    if (queued_ < queue_.size()) queue_[queued_++] = command;
}

void TimelineEditor::runCommands(uint64_t position, std::optional<size_t>& selected) {
    std::array<Command, 8> commands;
    size_t count = 0;
    {
        std::lock_guard lock(queueMutex_);
        count = queued_;
        std::copy_n(queue_.begin(), count, commands.begin());
        queued_ = 0;
    }
    for (size_t i = 0; i < count; ++i) {
        switch (commands[i]) {
            case Command::Split:
                if (const std::optional<size_t> current = findMarkerAt(markers_, position)) {
                    edit([&](TimelineDocument& document, const std::vector<TimelineMarker>& markers, std::string* why) {
                        return timeline_edits::splitMarker(document, markers, *current, position, why);
                    });
                    if (selected && *selected > *current) ++*selected;
                }
                break;
            case Command::Delete:
                if (selected && edit([&](TimelineDocument& document, const std::vector<TimelineMarker>& markers, std::string* why) {
                        return timeline_edits::deleteMarker(document, markers, *selected, why);
                    })) {
                    selected.reset();
                }
                break;
            case Command::Duplicate:
                if (selected && edit([&](TimelineDocument& document, const std::vector<TimelineMarker>& markers, std::string* why) {
                        return timeline_edits::duplicateMarker(document, markers, *selected, why);
                    })) {
                    ++*selected;
                }
                break;
            case Command::Undo:
                if (undo()) selected.reset();
                break;
            case Command::Redo:
                if (redo()) selected.reset();
                break;
        }
    }
}
