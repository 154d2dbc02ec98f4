#pragma once

// Reading a scene file with the importer, tried first in the file helper (platform/process/file_helper.h): a file
// that crashes or stops the importer there is never read here.

#include <string>
#include <string_view>
#include <vector>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

// `importer.ReadFile(path, flags)` once the file survived the same reading in the helper. Null, with `failure`
// saying what the importer did ("crashed (signal 11, Segmentation fault)"), when it did not; null with `failure`
// holding the importer's error when it refused the file there (not read again here), or empty when it refused it
// here (no helper: `importer.GetErrorString()` says why).
const aiScene* readSceneFile(Assimp::Importer& importer, const std::string& path, unsigned int flags,
                             std::string* failure = nullptr);

// The helper's job: words are the job's name, the flags in decimal and the path.
constexpr const char* kSceneReadJob = "scene";
std::string runSceneReadJob(const std::vector<std::string>& words, std::string_view input);
