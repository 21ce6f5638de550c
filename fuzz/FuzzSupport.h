// What the fuzz targets share: an application with a software device made
// once per process, and a scratch file the loaders read the input from.
#ifndef KESTO_FUZZ_FUZZSUPPORT_H
#define KESTO_FUZZ_FUZZSUPPORT_H

#include <KesApp.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kes::fuzz {

// The process's application, with a device on a headless window.
MApp& App();

// Writes the input to a file in a scratch folder of the process and returns
// its name (relative to the current directory, which is that folder).
std::string WriteInput(const char* name, const uint8_t* data, size_t size);

// The pixels of `img` (rows of m_width 16-bit pixels, without the pitch's
// padding) before the image is given back; empty for null.
std::vector<uint8_t> TakePixels(MApp& app, MImage* img);

// Runs `decode` (one JPEG load, returning TakePixels of it) with the SSE2
// routines and the lookahead Huffman decoder, then with the portable routines
// and the search of the code list, the reference. The two must agree to the
// pixel (and on whether there is a picture); when they do not, the process
// aborts naming the part that differs, so that the fuzzer keeps the input.
void DecodeBothWays(const std::function<std::vector<uint8_t>()>& decode);

// The archive target's operations, one input byte each (modulo their count),
// followed by their arguments: a name (one byte, an index into its names),
// sizes and signed distances (16 bits), positions (32 bits), little-endian.
enum ArchiveOp {
    OPEN,              // name
    LOAD,              // name
    LOAD_ID,           // archive (byte), entry (16 bits)
    CLOSE,
    READ_AT,           // size, position
    READ_ON,           // size; stops at the file's end
    READ_ON_UNCLIPPED, // size
    SEEK,              // position
    SKIP,              // distance
    IS_END,
    ARCHIVE_OPS
};

} // namespace kes::fuzz

#endif
