// Text in the Windows ANSI code page of the engine's games (936, GBK) and in
// UTF-8, one character at a time, with Windows' readings of broken text.
// MultiByteToWideChar and WideCharToMultiByte are built on these, and so are
// the whole-string helpers that the window layer uses to talk to SDL.
#ifndef KESTO_PLATFORM_POSIX_TEXTCODEC_H
#define KESTO_PLATFORM_POSIX_TEXTCODEC_H

#include <cstddef>
#include <string>

namespace kes::posix {

// One character read from the front of some text.
struct DecodedChar {
    char32_t ch;   // the character; for bytes that are none, what Windows reads them as
    size_t length; // bytes taken, at least 1 and never more than were given
    bool valid;    // false: not a character of the code page (MB_ERR_INVALID_CHARS refuses it)
};

// Windows' Unicode default character for code page 936 (KATAKANA MIDDLE
// DOT, as on all the East Asian double-byte code pages): what a byte
// sequence that is no character reads as.
constexpr char32_t kAnsiUnicodeDefault = 0x30FB;

// Code page 936 as Windows maps it: GBK (from iconv), the euro sign at 0x80,
// the user-defined areas in the Private Use Area, 0xFF as U+F8F5. A lead
// byte whose next byte cannot follow it, or that ends the text, reads as
// kAnsiUnicodeDefault and takes one byte; a pair with no character takes
// two. `n` must be at least 1; no byte past `n` is read.
DecodedChar DecodeAnsi(const unsigned char* text, size_t n);

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are
// invalid. Each maximal part of a broken sequence reads as one U+FFFD.
DecodedChar DecodeUtf8(const unsigned char* text, size_t n);

// The bytes of `ch` in out[], and how many (1 or 2); 0 when code page 936
// has no such character.
size_t EncodeAnsi(char32_t ch, unsigned char out[2]);

// The bytes of `ch` in out[] (1 to 4); 0 for surrogates and values past
// U+10FFFF.
size_t EncodeUtf8(char32_t ch, unsigned char out[4]);

// GBK text as UTF-8; bytes that are no GBK character become U+FFFD.
std::string AnsiToUtf8(const std::string& ansi);

// UTF-8 text (SDL's text input, for one) as code page 936; characters that
// GBK lacks and broken UTF-8 become '?'.
std::string Utf8ToAnsi(const std::string& utf8);

} // namespace kes::posix

#endif
