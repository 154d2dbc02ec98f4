#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// Writes a 44100 Hz stereo 16-bit WAV of a quiet tone lasting `seconds`.
void writeToneWav(const std::filesystem::path& file, double seconds);

// A minimal show in `directory`: resources/resources.xml naming resources/music.wav (a tone of `musicSeconds`,
// not written when 0) and resources/textures/, with the preload and logo images, and resources/timeline.xml with
// `timelineXml`.
void writeTestShow(const std::filesystem::path& directory, double musicSeconds,
                   const std::string& timelineXml = "<Timeline><TimelineTrack label=\"all\" to=\"3600\"/></Timeline>");

// A short show on the sample show's shaders, scenes and images (linked, not copied): the sample manifest with its
// music pointed at a tone of `musicSeconds`, `extraScenes` added to its scenes, and its own timeline.
void writeShortShow(const std::filesystem::path& directory, double musicSeconds, const std::string& timeline,
                    const std::string& extraScenes = {});

// writeShortShow with its own copies of the sample show's folders instead of links, so that files can be added,
// changed and removed.
void writeOwnShortShow(const std::filesystem::path& directory, double musicSeconds, const std::string& timeline);

}  // namespace testing_support
