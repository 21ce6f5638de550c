// A long game run that keeps every cache and the device busy: sprites,
// pictures and text loaded and closed through the caches, thousands of
// sprites drawn a frame, the device lost now and then, music and clicks.
// At the end it says whether memory stayed flat.
#ifndef KESTO_TESTS_SOAK_SOAK_H
#define KESTO_TESTS_SOAK_SOAK_H

#include <KesApp.h>

#include <cstdint>
#include <string>

namespace kes::soak {

struct Settings {
    std::string data;            // the demo's archives
    long frames = 0;             // stop after this many frames (0: no limit)
    double seconds = 0;          // or after this much wall time (0: no limit)
    int sprites = 3000;          // drawn each frame
    int loseEvery = 3000;        // frames between device losses (0: never)
    double marginMb = 16;        // how far resident memory may grow
};

struct Report {
    long frames = 0;
    int resets = 0;
    int assertions = 0;
    uint64_t loads = 0;          // loader calls that made or found an object
    double startMb = 0, endMb = 0; // resident memory after the warm-up and at the end
    std::string failure;         // empty when the run held
};

// Runs the game to the end and reports. The archives must be registered.
Report RunSoak(MApp& app, const Settings& settings);

} // namespace kes::soak

#endif
