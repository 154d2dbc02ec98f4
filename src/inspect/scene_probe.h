#pragma once

#include <string>

#include "inspect/show_report.h"

// Imports every scene of the report's timeline through the player's own Scene::load on a headless device and
// fills the report: each scene's meshes, materials, lights, cameras, nodes and channels, and for every probe the
// scene step of the frame at its position (animation time, camera matrices, node world matrices). Adds warnings
// for a scene that cannot be imported, a texture that cannot be decoded (the player would stop), a marker camera
// its scene lacks, a marker stretch outside the animation, and each line the import prints on standard output
// (kept off the tool's own output).
// False with `error` set when no headless device can be made.
bool probeScenes(ShowReport& report, std::string& error);
