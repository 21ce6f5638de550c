/// \file
/// Expanding LZO1X blocks, for data that games keep compressed in archives.
#ifndef KESTO_KESLZ_H
#define KESTO_KESLZ_H

#include <KesUtility.h>

/// Expands the complete LZO1X stream at `src` (through its end marker) into
/// `dst` and returns the number of bytes written. Nothing is checked: the
/// stream must be valid and `dst` must have room for the whole result. Prefer
/// the bounded form below for data that may be damaged.
KESTO_API int LZDecode(unsigned char* src, unsigned char* dst);

/// Checked form: reads at most `srcSize` bytes and writes at most `dstCapacity`.
/// Returns 1 and the expanded size in *written, or 0 when the stream is corrupt
/// or truncated, does not end at `srcSize`, or does not fit (then *written is
/// how far the decoder got; the bytes in dst are not to be used).
KESTO_API int LZDecode(const unsigned char* src, DWORD srcSize, unsigned char* dst, DWORD dstCapacity,
                       DWORD* written);

#endif
