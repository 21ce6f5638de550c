// What every example shares and none of them is about: its command line,
// its archives, a label drawn as text, and the headless run that ends in a
// screenshot.
//
//   <example> [data folder] [--frames N] [--screenshot PATH] [--script]
//
// On a desktop an example runs until its window is closed (or for N frames
// when --frames is given). Where nobody can see the window (SDL's offscreen
// or dummy driver) it runs a fixed number of frames, writes PATH (by default
// <example>.png in the current folder) and ends.
#ifndef KESTO_EXAMPLES_EXAMPLERUN_H
#define KESTO_EXAMPLES_EXAMPLERUN_H

#include <KesApp.h>

struct ExampleOptions {
    const char* data = "data";  // the folder holding the archives
    int frames = 0;             // 0: until the window is closed
    const char* screenshot = 0; // written after the last frame
    bool script = false;        // play the example's own input instead of a player's
};

// Reads the command line; false (with a line on standard error) when it
// cannot. `headlessFrames` is the run's length when nobody can see it.
bool ParseExampleOptions(int argc, char** argv, const char* name, int headlessFrames, ExampleOptions* out);

// The window every example but hello_window opens (which shows the steps):
// 800 x 600 with `title`, the callbacks set, Init done. `input` null: Escape
// ends the example. False when Init failed (the platform said why).
bool OpenExampleWindow(MApp& app, const char* title, MAppFunc update, MInputEvenFunc input);

// Ends the application on Escape.
int QuitOnEscape(MInputEven* event);

// The demo's hero walking (shape/char/hero_walk.was, 8 directions x 8
// frames) from the shape chain in `folder`, with the caller's reference;
// null, said on standard error, when it is not there.
MImageVolume* LoadDemoHero(MApp& app, const char* folder);

// Registers <folder>/<base>.wdf and the rest of its chain (.wd1, .wd2, ...);
// the number of files registered.
int OpenArchiveChain(const char* folder, const char* base);

// Call last in the frame callback: counts the frame and, after the last one
// of a fixed run, saves the screenshot and ends the application.
void EndOfFrame(MApp& app, const ExampleOptions& options);

// Frames counted so far, from 1 in the first frame callback.
int FrameNumber();

// A line of text kept as a text image and made again only when it changes.
struct ExampleLabel {
    MImage* image = 0;
    char text[256] = "";
};

// A font for labels: DejaVu Sans, or the demo's WenQuanYi Zen Hei; null
// (said once) when neither is installed.
void* ExampleFont(MApp& app, int size);

// Draws `text` with its top-left corner at (x, y) in `colour`.
void DrawLabel(MApp& app, void* font, ExampleLabel* label, const char* text, float x, float y, DWORD colour);
void ReleaseLabel(MApp& app, ExampleLabel* label);

#endif
