#include "fuzz_support.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace fuzz {

const std::filesystem::path& scratch() {
    static const std::filesystem::path folder = [] {
        const auto path = std::filesystem::temp_directory_path() / ("demo-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratch(), ignored);
        });
        return path;
    }();
    return folder;
}

std::string writeInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = (scratch() / name).string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

std::filesystem::path sourceDir() { return DEMO_SOURCE_DIR; }

Draws::Draws(const std::uint8_t* data, std::size_t size) : state(0x9E3779B97F4A7C15ull) {
    for (std::size_t i = 0; i < size; ++i) state = (state ^ data[i]) * 0x100000001B3ull;
    if (state == 0) state = 1;
}

std::uint64_t Draws::next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

}  // namespace fuzz

namespace fuzz {

std::string sceneExtension(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 512));
    if (text.starts_with("glTF")) return ".glb";
    if (text.starts_with("Kaydara FBX Binary") || text.find("FBXHeaderExtension") != std::string_view::npos)
        return ".fbx";
    if (text.find("COLLADA") != std::string_view::npos) return ".dae";
    if (text.starts_with("ply")) return ".ply";
    if (text.starts_with("solid") || (size >= 84 && text.find('\0') != std::string_view::npos)) return ".stl";
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '{') return ".gltf";
    return ".obj";
}

}  // namespace fuzz
