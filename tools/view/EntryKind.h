// What an entry holds, told by its first bytes: archives store no types, and
// loose files may be named anything.
#ifndef KESTO_TOOLS_VIEW_ENTRYKIND_H
#define KESTO_TOOLS_VIEW_ENTRYKIND_H

#include <cstddef>
#include <cstdint>

namespace kes::view {

enum class EntryKind { Unknown, Was, Jpeg, Bmp, Tga, Png, Wav, Ogg, Mp3, Flac, Font };

// How many leading bytes SniffKind looks at.
constexpr size_t kSniffBytes = 18;

// The kind of a file whose first `n` bytes are `head` (n may be short).
EntryKind SniffKind(const unsigned char* head, size_t n);

const char* KindName(EntryKind kind); // "WAS", "JPEG", ...
bool IsPicture(EntryKind kind);       // drawn by one of the engine's picture loaders
bool IsSound(EntryKind kind);         // played by the sound system
// The file name ending the engine's loaders and the sound system expect
// of the kind ("was", "jpg", ...), for copies of entries that have no name.
const char* KindExtension(EntryKind kind);

} // namespace kes::view

#endif
