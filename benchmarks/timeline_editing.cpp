// Figures for editor mode's authoring: the waveform of the sample show's 210 s of music (decoded and measured, as
// the timeline strip does it once in the background), and one knob step on the sample show's timeline: the edit
// on the document, the new timeline read from it, and the atomic save (with its flushes to the disk).
//   bench_timeline_editing [SHOW_DIR]   (default: show/ in the working directory, the source tree's sample show)
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/timeline_editor.h"
#include "app/waveform_peaks.h"
#include "base/utf8_files.h"
#include "bench_timing.h"
#include "platform/sound/sound_decoder.h"
#include "resources/resource_registry.h"
#include "resources/timeline_edits.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const fs::path show = argc > 1 ? fs::path(argv[1]) : fs::path("show");
    std::vector<double> waveform;
    for (int run = 0; run < 3; ++run) {
        const Clock::time_point start = Clock::now();
        sound::DecodedAudio audio;
        if (sound::decodeAudioFile((show / "resources/music.ogg").string(), audio) != 0) {
            std::fprintf(stderr, "cannot decode %s\n", (show / "resources/music.ogg").c_str());
            return 1;
        }
        const double decoded = millisecondsSince(start);
        const std::vector<float> peaks = WaveformPeaks::measure(audio.samples);
        waveform.push_back(millisecondsSince(start));
        std::printf("waveform: %.0f s of music, %zu peaks: decoded in %.0f ms, measured in %.1f ms\n",
                    double(audio.frames()) / 44100.0, peaks.size(), decoded, waveform.back() - decoded);
    }
    std::printf("waveform: fastest %.0f ms\n", fastest(waveform));

    // A copy of the timeline to edit.
    const fs::path folder = fs::temp_directory_path() / "bench_timeline_editing";
    fs::create_directories(folder / "resources");
    fs::copy_file(show / "resources/timeline.xml", folder / "resources/timeline.xml", fs::copy_options::overwrite_existing);
    ResourceRegistry registry;
    registry.registerFactory<DemoTimeline>(std::make_unique<TimelineFactory>());
    const std::string file = (folder / "resources/timeline.xml").string();
    TimelineEditor editor;
    TimelineEditor::Setup setup;
    setup.timeline = registry.acquire<DemoTimeline>(ResourcePath(file.c_str()));
    setup.file = file;
    if (!editor.open(std::move(setup))) return 1;
    std::vector<double> steps, saves;
    for (int step = 0; step < 200; ++step) {
        const Clock::time_point start = Clock::now();
        editor.edit([&](TimelineDocument& document, const std::vector<TimelineMarker>&, std::string* why) {
            return timeline_edits::setKnob(document, 5, "DOF", "aperture", 0.01f + step * 0.0001f, 0.0, why);
        });
        steps.push_back(millisecondsSince(start));
        saves.push_back(editor.lastSaveMilliseconds());
    }
    std::printf("knob step on a %zu-byte timeline: median %.2f ms (of it the save %.2f ms), fastest %.2f ms\n",
                editor.text().size(), median(steps), median(saves), fastest(steps));
    fs::remove_all(folder);
    return 0;
}
