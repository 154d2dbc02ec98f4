#include "inspect/music_probe.h"

#include <fmt/format.h>

#include "audio/audio_manager.h"
#include "audio/marker_lookup.h"
#include "resources/resource_path.h"
#include "resources/resource_registry.h"
#include "base/wide_text.h"

namespace {

// Without a track the position is not clamped to it, but marker and progress follow the same rules.
ShowReport::Probe probeWithoutMusic(const std::vector<TimelineMarker>& markers, double seconds) {
    ShowReport::Probe probe;
    probe.seconds = seconds;
    probe.position = secondsToPosition(seconds);
    probe.marker = findMarkerAt(markers, probe.position);
    const TimelineMarker empty;
    const TimelineMarker& marker = probe.marker ? markers[*probe.marker] : empty;
    probe.progress = progressBetween(marker.from, marker.to, probe.position);
    return probe;
}

}  // namespace

void probeMusic(ShowReport& report, const std::vector<double>& seconds) {
    report.musicRequested = true;

    ResourceRegistry registry;
    registry.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
    AudioManager manager(sound::kNoSoundDevice);
    manager.setTimeline(registry.acquire<DemoTimeline>(ResourcePath(kTimelineFile)));

    const std::u16string* track = report.manifest.findPath("audioTrack");
    if (!manager.isInitialized()) {
        report.warnings.push_back(
            fmt::format("the sound layer did not start: {}", sound::errorText(sound::lastError())));
    } else if (track && manager.readAudioFile(*track)) {
        AudioManagerInterface* audio = manager.getAudio();
        const uint64_t bytes = audio->getLength();
        report.music = ShowReport::Music{narrowToUtf8(*track), bytes, audio->bytesToSeconds(bytes)};
    } else if (track) {
        report.warnings.push_back(fmt::format("the music track '{}' cannot be read: {}", narrowToUtf8(*track),
                                              sound::errorText(sound::lastError())));
    }

    for (double at : seconds) {
        if (!report.music) {
            report.probes.push_back(probeWithoutMusic(report.markers, at));
            continue;
        }
        ShowReport::Probe probe;
        probe.seconds = at;
        probe.position = manager.setPosition(secondsToPosition(at));
        probe.marker = manager.getCurrentMarkerIndex();
        probe.progress = manager.getMarkerProgress();
        report.probes.push_back(probe);
    }
}
