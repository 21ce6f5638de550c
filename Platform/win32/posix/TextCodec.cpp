// Code page 936 and UTF-8, one character at a time.
//
// Code page 936 is held as a table, the way Windows holds it: made once,
// the first time text is converted, from iconv's CP936 (GBK's 21791
// double-byte characters), then given the entries of Windows' table that
// iconv leaves out. Having the table ourselves is what
// lets the Win32 functions read broken text exactly as Windows does, stop at
// a buffer's end between two characters, and cost a lookup per character.
#include "TextCodec.h"

#include "../../config/Log.h"

#include <iconv.h>

#include <cstdint>
#include <cstdio>

namespace kes::posix {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// Windows' single-byte extras: the euro sign that Windows 2000 put at 0x80
// (glibc's CP936 agrees, its older GBK did not, so it is set here whatever
// iconv says), and 0xFF, which is no character but keeps its value through
// a round trip by way of the Private Use Area.
constexpr char32_t kEuro = 0x20AC;
constexpr char32_t kByteFF = 0xF8F5;

constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;

bool IsTrail(unsigned b)
{
    return b >= kFirstTrail && b <= kLastTrail && b != 0x7F;
}

// The three user-defined areas of GBK. Windows numbers their pairs row by
// row into consecutive Private Use Area code points, so that characters a
// user made with the EUDC editor survive conversion both ways.
struct UserArea {
    unsigned firstLead, lastLead, firstTrail, lastTrail;
    char32_t first;
};
constexpr UserArea kUserAreas[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6},
};

class Cp936Table {
public:
    Cp936Table()
    {
        LoadFromIconv();
        for (const UserArea& area : kUserAreas) {
            char32_t ch = area.first;
            for (unsigned lead = area.firstLead; lead <= area.lastLead; ++lead)
                for (unsigned trail = area.firstTrail; trail <= area.lastTrail; ++trail)
                    if (IsTrail(trail)) SetPair(lead, trail, ch++);
        }
        m_fromUnicode[kEuro] = 0x80;
        m_fromUnicode[kByteFF] = 0xFF;
    }

    // The character of a lead and trail byte, 0 when the pair is none.
    char16_t Pair(unsigned lead, unsigned trail) const
    {
        return m_toUnicode[lead - kFirstLead][trail - kFirstTrail];
    }

    // The code of a BMP character above 0x7F: a single byte below 0x100,
    // lead << 8 | trail otherwise, 0 when code page 936 lacks it.
    uint16_t Code(char32_t ch) const { return m_fromUnicode[ch]; }

private:
    void LoadFromIconv()
    {
        // Big-endian UTF-32 so that the bytes are put together the same on
        // any machine.
        iconv_t cd = iconv_open("UTF-32BE", "CP936");
        if (cd == (iconv_t)-1) {
            kes::platform::Log("iconv cannot convert from CP936; GBK text will read as U+30FB");
            return;
        }
        // Pair by pair: a pair that is no character stops a longer
        // conversion, and this runs once.
        for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
            for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
                if (!IsTrail(trail)) continue;
                char in[2] = {char(lead), char(trail)};
                unsigned char out[4];
                char* inp = in;
                char* outp = reinterpret_cast<char*>(out);
                size_t inLeft = sizeof in;
                size_t outLeft = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == (size_t)-1 || inLeft != 0 || outLeft != 0)
                    continue;
                const char32_t ch = char32_t(out[0]) << 24 | char32_t(out[1]) << 16 | char32_t(out[2]) << 8 | out[3];
                if (ch > 0x7F && ch <= 0xFFFF) SetPair(lead, trail, ch);
            }
        }
        iconv_close(cd);
    }

    void SetPair(unsigned lead, unsigned trail, char32_t ch)
    {
        m_toUnicode[lead - kFirstLead][trail - kFirstTrail] = char16_t(ch);
        // Should two pairs share a character, the lower code is the one
        // written back.
        if (!m_fromUnicode[ch]) m_fromUnicode[ch] = uint16_t(lead << 8 | trail);
    }

    char16_t m_toUnicode[kLastLead - kFirstLead + 1][kLastTrail - kFirstTrail + 1] = {};
    uint16_t m_fromUnicode[0x10000] = {};
};

