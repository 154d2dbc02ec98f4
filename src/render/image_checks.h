#pragma once
// What the image decoder (stb_image 2.27, as Debian 12 ships it) cannot be given safely, found before it is.
#include <cstddef>
#include <cstdint>

// False for a JPEG with a Huffman table of more than 256 codes: the decoder's table builder writes past its
// 257-entry size list for one (a file's bytes choose how far). True for everything else, JPEG or not.
bool decoderTakesImage(const std::uint8_t* bytes, std::size_t size);
