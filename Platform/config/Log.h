// The platform layer's messages: why a backend gave up, what it fell back
// to. One line each, handed to the handler a game set through
// KesPlatformSetLogHandler, by default written to standard error.
#ifndef KESTO_PLATFORM_CONFIG_LOG_H
#define KESTO_PLATFORM_CONFIG_LOG_H

namespace kes::platform {

// printf-style; the line is passed on without a trailing newline.
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same, for failures a game may meet again and again (a sound it plays
// every frame, a screenshot it takes every frame): a line is passed on the
// first time it is said, never again. Lines are remembered up to a bound;
// past it they are passed on every time rather than kept forever.
void LogOnce(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kes::platform

#endif
