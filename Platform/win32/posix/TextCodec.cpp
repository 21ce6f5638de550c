// Code page 936 through iconv.
#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>

namespace kes::posix {

std::string AnsiToUtf8(const std::string& ansi)
{
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == (iconv_t)-1) return ansi;
    std::string out;
    char buf[256];
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, size_t(o - buf));
        if (r == (size_t)-1) {
            if (errno == E2BIG) continue;
            // An invalid or cut-off sequence: mark it and go on after its first byte.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace kes::posix
