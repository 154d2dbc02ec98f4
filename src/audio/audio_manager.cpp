#include "audio/audio_manager.h"

#include <vector>

#include <spdlog/spdlog.h>

#include "base/demo_logger.h"
#include "audio/audio_manager_audio.h"
#include "audio/marker_lookup.h"
#include "base/wide_text.h"

AudioManager::AudioManager() : AudioManager(sound::kDefaultDevice) {}

AudioManager::AudioManager(int device) : logger(demoLogger()), device(device) { initializeSoundSystem(); }

AudioManager::~AudioManager() {
    channelInfo.reset();
    sound::shutdown();  // also when start-up failed; frees the stream with everything else
    audio.reset();
    timeline = ResourceHandle<DemoTimeline>();
    logger.reset();
}

void AudioManager::initializeSoundSystem() {
    if (sound::initialize(device, static_cast<uint32_t>(outputFrequency), static_cast<uint32_t>(initFlags))) {
        initialized = true;
    } else {
        const int code = sound::lastError();
        logger->critical("Unable to initialize BASS Sound System! Error code: {}", code);
        if (code == sound::kErrorDevice) {
            logger->warn("BASS_ERROR_DEVICE was returned, no default device initialized. Trying others:");
            std::vector<sound::DeviceInfo> enabled;
            sound::DeviceInfo info;
            for (uint32_t index = 1; sound::deviceInfo(index, info); ++index) {
                if (info.flags & sound::kDeviceEnabled) enabled.push_back(info);
            }
            logger->info("Found total {} devices.", enabled.size());
            for (const sound::DeviceInfo& found : enabled) {
                logger->info("Found device: '{}' ({}), flags: {} ", found.name, found.driver, found.flags);
            }
        }
        initialized = false;
    }
    channelInfo = std::make_unique<sound::ChannelInfo>();
}

void AudioManager::setTimeline(ResourceHandle<DemoTimeline> newTimeline) { timeline = std::move(newTimeline); }

bool AudioManager::readAudioFile(std::u16string path) {
    const std::string utf8Path = narrowToUtf8(path);
    logger->info("Reading audio ({}) file", utf8Path);
    stream = sound::createFileStream(path);
    if (stream == 0) {
        logger->critical("Unable to read the audio file: {}", utf8Path);
        return false;
    }
    audio = std::make_unique<AudioManagerAudio>(stream);
    sound::channelGetInfo(stream, *channelInfo);
    return true;
}

bool AudioManager::play() { return audio ? audio->play(false) : false; }

bool AudioManager::pause() { return audio ? audio->pause() : false; }

bool AudioManager::isPlaying() { return audio ? audio->isPlaying() : false; }

uint64_t AudioManager::setPosition(uint64_t position) {
    logger->debug("Setting audio/midi position: {}", position);
    return audio ? audio->setPosition(position) : 0;
}

uint64_t AudioManager::currentPosition() const { return audio ? audio->getPosition() : 0; }

std::optional<size_t> AudioManager::getCurrentMarkerIndex() const {
    const uint64_t position = currentPosition();
    if (!timeline.get()) return std::nullopt;
    return findMarkerAt(timeline->getMarkers(), position);
}

TimelineMarker AudioManager::getCurrentMarker() const {
    const uint64_t position = currentPosition();
    if (!timeline.get()) return {};
    std::vector<TimelineMarker> markers = timeline->getMarkers();
    const std::optional<size_t> index = findMarkerAt(markers, position);
    return index ? std::move(markers[*index]) : TimelineMarker{};
}

double AudioManager::getMarkerProgress() const {
    const TimelineMarker marker = getCurrentMarker();
    return getProgress(static_cast<double>(marker.from), static_cast<double>(marker.to));
}

MusicMoment AudioManager::moment() const {
    MusicMoment now;
    now.position = currentPosition();
    now.seconds = audio ? audio->bytesToSeconds(now.position) : 0.0;
    if (timeline.get()) {
        const std::vector<TimelineMarker>& markers = timeline->markerList();
        now.markerIndex = findMarkerAt(markers, now.position);
        if (now.markerIndex) now.marker = markers[*now.markerIndex];
    }
    now.progress = progressBetween(static_cast<double>(now.marker.from), static_cast<double>(now.marker.to),
                                   now.position);
    return now;
}

double AudioManager::getProgress(double first, double last) const {
    return progressBetween(first, last, currentPosition());
}
