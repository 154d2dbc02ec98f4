#pragma once
// What the image decoder (stb_image 2.27, as Debian 12 ships it) cannot be given safely, found before it is.
#include <cstddef>
#include <cstdint>

// False for a JPEG with a Huffman table of more than 256 codes, counted as the decoder reads them (zeros past the
// end of the file): the decoder's table builder writes past its 257-entry size list for one, as far as the file's
// bytes say. True for everything else, JPEG or not.
bool decoderTakesImage(const std::uint8_t* bytes, std::size_t size);