const Cp936Table& Table()
{
    static const Cp936Table table;
    return table;
}

} // namespace

DecodedChar DecodeAnsi(const unsigned char* text, size_t n)
{
    const unsigned b = text[0];
    if (b < 0x80) return {b, 1, true};
    if (b == 0x80) return {kEuro, 1, true};
    if (b == 0xFF) return {kByteFF, 1, false};
    // A lead byte. One whose follower could not be a trail byte (the
    // terminator, a control character, a space) takes only itself, so that
    // a stray lead byte never swallows the character after it.
    if (n < 2 || !IsTrail(text[1])) return {kAnsiUnicodeDefault, 1, false};
    const char16_t ch = Table().Pair(b, text[1]);
    if (!ch) return {kAnsiUnicodeDefault, 2, false};
    return {ch, 2, true};
}

DecodedChar DecodeUtf8(const unsigned char* text, size_t n)
{
    const unsigned b = text[0];
    if (b < 0x80) return {b, 1, true};
    // The allowed range of the second byte is narrower after some leads:
    // that is where overlong forms, surrogates and values past U+10FFFF
    // are refused.
    size_t follow;
    char32_t ch;
    unsigned lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        follow = 1;
        ch = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        follow = 2;
        ch = b & 0x0F;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        follow = 3;
        ch = b & 0x07;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return {kReplacement, 1, false};
    }
    for (size_t i = 1; i <= follow; ++i) {
        if (i >= n || text[i] < lo || text[i] > hi) return {kReplacement, i, false};
        ch = ch << 6 | (text[i] & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    return {ch, follow + 1, true};
}

size_t EncodeAnsi(char32_t ch, unsigned char out[2])
{
    if (ch < 0x80) {
        out[0] = (unsigned char)ch;
        return 1;
    }
    if (ch > 0xFFFF) return 0;
    const uint16_t code = Table().Code(ch);
    if (!code) return 0;
    if (code < 0x100) {
        out[0] = (unsigned char)code;
        return 1;
    }
    out[0] = (unsigned char)(code >> 8);
    out[1] = (unsigned char)(code & 0xFF);
    return 2;
}

size_t EncodeUtf8(char32_t ch, unsigned char out[4])
{
    if (ch < 0x80) {
        out[0] = (unsigned char)ch;
        return 1;
    }
    if (ch < 0x800) {
        out[0] = (unsigned char)(0xC0 | ch >> 6);
        out[1] = (unsigned char)(0x80 | (ch & 0x3F));
        return 2;
    }
    if (ch >= 0xD800 && ch <= 0xDFFF) return 0;
    if (ch < 0x10000) {
        out[0] = (unsigned char)(0xE0 | ch >> 12);
        out[1] = (unsigned char)(0x80 | (ch >> 6 & 0x3F));
        out[2] = (unsigned char)(0x80 | (ch & 0x3F));
        return 3;
    }
    if (ch > 0x10FFFF) return 0;
    out[0] = (unsigned char)(0xF0 | ch >> 18);
    out[1] = (unsigned char)(0x80 | (ch >> 12 & 0x3F));
    out[2] = (unsigned char)(0x80 | (ch >> 6 & 0x3F));
    out[3] = (unsigned char)(0x80 | (ch & 0x3F));
    return 4;
}

std::string AnsiToUtf8(const std::string& ansi)
{
    std::string out;
    out.reserve(ansi.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(ansi.data());
    for (size_t i = 0; i < ansi.size();) {
        const DecodedChar d = DecodeAnsi(p + i, ansi.size() - i);
        unsigned char bytes[4];
        const size_t k = EncodeUtf8(d.valid ? d.ch : kReplacement, bytes);
        out.append(reinterpret_cast<const char*>(bytes), k);
        i += d.length;
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    for (size_t i = 0; i < utf8.size();) {
        const DecodedChar d = DecodeUtf8(p + i, utf8.size() - i);
        unsigned char bytes[2];
        const size_t k = d.valid ? EncodeAnsi(d.ch, bytes) : 0;
        if (k)
            out.append(reinterpret_cast<const char*>(bytes), k);
        else
            out += '?';
        i += d.length;
    }
    return out;
}

} // namespace kes::posix
