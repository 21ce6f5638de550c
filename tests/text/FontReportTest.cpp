// A font that cannot be opened says why, once however often the game asks
// for it, naming the font and its file as the game wrote them; GetFont
// still answers null.
#include "LogCapture.h"
#include "TestSupport.h"
#include "TextFixture.h"

#include <string>

namespace kes::test {
namespace {

class FontReport : public TextTest {
protected:
    ScratchDir m_dir;
};

TEST_F(FontReport, AFontThatCannotOpenSaysWhyOnce)
{
    const std::string dejaVu = ReadWhole(kDejaVuSans);
    m_dir.Write("notes.ttf", "Fonts for the menus: DejaVu Sans at 16 pixels.\n");
    m_dir.Write("cut.ttf", dejaVu.substr(0, 2000));
    // The engine's own archive format, mistaken for a font.
    m_dir.Write("archive.ttf", std::string("PFDW\0\0\0\0\x0C\0\0\0", 12));

    const struct {
        const char* name;
        const char* path;
        int size;
        std::string line; // the whole line, or (ending in "...") its start
    } cases[] = {
        {"absent", "absent.ttf", 16, "GetFont absent from absent.ttf: no such file"},
        {"notes", "notes.ttf", 16, "GetFont notes from notes.ttf: not a font FreeType reads; the file looks like text"},
        {"archive", "archive.ttf", 16,
         "GetFont archive from archive.ttf: not a font FreeType reads; the file looks like a WDF archive"},
        {"cut", "cut.ttf", 16, "GetFont cut from cut.ttf: a damaged font: FreeType cannot open it (..."},
        {"sizeless", kDejaVuSans, 0, "GetFont sizeless: a size below 1 pixel"},
        {"pathless", nullptr, 16, "GetFont pathless: no font file named"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(m_app->GetFont(c.name, c.path, c.size, 0, 0), nullptr);
        // No name here is the start of another.
        const std::string said = log.Only(std::string("GetFont ") + c.name);
        EXPECT_EQ(log.Count(std::string("GetFont ") + c.name), 1u) << log.All();
        const std::string& expected = c.line;
        if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0)
            EXPECT_EQ(said.substr(0, expected.size() - 3), expected.substr(0, expected.size() - 3)) << said;
        else
            EXPECT_EQ(said, expected);
    }
    // The same font file under a good name opens, silently.
    log.Clear();
    EXPECT_NE(m_app->GetFont("good", kDejaVuSans, 16, 0, 0), nullptr);
    EXPECT_EQ(log.Lines().size(), 0u) << log.All();
}

} // namespace
} // namespace kes::test
