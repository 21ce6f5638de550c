// Helpers shared by the suites: observing assertion reports, scratch folders
// and archive fixtures built with the engine's own writer.
#ifndef KESTO_TESTS_TESTSUPPORT_H
#define KESTO_TESTS_TESTSUPPORT_H

#include <KesImage.h>
#include <KesUtility.h>

#include <stdint.h>

#include <string>
#include <vector>

namespace kes::test {

struct AssertReport {
    std::wstring expr;
    std::wstring file;
    unsigned line;
};

// Records every assertion report made while it lives.
class AssertRecorder {
public:
    AssertRecorder();
    ~AssertRecorder();
    const std::vector<AssertReport>& Reports() const;
    // True when exactly one report was made, with this expression and source.
    bool SawOnly(const wchar_t* expr, const wchar_t* file) const;
    void Clear();

private:
    KesAssertHandler m_previous;
};

// A fresh folder under the system's temporary folder, made the current
// directory while the object lives, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& Path() const { return m_path; }
    // Writes `bytes` to `relative` (creating folders) and returns its full path.
    std::string Write(const std::string& relative, const std::string& bytes) const;

private:
    std::string m_path;
    std::string m_previousCwd;
};

// Deterministic pseudo-random bytes.
std::string Bytes(size_t n, unsigned seed);

std::string ReadWhole(const std::string& path);

// An image's pixels through Lock, rows from the top without the pitch's
// padding: 0xAARRGGBB words for 32-bit formats, the 16 bits of R5G6B5.
std::vector<uint32_t> ImagePixels(MImage* img);

// Pixels as read back against those expected, rows of `width`: a failure
// for each of the first few that differ, naming where.
void ExpectSamePixels(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want, int width,
                      const std::string& what);

// The render device the suites that run a game use: "software", or the one
// KESTO_RENDER_DEVICE names (CTest runs the application, text, sound and
// render suites again on "opengl").
std::string SuiteRenderDevice();

} // namespace kes::test

#endif
