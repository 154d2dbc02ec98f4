#include "support/test_show.h"

#include "support/audio_files.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <regex>
#include <stdexcept>

#include "support/test_support.h"

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

void writeShortShow(const std::filesystem::path& directory, double musicSeconds, const std::string& timeline,
                    const std::string& extraScenes) {
    const std::filesystem::path sampleShow = DEMO_SOURCE_DIR "/show";
    const std::filesystem::path resources = directory / "resources";
    std::filesystem::create_directories(resources);
    for (const char* folder : {"shaders", "scenes", "textures"})
        std::filesystem::create_directory_symlink(sampleShow / "resources" / folder, resources / folder);
    const std::string sampleManifest = testing_support::readFile(sampleShow / "resources" / "resources.xml");
    const std::regex audioTrack(R"re((name="audioTrack"\s+path=")[^"]*")re");
    if (!std::regex_search(sampleManifest, audioTrack)) throw std::runtime_error("the sample manifest names no audioTrack");
    std::string manifest = std::regex_replace(sampleManifest, audioTrack, "$1resources/music.wav\"");
    const std::size_t scenesEnd = manifest.find("</Scenes>");
    if (scenesEnd == std::string::npos) throw std::runtime_error("the sample manifest has no Scenes");
    std::ofstream(resources / "resources.xml") << manifest.insert(scenesEnd, extraScenes);
    std::ofstream(resources / "timeline.xml") << timeline;
    testing_support::writeToneWav(resources / "music.wav", musicSeconds);
}

void writeOwnShortShow(const std::filesystem::path& directory, double musicSeconds, const std::string& timeline) {
    writeShortShow(directory, musicSeconds, timeline);
    for (const char* folder : {"shaders", "scenes", "textures"}) {
        const std::filesystem::path link = directory / "resources" / folder;
        std::filesystem::remove(link);
        std::filesystem::copy(std::filesystem::path(DEMO_SOURCE_DIR "/show/resources") / folder, link,
                              std::filesystem::copy_options::recursive);
    }
}

}  // namespace testing_support
