#pragma once
// What every fuzz target shares: a scratch folder of its own, the input written there as a file (the readers under
// test take paths, as the player's do), and a repeatable stream of numbers drawn from the input for the values
// a target picks beside the file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace fuzz {

// A folder for this process, made on first use and emptied of nothing: targets overwrite their files.
const std::filesystem::path& scratch();

// Writes `size` bytes to scratch()/name and answers the full path.
std::string writeInput(const std::string& name, const std::uint8_t* data, std::size_t size);

// The repository's folder (for the sample show's files that targets read beside the input).
std::filesystem::path sourceDir();

// xorshift64 seeded from the input's bytes: the same input always draws the same values.
class Draws {
public:
    Draws(const std::uint8_t* data, std::size_t size);
    std::uint64_t next();
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    std::uint64_t state;
};

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// The extension a scene file of these bytes would carry (the importer picks its reader by it first): ".glb",
// ".gltf", ".fbx", ".dae", ".ply", ".stl" or else ".obj".
std::string sceneExtension(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
