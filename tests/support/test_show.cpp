#include "support/test_show.h"

#include "support/audio_files.h"

#include <cmath>
#include <cstdint>
#include <fstream>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

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
    // The player loads these three images before the first frame and stops without them.
    std::filesystem::create_directories(directory / "resources" / "textures");
    const std::uint8_t grey[4] = {128, 128, 128, 255};
    for (const char* image : {"preload.png", "Lorvanecrafts_1920.png", "orvelle.png"}) {
        stbi_write_png((directory / "resources" / "textures" / image).string().c_str(), 1, 1, 4, grey, 4);
    }
    if (musicSeconds > 0) writeToneWav(directory / "resources" / "music.wav", musicSeconds);
}

}  // namespace testing_support
