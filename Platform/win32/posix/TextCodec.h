// Text in the Windows ANSI code page of the engine's games (936, GBK).
#ifndef KESTO_PLATFORM_POSIX_TEXTCODEC_H
#define KESTO_PLATFORM_POSIX_TEXTCODEC_H

#include <string>

namespace kes::posix {

// GBK text as UTF-8; bytes that are not valid GBK become U+FFFD.
std::string AnsiToUtf8(const std::string& ansi);

} // namespace kes::posix

#endif
