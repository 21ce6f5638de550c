// What a file looks like, by its first bytes: what a loader says when it is
// handed a file of another kind (a BMP given to LoadJPEG, a TGA to LoadWas).
#ifndef KESTO_CORE_KESLOOKSLIKE_H
#define KESTO_CORE_KESLOOKSLIKE_H

#include <stddef.h>

namespace kes {

enum { kLooksLikeText = 64 };

// A phrase to follow "the file ": "looks like a BMP picture", "is empty",
// "starts with 00 11 22 33, no kind the engine knows". Written into `out`.
void LooksLike(const unsigned char* data, size_t size, char out[kLooksLikeText]);

} // namespace kes

#endif
