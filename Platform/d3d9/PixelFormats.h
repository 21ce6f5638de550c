// The pixel formats the platform stores, in one place: their sizes, reading
// and writing a pixel as 0xAARRGGBB, and the two ways a 5-6-5 field becomes
// eight bits.
//
// Both 5-6-5 expansions are in use on purpose:
// - Widen5 / Widen6 put the field's own low bits under it, as the engine's
//   colour type MAPixel does. Surface copies and readback use them, so a
//   game reading pixels back sees the values it computes itself.
// - Unorm5 / Unorm6 take the field as a fraction of its largest value,
//   rounded to the nearest byte: what sampling an R5G6B5 texture yields on
//   graphics hardware. The samplers use them, so the software device draws
//   what a GPU draws. (The two differ by at most 4 levels.)
#ifndef KESTO_PLATFORM_D3D9_PIXELFORMATS_H
#define KESTO_PLATFORM_D3D9_PIXELFORMATS_H

#include <d3d9.h>

#include <cstdint>

namespace kes::d3d9 {

// Bytes per pixel of the formats the platform stores (0 for any other).
int BytesPerPixel(D3DFORMAT format);

// Reads pixel x of a row as 0xAARRGGBB; formats without alpha give 255,
// R5G6B5 is widened by its own low bits.
uint32_t ReadArgb(D3DFORMAT format, const uint8_t* row, UINT x);
// Writes 0xAARRGGBB converted to the format (R5G6B5 keeps the top bits).
void WriteArgb(D3DFORMAT format, uint8_t* row, UINT x, uint32_t argb);

constexpr uint32_t Widen5(uint32_t v5) { return (v5 << 3) | (v5 & 7); }
constexpr uint32_t Widen6(uint32_t v6) { return (v6 << 2) | (v6 & 3); }
constexpr uint8_t Unorm5(uint32_t v5) { return uint8_t((v5 * 255 + 15) / 31); }
constexpr uint8_t Unorm6(uint32_t v6) { return uint8_t((v6 * 255 + 31) / 63); }

} // namespace kes::d3d9

#endif
