#include "render/image_checks.h"

namespace {

// Every "define Huffman tables" marker in the file, read as the decoder reads one: the segment's length, then
// tables of a class and id byte, 16 code counts and the symbols, for as long as the length says (the decoder reads
// on past a table that overruns it). All of them, not only those a walk of the segments would reach: a divergence
// from the decoder's own walk must not let one through, and elsewhere in a JPEG 0xFF 0xC4 is stuffed or is the
// marker itself.
bool huffmanTablesFit(const std::uint8_t* bytes, std::size_t size) {
    // Past the end the decoder reads zeros.
    auto byteAt = [&](std::size_t at) -> long { return at < size ? bytes[at] : 0; };
    for (std::size_t at = 0; at + 1 < size; ++at) {
        if (bytes[at] != 0xFF || bytes[at + 1] != 0xC4) continue;
        long remaining = ((byteAt(at + 2) << 8) | byteAt(at + 3)) - 2;
        std::size_t table = at + 4;
        while (remaining > 0 && table < size) {
            if ((byteAt(table) >> 4) > 1 || (byteAt(table) & 15) > 3) break;  // refused by the decoder
            long codes = 0;
            for (int i = 1; i <= 16; ++i) codes += byteAt(table + i);
            if (codes > 256) return false;
            remaining -= 17 + codes;
            table += 17 + std::size_t(codes);
        }
    }
    return true;
}

}  // namespace

bool decoderTakesImage(const std::uint8_t* bytes, std::size_t size) {
    // The decoder takes a JPEG's first marker after any number of 0xFF fill bytes.
    if (size >= 2 && bytes[0] == 0xFF) return huffmanTablesFit(bytes, size);
    return true;
}
