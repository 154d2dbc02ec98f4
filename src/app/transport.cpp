#include "app/transport.h"

#include <algorithm>

#include "audio/audio_manager.h"
#include "audio/marker_lookup.h"
#include "base/music_format.h"
#include "platform/window/messages.h"

namespace {

constexpr int64_t kFrameBytes = music_format::kBytesPerFrame;

int64_t seconds(double value) { return static_cast<int64_t>(value * music_format::kBytesPerSecond); }

}  // namespace

std::optional<uint64_t> markerStart(const std::vector<TimelineMarker>& markers, size_t index) {
    const TimelineMarker& marker = markers[index];
    // Ranges are inclusive and the first marker holding a position wins: where one marker ends and the next
    // begins, the position belongs to the earlier one, so the next one starts a frame later.
    uint64_t position = (uint64_t{marker.from} + kFrameBytes - 1) / kFrameBytes * kFrameBytes;
    while (position <= marker.to) {
        const std::optional<size_t> holder = findMarkerAt(markers, position);
        if (holder == index) return position;
        if (!holder) return std::nullopt;  // cannot happen: the marker itself holds it
        position = (uint64_t{markers[*holder].to} / kFrameBytes + 1) * kFrameBytes;
    }
    return std::nullopt;
}

std::optional<TransportCommand> transportCommandForKey(uint64_t key, bool shift) {
    switch (key) {
        case platform::VK_SPACE: return TransportCommand::TogglePause;
        case platform::VK_LEFT: return shift ? TransportCommand::BackFar : TransportCommand::Back;
        case platform::VK_RIGHT: return shift ? TransportCommand::ForwardFar : TransportCommand::Forward;
        case platform::VK_PRIOR: return TransportCommand::PreviousMarker;
        case platform::VK_NEXT: return TransportCommand::NextMarker;
        case platform::VK_HOME: return TransportCommand::Start;
        case 'L': return TransportCommand::ToggleLoop;
        default: return std::nullopt;
    }
}

uint64_t clampToTrack(int64_t position, uint64_t length) {
    const int64_t last = std::max<int64_t>(static_cast<int64_t>(length / kFrameBytes) - 1, 0) * kFrameBytes;
    return static_cast<uint64_t>(std::clamp<int64_t>(position / kFrameBytes * kFrameBytes, 0, last));
}

std::optional<uint64_t> seekTarget(TransportCommand command, uint64_t position, uint64_t length,
                                   const std::vector<TimelineMarker>& markers) {
    const auto here = static_cast<int64_t>(position);
    switch (command) {
        case TransportCommand::Back: return clampToTrack(here - seconds(1), length);
        case TransportCommand::Forward: return clampToTrack(here + seconds(1), length);
        case TransportCommand::BackFar: return clampToTrack(here - seconds(10), length);
        case TransportCommand::ForwardFar: return clampToTrack(here + seconds(10), length);
        case TransportCommand::Start: return 0;
        case TransportCommand::PreviousMarker: {
            // Before the current marker's start (or before here, between markers): the latest start there is.
            const std::optional<size_t> current = findMarkerAt(markers, position);
            const std::optional<uint64_t> currentStart = current ? markerStart(markers, *current) : std::nullopt;
            const uint64_t before = currentStart ? *currentStart : position;
            std::optional<uint64_t> best;
            for (size_t i = 0; i < markers.size(); ++i) {
                const std::optional<uint64_t> start = markerStart(markers, i);
                if (start && *start < before && (!best || *start > *best)) best = start;
            }
            if (!best || *best >= length) return std::nullopt;
            return best;
        }
        case TransportCommand::NextMarker: {
            std::optional<uint64_t> best;
            for (size_t i = 0; i < markers.size(); ++i) {
                const std::optional<uint64_t> start = markerStart(markers, i);
                if (start && *start > position && (!best || *start < *best)) best = start;
            }
            if (!best || *best >= length) return std::nullopt;
            return best;
        }
        case TransportCommand::TogglePause:
        case TransportCommand::ToggleLoop: break;
    }
    return std::nullopt;
}

void Transport::press(TransportCommand command) {
    std::lock_guard lock(queueMutex_);
    if (queued_ < queue_.size()) queue_[queued_++] = command;
}

void Transport::bindState(int64_t* positionSlot, int64_t* pausedSlot) {
    positionSlot_ = positionSlot;
    pausedSlot_ = pausedSlot;
    paused_ = pausedSlot && *pausedSlot != 0;
}

void Transport::apply(AudioManager& audio, const std::vector<TimelineMarker>& markers) {
    std::array<TransportCommand, 8> commands;
    size_t count = 0;
    {
        std::lock_guard lock(queueMutex_);
        count = queued_;
        std::copy_n(queue_.begin(), count, commands.begin());
        queued_ = 0;
    }
    for (size_t i = 0; i < count; ++i) run(commands[i], audio, markers);

    AudioManagerInterface* channel = audio.getAudio();
    if (!channel) return;
    uint64_t position = channel->getPosition();
    // The sound layer loops the stretch itself, sample-exact; a seek out of it comes back to its start here.
    if (loop_ && (position < loop_->first || position > loop_->second)) {
        position = audio.setPosition(clampToTrack(static_cast<int64_t>(loop_->first), channel->getLength()));
    }
    if (positionSlot_) *positionSlot_ = static_cast<int64_t>(position);
    if (pausedSlot_) *pausedSlot_ = paused_ ? 1 : 0;
}

void Transport::run(TransportCommand command, AudioManager& audio, const std::vector<TimelineMarker>& markers) {
    AudioManagerInterface* channel = audio.getAudio();
    if (!channel) return;
    const uint64_t position = channel->getPosition();
    switch (command) {
        case TransportCommand::TogglePause:
            if (paused_) {
                paused_ = !audio.play();
            } else {
                // A track that has stopped at its end counts as paused too: Space starts it again.
                audio.pause();
                paused_ = true;
            }
            return;
        case TransportCommand::ToggleLoop:
            if (loop_) {
                loop_.reset();
                channel->setLoop(0, 0);
            } else if (const std::optional<size_t> current = findMarkerAt(markers, position)) {
                if (const std::optional<uint64_t> start = markerStart(markers, *current)) {
                    loop_ = std::pair{*start, std::max<uint64_t>(*start, markers[*current].to)};
                    channel->setLoop(loop_->first, loop_->second);
                }
            }
            return;
        default: break;
    }
    if (const std::optional<uint64_t> target = seekTarget(command, position, channel->getLength(), markers)) {
        audio.setPosition(*target);
    }
}
