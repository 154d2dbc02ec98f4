#pragma once

// Every test of this folder runs inside one small show: the sample show's post-processing shaders (by absolute
// path), a preload image and two logo images of distinct sizes, made when the test program starts. The
// process-wide manifest is read there once.

#include <cstdint>
#include <filesystem>
#include <string>

namespace post_test_show {

constexpr std::uint32_t kPreloadSize = 3;  // opaque red
constexpr std::uint32_t kLogo1Size = 5;    // opaque green
constexpr std::uint32_t kLogo2Size = 7;    // opaque blue

// The show's folder (the working directory while tests run).
const std::filesystem::path& directory();
// Writes a square opaque image of one colour into the show's texture folder.
void writeImage(const std::string& name, std::uint32_t size, std::uint8_t r, std::uint8_t g, std::uint8_t b);

}  // namespace post_test_show
