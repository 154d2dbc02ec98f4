#pragma once

// The cameras and the backdrop demo-import makes for a model that brings none, in the player's space (y up, a
// camera looking along its node's +z).
//  - A made camera looks at the model from a three-quarter view above its front, centred on the model's
//    projection, at the distance where that projection spans kFrameShare of a 16:9 frame's width or height (the
//    player's default window; a track's camera takes the window's shape); an orbit turns a quarter around it, at
//    the distance its widest view needs, each view centred. Near and far planes are fitted to the model.
//  - The backdrop is a large sphere seen from inside, with a soft grey gradient from a light top to a darker
//    floor, meant for the emissive slot of a black material so that no light changes it.

#include <cstdint>
#include <string>
#include <vector>

#include "inspect/model_gltf_writer.h"

namespace model_framing {

using model_space::Vec3;

constexpr double kFramingFov = 0.8, kFramingAspect = 16.0 / 9.0, kFrameShare = 0.8;

struct Framing {
    model_gltf::Keys keys;      // the camera's placement, from `first` to `last` seconds
    model_gltf::Camera camera;  // its field of view and planes (no name)
};

// `points`: every drawn vertex; `centre` and `radius`: of their bounds. A still camera has two equal keys.
Framing frameModel(const std::vector<Vec3>& points, Vec3 centre, double radius, bool orbit, double first, double last);

// The backdrop's sphere (material 0) and its gradient as a PNG file's bytes.
model_gltf::Mesh backdropSphere(Vec3 centre, double radius);
bool backdropGradient(std::vector<std::uint8_t>* png, std::string* error);

}  // namespace model_framing
