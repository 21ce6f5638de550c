// What the benchmark programs share: a scratch folder to work in, and an
// application with a software device on a headless-capable window.
#ifndef KESTO_BENCH_BENCHSUPPORT_H
#define KESTO_BENCH_BENCHSUPPORT_H

#include <KesApp.h>

#include <memory>
#include <string>

namespace kes::bench {

// A fresh folder under the temporary folder, made the current directory
// while the object lives, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previous;
};

// A window of the SDL backend for the software device; aborts if none can be made.
HWND MakeBenchWindow(int width, int height);

// An MApp whose render object has a software device on its own window, as a
// game has after Init.
class BenchApp {
public:
    BenchApp(int width = 800, int height = 600);
    ~BenchApp();
    MApp* app = nullptr;
    HWND window = nullptr;
};

// An MApp after Init, as a game has it: the offscreen video driver, the
// software device, fonts, and sound on whatever SDL opens (its dummy driver
// where there is no device). Null when Init fails.
std::unique_ptr<MApp> StartGame(int width, int height);

} // namespace kes::bench

#endif
