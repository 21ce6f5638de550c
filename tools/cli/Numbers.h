// The numbers, sizes and ids the tools' command lines take, parsed one way
// everywhere: digits only, no spaces, no '+', no hexadecimal where a decimal
// is meant, so that a value means the same to every command.
#ifndef KESTO_TOOLS_CLI_NUMBERS_H
#define KESTO_TOOLS_CLI_NUMBERS_H

#include <cstdint>
#include <string>

namespace kes::cli {

// A decimal integer in [min, max]: an optional '-' and digits, nothing else.
bool ParseInteger(const std::string& text, long long min, long long max, long long* value);

template <typename T>
bool ParseInteger(const std::string& text, long long min, long long max, T* value)
{
    long long v = 0;
    if (!ParseInteger(text, min, max, &v)) return false;
    *value = T(v);
    return true;
}

// "X,Y": two integers in [-32768, 32767], as sprite points and sizes are.
bool ParsePair(const std::string& text, int* x, int* y);

// A byte count with an optional binary suffix: 1048576, 1024K, 1M, 2G (K, M,
// G and the same with a trailing B, any case). False for 0, for garbage and
// for values that do not fit 64 bits.
bool ParseByteCount(const std::string& text, uint64_t* value);

// An archive entry's id: "0x" and one to eight hex digits, any case.
bool ParseHexId(const std::string& text, unsigned long* id);
// "0x1234abcd": how ids are written everywhere in the tools' output.
std::string HexId(unsigned long id);

} // namespace kes::cli

#endif
