#include "support/test_show.h"

#include "support/audio_files.h"

#include <cmath>
#include <fstream>

namespace testing_support {

void writeToneWav(const std::filesystem::path& file, double seconds) {
    std::filesystem::create_directories(file.parent_path());
    writeAudioFile(file, AudioContainer::Wav, 44100, 2, static_cast<int64_t>(std::llround(seconds * 44100)));
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
