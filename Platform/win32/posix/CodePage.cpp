// MultiByteToWideChar and WideCharToMultiByte for code page 936 (which
// CP_ACP stands for: the games' text is GBK) and CP_UTF8, with Windows'
// argument checks, counts and error codes. The characters themselves are
// TextCodec's.
//
// WCHAR is 32 bits here: one unit per code point, so the wide counts are
// counts of characters and no surrogate pairs are made or read.
//
// Not implemented: other code pages (ERROR_INVALID_PARAMETER, as Windows
// answers for one it does not have), MB_COMPOSITE (ERROR_INVALID_FLAGS),
// and the "best fit" look-alikes WideCharToMultiByte substitutes unless
// WC_NO_BEST_FIT_CHARS is given: a character 936 lacks always becomes the
// default character, as with that flag.
#include <windows.h>

#include "TextCodec.h"

#include <climits>
#include <cstring>
#include <cwchar>

namespace {

constexpr UINT kCodePage936 = 936;

// Flags that the engine does not pass but Windows accepts for 936. The
// first two need no work: precomposed is all that GBK text can give, and
// 936 has no glyphs for control characters. No best fit is what we always
// do.
constexpr DWORD kMbPrecomposed = 0x00000001;    // MB_PRECOMPOSED
constexpr DWORD kMbUseGlyphChars = 0x00000004;  // MB_USEGLYPHCHARS
constexpr DWORD kWcNoBestFitChars = 0x00000400; // WC_NO_BEST_FIT_CHARS
// UTF-8 only: fail on what is no character instead of writing U+FFFD.
constexpr DWORD kWcErrInvalidChars = 0x00000080; // WC_ERR_INVALID_CHARS

enum class Page { Ansi, Utf8, Unknown };

Page PageOf(UINT codePage)
{
    if (codePage == CP_ACP || codePage == kCodePage936) return Page::Ansi;
    if (codePage == CP_UTF8) return Page::Utf8;
    return Page::Unknown;
}

int Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

bool IsLeadByte(unsigned char b)
{
    return b >= 0x81 && b <= 0xFE;
}

} // namespace

extern "C" {

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) || (const void*)lpMultiByteStr == (const void*)lpWideCharStr)
        return Fail(ERROR_INVALID_PARAMETER);
    const Page page = PageOf(CodePage);
    if (page == Page::Unknown) return Fail(ERROR_INVALID_PARAMETER);
    // UTF-8 takes no flag but MB_ERR_INVALID_CHARS on Windows either.
    const DWORD allowed = page == Page::Utf8 ? MB_ERR_INVALID_CHARS
                                             : MB_ERR_INVALID_CHARS | kMbPrecomposed | kMbUseGlyphChars;
    if (dwFlags & ~allowed) return Fail(ERROR_INVALID_FLAGS);

    const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    // -1: up to and with the terminator, which is converted like any
    // character, so the result counts it.
    const size_t n = cbMultiByte == -1 ? strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    const unsigned char* text = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    const size_t room = size_t(cchWideChar);
    const bool measuring = cchWideChar == 0;
    size_t count = 0;
    for (size_t i = 0; i < n;) {
        const kes::posix::DecodedChar d =
            page == Page::Ansi ? kes::posix::DecodeAnsi(text + i, n - i) : kes::posix::DecodeUtf8(text + i, n - i);
        if (strict && !d.valid) return Fail(ERROR_NO_UNICODE_TRANSLATION);
        if (!measuring) {
            if (count == room) return Fail(ERROR_INSUFFICIENT_BUFFER);
            lpWideCharStr[count] = WCHAR(d.ch);
        }
        // A character takes at least a byte, so this only passes INT_MAX
        // for a NUL-terminated string of 2 GiB.
        if (++count > size_t(INT_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        i += d.length;
    }
    return int(count);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, BOOL* lpUsedDefaultChar)
{
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || (const void*)lpWideCharStr == (const void*)lpMultiByteStr)
        return Fail(ERROR_INVALID_PARAMETER);
    const Page page = PageOf(CodePage);
    if (page == Page::Unknown) return Fail(ERROR_INVALID_PARAMETER);
    if (page == Page::Utf8) {
        // Every character has a UTF-8 form: Windows refuses to be asked
        // about default characters there.
        if (lpDefaultChar || lpUsedDefaultChar) return Fail(ERROR_INVALID_PARAMETER);
        if (dwFlags & ~kWcErrInvalidChars) return Fail(ERROR_INVALID_FLAGS);
    } else if (dwFlags & ~kWcNoBestFitChars) {
        return Fail(ERROR_INVALID_FLAGS);
    }

    // The default character may be a double-byte one; a lead byte with no
    // trail byte after it is used as the single byte it is.
    unsigned char fallback[2] = {'?', 0};
    size_t fallbackLength = 1;
    if (lpDefaultChar) {
        fallback[0] = (unsigned char)lpDefaultChar[0];
        if (IsLeadByte(fallback[0])) {
            const unsigned char trail = (unsigned char)lpDefaultChar[1];
            if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
                fallback[1] = trail;
                fallbackLength = 2;
            }
        }
    }

    const bool strict = (dwFlags & kWcErrInvalidChars) != 0;
    const size_t n = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : size_t(cchWideChar);
    const size_t room = size_t(cbMultiByte);
    const bool measuring = cbMultiByte == 0;
    bool usedDefault = false;
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        // wchar_t is signed here; a negative unit is no code point, as one
        // past U+10FFFF is not.
        const char32_t ch = char32_t(uint32_t(lpWideCharStr[i]));
        unsigned char bytes[4];
        const unsigned char* out = bytes;
        size_t k;
        if (page == Page::Utf8) {
            k = kes::posix::EncodeUtf8(ch, bytes);
            if (!k) {
                // A surrogate or a value past U+10FFFF: Windows writes U+FFFD.
                if (strict) return Fail(ERROR_NO_UNICODE_TRANSLATION);
                k = kes::posix::EncodeUtf8(0xFFFD, bytes);
            }
        } else {
            k = kes::posix::EncodeAnsi(ch, bytes);
            if (!k) {
                out = fallback;
                k = fallbackLength;
                usedDefault = true;
            }
        }
        // Only whole characters are written: a double-byte character does
        // not lose its trail byte to a short buffer.
        if (!measuring) {
            if (room - count < k) return Fail(ERROR_INSUFFICIENT_BUFFER);
            memcpy(lpMultiByteStr + count, out, k);
        }
        count += k;
        if (count > size_t(INT_MAX)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return int(count);
}

} // extern "C"
