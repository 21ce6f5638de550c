// MApp::OpenDataFile returns nothing, so the line in the log is the only
// way a game learns that an archive was not registered: each cause says
// why, naming the path as the game wrote it, once however often the game
// tries again.
#include "GameScript.h"
#include "LogCapture.h"
#include "TestSupport.h"
#include "WasEncoder.h"
#include "WdfWriter.h"

#include <KesDataFile.h>

#include <sys/stat.h>

#include <string>

namespace kes::test {
namespace {

class DataFileReport : public GameScript {
protected:
    ScratchDir m_dir;
};

// A small real archive of `files` entries, as the archive tool packs them.
std::string Archive(int files, DWORD magic = kes::wdf::kMagicPlain)
{
    kes::wdf::ArchiveWriter w(magic);
    for (int i = 0; i < files; ++i) w.AddNamed("x/" + std::to_string(i) + ".bin", Bytes(100 + size_t(i), unsigned(i)));
    const std::string path = "writer-scratch.wdf";
    std::string error;
    EXPECT_TRUE(w.Write(path, &error)) << error;
    const std::string bytes = ReadWhole(path);
    remove(path.c_str());
    return bytes;
}

// Registers `path` the way a game does, three frames in a row, and checks
// what MFile's own call answers.
void RegisterAsAGame(MApp* app, const std::string& path, int expect)
{
    for (int frame = 0; frame < 3; ++frame) {
        app->OpenDataFile(path.c_str());
        EXPECT_EQ(MFile::OpenDataFile(path.c_str()), expect) << path;
    }
}

TEST_F(DataFileReport, EveryArchiveThatCannotBeRegisteredSaysWhyOnce)
{
    kes::CloseAllDataFiles();
    const std::string good = Archive(2);
    kes::was::CodedSprite sprite;
    sprite.slots.push_back(kes::was::CodedFrame{0, 0, 1, 1, {std::string(1, '\0')}});
    m_dir.Write("sprite-named.wdf", kes::was::WriteSprite(sprite));
    m_dir.Write("notes.wdf", "These are the notes of the level designer.\n");
    m_dir.Write("cut-header.wdf", good.substr(0, 7));
    m_dir.Write("cut-index.wdf", good.substr(0, good.size() - 20));
    mkdir((m_dir.Path() + "/folder.wdf").c_str(), 0755);

    const struct {
        std::string path;
        std::string line;
    } cases[] = {
        {"absent.wdf", "OpenDataFile absent.wdf: no such file"},
        {"nofolder/absent.wdf", "OpenDataFile nofolder/absent.wdf: no such folder"},
        {"folder.wdf", "OpenDataFile folder.wdf: access denied"},
        {"notes.wdf", "OpenDataFile notes.wdf: not a WDF archive; the file looks like text"},
        {"sprite-named.wdf", "OpenDataFile sprite-named.wdf: not a WDF archive; the file looks like a WAS sprite"},
        {"cut-header.wdf", "OpenDataFile cut-header.wdf: damaged: the header is cut short at 7 of 12 bytes"},
        {"cut-index.wdf", "OpenDataFile cut-index.wdf: damaged index: 2 entries of 16 bytes at byte " +
                              std::to_string(good.size() - 32) + " pass the file's end at byte " +
                              std::to_string(good.size() - 20)},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        RegisterAsAGame(m_app, c.path, 0);
        EXPECT_EQ(log.Count(c.path), 1u) << log.All();
        EXPECT_EQ(log.Only(c.path), c.line) << log.All();
    }
    // Nothing was taken by the failures; a good archive still says nothing.
    EXPECT_EQ(kes::DataFileSlots()[0].hFile, INVALID_HANDLE_VALUE);
    m_dir.Write("good.wdf", good);
    log.Clear();
    RegisterAsAGame(m_app, "good.wdf", 1);
    EXPECT_EQ(log.Lines().size(), 0u) << log.All();
    kes::CloseAllDataFiles();
}

TEST_F(DataFileReport, TheSixtyFifthArchiveSaysTheTableIsFull)
{
    kes::CloseAllDataFiles();
    const std::string bytes = Archive(1);
    LogCapture log;
    for (int i = 0; i < kes::kDataFileSlots; ++i) {
        const std::string name = "slot" + std::to_string(i) + ".wdf";
        m_dir.Write(name, bytes);
        ASSERT_EQ(MFile::OpenDataFile(name.c_str()), 1);
    }
    m_dir.Write("one-too-many.wdf", bytes);
    RegisterAsAGame(m_app, "one-too-many.wdf", 0);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"OpenDataFile one-too-many.wdf: all 64 archive slots are taken"});
    kes::CloseAllDataFiles();
}

// Lookups bisect the index: an index out of order registers as it always
// has, and says which entry breaks the order, since files will go missing.
TEST_F(DataFileReport, AnIndexOutOfOrderRegistersAndSaysWhichEntryBreaksIt)
{
    kes::CloseAllDataFiles();
    std::string bytes = Archive(3);
    // The index is the last 48 bytes: swap its first two entries.
    const size_t index = bytes.size() - 48;
    const std::string first = bytes.substr(index, 16);
    bytes.replace(index, 16, bytes.substr(index + 16, 16));
    bytes.replace(index + 16, 16, first);
    m_dir.Write("unsorted.wdf", bytes);
    char id[9];
    snprintf(id, sizeof id, "%08X", unsigned(uint8_t(first[0]) | uint8_t(first[1]) << 8 | uint8_t(first[2]) << 16 |
                                               uint32_t(uint8_t(first[3])) << 24));
    LogCapture log;
    RegisterAsAGame(m_app, "unsorted.wdf", 1);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"OpenDataFile unsorted.wdf: damaged index: entry 1 (id " +
                                                    std::string(id) +
                                                    ") is not above the one before it; lookups may miss files"});
    kes::CloseAllDataFiles();
}

} // namespace
} // namespace kes::test
