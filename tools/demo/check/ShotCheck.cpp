// kesto-demo-shotcheck --background <back.jpg> <shot.png>...
//
// Judges the screenshots of a scripted demo run against what the demo must
// have drawn:
//   - each is a picture of the background's size with many colours (a blank,
//     a flat fill or a window that never presented fails here);
//   - a good part of each matches the background JPEG as libjpeg-turbo
//     decodes it, pixel for pixel, and a good part does not (the panels, the
//     hero and the rest are drawn over it);
//   - it matches clearly better as it is than moved by a pixel or two, or
//     with red and blue exchanged: the engine placed the picture at the
//     origin and kept its colour channels in order (a smooth picture matches
//     itself moved a little quite well, so only the comparison tells);
//   - each differs from the one before (the scene moves from frame to frame).
// Exit status 0 when all hold, 1 otherwise, 2 for a wrong command line.
#include "Png.h"

#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using kes::was::tool::PngPicture;

namespace {

// The engine keeps JPEG pictures as 5-6-5 colour and decodes them itself
// (its rounding and chroma upsampling differ a little from libjpeg-turbo's).
constexpr int kTolerance = 10;
constexpr double kLeastBackground = 0.25; // of the pixels
constexpr double kLeastDrawnOver = 0.10;
constexpr double kLeastMargin = 0.04;     // over the best of the wrong placements
constexpr double kLeastChange = 0.002;    // between one shot and the next
constexpr size_t kLeastColours = 1000;

bool ReadJpeg(const std::string& path, PngPicture* out, std::string* error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = path + ": cannot open";
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);

    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, space = 0;
    bool ok = tj && tjDecompressHeader3(tj, bytes.data(), (unsigned long)bytes.size(), &w, &h, &sub, &space) == 0;
    std::vector<unsigned char> rgb;
    if (ok) {
        rgb.resize(size_t(w) * size_t(h) * 3);
        ok = tjDecompress2(tj, bytes.data(), (unsigned long)bytes.size(), rgb.data(), w, 0, h, TJPF_RGB, 0) == 0;
    }
    if (!ok) *error = path + ": libjpeg-turbo cannot decode it" + (tj ? std::string(": ") + tjGetErrorStr2(tj) : "");
    if (tj) tjDestroy(tj);
    if (!ok) return false;
    out->width = w;
    out->height = h;
    out->argb.resize(size_t(w) * size_t(h));
    for (size_t i = 0; i < out->argb.size(); ++i)
        out->argb[i] = 0xFF000000u | uint32_t(rgb[i * 3]) << 16 | uint32_t(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
    return true;
}

bool Near(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = int(a >> shift & 0xFF) - int(b >> shift & 0xFF);
        if (d > kTolerance || d < -kTolerance) return false;
    }
    return true;
}

uint32_t SwapRedBlue(uint32_t c)
{
    return (c & 0xFF00FF00u) | (c >> 16 & 0xFF) | (c & 0xFF) << 16;
}

// The share of the shot's pixels that match the background drawn at (dx, dy),
// with red and blue exchanged when `swap`; pixels with no background there
// count as not matching.
double Matched(const PngPicture& shot, const PngPicture& back, int dx, int dy, bool swap)
{
    size_t n = 0;
    for (int y = 0; y < shot.height; ++y) {
        const int by = y - dy;
        if (by < 0 || by >= back.height) continue;
        for (int x = 0; x < shot.width; ++x) {
            const int bx = x - dx;
            if (bx < 0 || bx >= back.width) continue;
            const uint32_t b = back.argb[size_t(by) * size_t(back.width) + size_t(bx)];
            n += Near(shot.argb[size_t(y) * size_t(shot.width) + size_t(x)], swap ? SwapRedBlue(b) : b);
        }
    }
    return double(n) / (double(shot.width) * double(shot.height));
}

} // namespace

int main(int argc, char** argv)
{
    std::string background;
    std::vector<std::string> shots;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--background") && i + 1 < argc)
            background = argv[++i];
        else
            shots.push_back(argv[i]);
    }
    if (background.empty() || shots.empty()) {
        std::fprintf(stderr, "Usage: kesto-demo-shotcheck --background <back.jpg> <shot.png>...\n");
        return 2;
    }

    std::string error;
    PngPicture back;
    if (!ReadJpeg(background, &back, &error)) {
        std::fprintf(stderr, "kesto-demo-shotcheck: %s\n", error.c_str());
        return 1;
    }
    const double pixels = double(back.argb.size());
    int failures = 0;
    auto fail = [&failures](const std::string& shot, const std::string& why) {
        std::fprintf(stderr, "kesto-demo-shotcheck: %s: %s\n", shot.c_str(), why.c_str());
        ++failures;
    };

    PngPicture previous;
    for (const std::string& path : shots) {
        PngPicture shot;
        if (!kes::was::tool::ReadPng(path, 8192, &shot, &error)) {
            fail(path, error);
            continue;
        }
        if (shot.width != back.width || shot.height != back.height) {
            fail(path, std::to_string(shot.width) + "x" + std::to_string(shot.height) + ", the window is " +
                           std::to_string(back.width) + "x" + std::to_string(back.height));
            continue;
        }
        std::set<uint32_t> colours(shot.argb.begin(), shot.argb.end());
        const double matched = Matched(shot, back, 0, 0, false);
        double rival = Matched(shot, back, 0, 0, true);
        std::string rivalName = "red and blue exchanged";
        for (int d : {-2, -1, 1, 2}) {
            for (int axis = 0; axis < 2; ++axis) {
                const double m = Matched(shot, back, axis ? 0 : d, axis ? d : 0, false);
                if (m <= rival) continue;
                rival = m;
                rivalName = std::string("moved ") + std::to_string(d) + (axis ? " in y" : " in x");
            }
        }
        std::printf("%s: %zu colours, %.1f%% of the pixels are the background's (%.1f%% %s)", path.c_str(),
                    colours.size(), 100 * matched, 100 * rival, rivalName.c_str());
        if (colours.size() < kLeastColours)
            fail(path, "only " + std::to_string(colours.size()) + " colours: the scene was not drawn");
        if (matched < kLeastBackground) fail(path, "too little of the background is where it belongs");
        if (1 - matched < kLeastDrawnOver) fail(path, "nothing much is drawn over the background");
        if (matched - rival < kLeastMargin)
            fail(path, "the background matches about as well " + rivalName + ": misplaced or its colours mixed up");
        if (!previous.argb.empty()) {
            size_t changed = 0;
            for (size_t i = 0; i < shot.argb.size(); ++i) changed += shot.argb[i] != previous.argb[i];
            std::printf(", %.2f%% changed since the shot before", 100 * double(changed) / pixels);
            if (double(changed) / pixels < kLeastChange) fail(path, "the same picture as the shot before");
        }
        std::printf("\n");
        previous = std::move(shot);
    }
    return failures ? 1 : 0;
}
