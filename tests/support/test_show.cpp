#include "support/test_show.h"

#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <vector>

namespace testing_support {

void writeToneWav(const std::filesystem::path& file, double seconds) {
    std::filesystem::create_directories(file.parent_path());
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sound) return;
    const auto frames = static_cast<sf_count_t>(std::llround(seconds * 44100));
    std::vector<short> samples(static_cast<size_t>(frames) * 2);
    for (sf_count_t i = 0; i < frames; ++i) {
        const auto value = static_cast<short>(1000 * std::sin(2 * 3.14159265 * 440.0 * static_cast<double>(i) / 44100));
        samples[2 * i] = samples[2 * i + 1] = value;
    }
    sf_writef_short(sound, samples.data(), frames);
    sf_close(sound);
}

void writeTestShow(const std::filesystem::path& directory, double musicSeconds, const std::string& timelineXml) {
    std::filesystem::create_directories(directory / "resources");
    std::ofstream(directory / "resources" / "resources.xml")
        << "<Resources><Paths><Path name=\"audioTrack\" path=\"resources/music.wav\"/>"
           "<Path name=\"textures\" path=\"resources/textures/\"/></Paths></Resources>";
    std::ofstream(directory / "resources" / "timeline.xml") << timelineXml;
    if (musicSeconds > 0) writeToneWav(directory / "resources" / "music.wav", musicSeconds);
}

}  // namespace testing_support
