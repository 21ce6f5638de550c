// What the fuzz targets share: an application with a software device made
// once per process, and a scratch file the loaders read the input from.
#ifndef KESTO_FUZZ_FUZZSUPPORT_H
#define KESTO_FUZZ_FUZZSUPPORT_H

#include <KesApp.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace kes::fuzz {

// The process's application, with a device on a headless window.
MApp& App();

// Writes the input to a file in a scratch folder of the process and returns
// its name (relative to the current directory, which is that folder).
std::string WriteInput(const char* name, const uint8_t* data, size_t size);

} // namespace kes::fuzz

#endif
