// The platform layer's messages: why a backend gave up, what it fell back
// to. One line each, handed to the handler a game set through
// KesPlatformSetLogHandler, by default written to standard error.
#ifndef KESTO_PLATFORM_CONFIG_LOG_H
#define KESTO_PLATFORM_CONFIG_LOG_H

namespace kes::platform {

// printf-style; the line is passed on without a trailing newline.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kes::platform

#endif
