// The platform's own settings: which backends to use, texture size rules.
// Set through KesPlatform.h; read by the backends when they start.
#ifndef KESTO_PLATFORM_CONFIG_H
#define KESTO_PLATFORM_CONFIG_H

#include <string>

namespace kes::platform {

struct Config {
    std::string videoDriver;  // empty: automatic
    std::string audioDriver;  // empty: automatic
    std::string renderDevice; // empty: automatic
    bool pow2Textures = false;
};

Config& Settings();

// The render device asked for: the program's choice, else the player's
// (KESTO_RENDER_DEVICE); empty for the automatic choice.
std::string AskedRenderDevice();

} // namespace kes::platform

#endif
