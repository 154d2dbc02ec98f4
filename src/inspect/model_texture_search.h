#pragma once

// Where demo-import finds the image files a model's materials name, and how it reads and compares them: paths
// are UTF-8 as the scene importer gives them, opened through the base layer's UTF-8 file functions so that
// names outside ASCII open on Windows too.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace model_textures {

// The file a material names (UTF-8, '/' or '\' between steps): as given when absolute, else beside the model;
// failing both (a path from another machine, "D:\projects\...\wood.PNG"), a file of the same name in any letter
// case in the model's folder or up to three folders below it. Empty when there is none.
std::filesystem::path findTextureFile(const std::string& named, const std::filesystem::path& modelFolder);

// The whole file; false when it cannot be opened or read, or is empty.
bool readFileBytes(const std::filesystem::path& file, std::vector<std::uint8_t>* bytes);

// Whether the file holds exactly these bytes.
bool sameBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

}  // namespace model_textures
