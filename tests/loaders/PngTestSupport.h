// The PNG suites' fixture: an application with its device, a scratch folder,
// and pictures compared with libpng's decode of the same bytes.
#ifndef KESTO_TESTS_PNGTESTSUPPORT_H
#define KESTO_TESTS_PNGTESTSUPPORT_H

#include "RenderFixture.h"
#include "TestSupport.h"

#include <string>
#include <vector>

namespace kes::test {

class PngTest : public RenderTest {
protected:
    // An A8R8G8B8 image with key point 0, 0 holding libpng's decode of `bytes`.
    void ExpectPicture(MImage* img, const std::string& bytes, const std::string& what);

    // Writes and loads `name`, compares with libpng's decode of `reference`
    // (of `bytes` when empty), checks the cache entry, gives it back.
    void LoadAndCompare(const std::string& name, const std::string& bytes, const std::string& what,
                        const std::string& reference = std::string());

    // Writes and loads `name`: no picture and nothing cached.
    void ExpectRefused(const std::string& name, const std::string& bytes, const std::string& what);

    // A name not used before in this test, ending in `suffix`: the engine
    // says each cause once per name, and rewriting one file again and again
    // is slow.
    std::string Fresh(const std::string& suffix) { return "p" + std::to_string(++m_files) + suffix; }

    bool Cached(const std::string& name) { return m_app->FindImageCache(WString2ID(name.c_str())) != nullptr; }

    ScratchDir m_dir;
    int m_files = 0;
};

} // namespace kes::test

#endif
