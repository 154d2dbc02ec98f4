#pragma once

// PNG files of captured frames, fast enough to keep up with a GPU: libspng with the Sub filter and run-length
// matching alone. The pixels are exact (PNG is lossless); only the file size is traded for speed.

#include <cstdint>
#include <string>
#include <vector>

// Encodes `rgba` (width x height x 4 bytes, row 0 at the top) into `png`. False with `error` set on failure.
bool encodePng(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t>* png,
               std::string* error);

// Writes `bytes` to `file` (created or replaced). False with `error` set when it cannot.
bool writeFileBytes(const std::string& file, const std::vector<std::uint8_t>& bytes, std::string* error);

// Encodes and writes `file` whole: the bytes go to a temporary name beside it, which is then renamed, so a reader
// never sees a partial file under the final name.
bool writePngFile(const std::string& file, const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
                  std::string* error);
