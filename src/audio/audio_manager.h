#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <spdlog/logger.h>

#include "audio/audio_manager_interface.h"
#include "platform/sound/sound.h"
#include "resources/demo_timeline.h"
#include "resources/resource_registry.h"

// What one frame is drawn for: the music position read once, and the marker, progress and seconds that follow
// from it, so the scene, the effects and the logos of a frame never straddle a marker's end.
struct MusicMoment {
    uint64_t position = 0;
    double seconds = 0.0;
    std::optional<size_t> markerIndex;
    TimelineMarker marker;  // the empty marker when none holds the position
    double progress = 0.0;  // through the marker, as getMarkerProgress answers it
};

// The sound system and the one music track whose playback position is the clock of the show: the current
// timeline marker and the progress through it are read from it every frame.
class AudioManager {
public:
    // The default output device.
    AudioManager();
    // `device` as the sound layer numbers them; tools that only measure the track use sound::kNoSoundDevice.
    explicit AudioManager(int device);
    virtual ~AudioManager();
    AudioManager(const AudioManager&) = delete;
    AudioManager& operator=(const AudioManager&) = delete;

    void initializeSoundSystem();
    bool isInitialized() const { return initialized; }
    void setTimeline(ResourceHandle<DemoTimeline> newTimeline);

    bool readAudioFile(std::u16string path);
    bool play();
    bool isPlaying();
    bool pause();
    uint64_t setPosition(uint64_t position);
    // Null until a track has been read; owned by the manager.
    AudioManagerInterface* getAudio() const { return audio.get(); }

    // The first marker holding the playback position, or the empty marker.
    TimelineMarker getCurrentMarker() const;
    // Where that marker is in the timeline's list; what getCurrentMarker returns a copy of.
    std::optional<size_t> getCurrentMarkerIndex() const;
    double getMarkerProgress() const;
    double getProgress(double first, double last) const;
    // The position read once, with what the three answers above give for it.
    MusicMoment moment() const;

private:
    // Position 0 stands in while no track is open.
    uint64_t currentPosition() const;

    std::shared_ptr<spdlog::logger> logger;
    int outputFrequency = static_cast<int>(sound::kFrequency);
    int initFlags = 0;
    int device = sound::kDefaultDevice;
    bool initialized = false;
    sound::Handle stream = 0;
    ResourceHandle<DemoTimeline> timeline;
    std::unique_ptr<AudioManagerInterface> audio;
    std::unique_ptr<sound::ChannelInfo> channelInfo;
};
