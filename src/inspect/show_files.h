#pragma once

#include <string>
#include <vector>

#include "inspect/show_report.h"

// The files a show uses, found the way the player finds them: the manifest and the timeline, every file the
// manifest names (the music among its paths), every file a shader includes, every file the scene importer opens
// for a scene (a glTF's buffers, an OBJ's MTL) and the images the scenes' materials name in the texture folder,
// and the preload and logo images. Run in the show's folder after readShow.
struct ShowFiles {
    std::vector<std::string> files;     // relative to the show's folder, "/" between steps, sorted, each once
    std::vector<std::string> problems;  // a file that is missing, or outside the show's folder
};
ShowFiles listShowFiles(const ShowReport& report);

// The linter's warnings that mean the show would fail on the big screen (missing files, shaders that do not
// compile, scenes or images that cannot be loaded, no music, an empty timeline); the rest are advice.
std::vector<std::string> releaseBlockers(const std::vector<std::string>& warnings);
