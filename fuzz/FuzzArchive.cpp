// Properties: registering any files as an archive chain never faults; a file
// found in the chain (or loose) is read back as exactly the bytes it names,
// which lie inside its archive; a stream's reads, seeks, skips and end test
// keep to the positions the stream reports, whatever the order of calls.
//
// Input: a part count, then for each part its chain position (fz.wdf,
// fz.wd1 ... fz.wde), a 16-bit length and its bytes; every part is written
// and registered. The rest is a program of loads and stream calls.
#include <KesDataFile.h>
#include <KesFile.h>

#include "FuzzSupport.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Names of the chain "fz", in both slash styles and cases (the same ids),
// one without a file part, the first archive as a loose file, and a name
// whose chain is never registered.
const char* const kNames[] = {"fz/a.was", "fz/b.was", "fz/c/d.tga", "FZ\\C\\D.TGA", "fz/", "fz.wdf", "xx/a.was"};

struct Part {
    std::string file;
    std::vector<uint8_t> bytes;
};

// The input, read front to back; zeros once it runs out.
struct Reader {
    const uint8_t* p;
    size_t left;

    uint32_t Byte()
    {
        if (!left) return 0;
        --left;
        return *p++;
    }
    uint32_t U16()
    {
        const uint32_t low = Byte();
        return low | Byte() << 8;
    }
    uint32_t U32()
    {
        const uint32_t low = U16();
        return low | U16() << 16;
    }
};

void Require(bool ok, const char* what)
{
    if (ok) return;
    fprintf(stderr, "archive property broken: %s\n", what);
    abort();
}

// Whether `data` is `size` bytes of `part` from `offset` on.
bool PartHolds(const Part& part, DWORD offset, const void* data, size_t size)
{
    if (size == 0) return true;
    return uint64_t(offset) + size <= part.bytes.size() && memcmp(part.bytes.data() + offset, data, size) == 0;
}

class Session {
public:
    explicit Session(Reader& in) : m_in(in) {}

    ~Session()
    {
        m_stream.Close();
        kes::CloseAllDataFiles();
        for (const Part& p : m_parts) remove(p.file.c_str());
    }

    void WriteAndRegister()
    {
        const int count = 1 + int(m_in.Byte() % 4);
        for (int i = 0; i < count; ++i) {
            char suffix[5];
            kes::wdf::ChainSuffix(int(m_in.Byte() % kes::wdf::kChainLength), suffix);
            const size_t length = m_in.U16() % (m_in.left + 1);
            const std::string file = std::string("fz") + suffix;
            const Part* already = Written(file.c_str());
            const std::vector<uint8_t> bytes(m_in.p, m_in.p + length);
            m_in.p += length;
            m_in.left -= length;
            if (already) continue; // a registered file must not change under its handle
            kes::fuzz::WriteInput(file.c_str(), bytes.data(), bytes.size());
            m_parts.push_back(Part{file, bytes});
            if (MFile::OpenDataFile(file.c_str())) m_registered.push_back(m_parts.size() - 1);
        }
    }

    void Run()
    {
        using namespace kes::fuzz;
        while (m_in.left) {
            const uint32_t op = m_in.Byte() % ARCHIVE_OPS;
            if (op > LOAD_ID && !m_view) continue; // the stream calls need a stream
            switch (op) {
            case OPEN: Open(); break;
            case LOAD: LoadByName(); break;
            case LOAD_ID: LoadById(); break;
            case CLOSE:
                m_stream.Close();
                m_view = nullptr;
                break;
            case READ_AT: ReadAt(); break;
            case READ_ON: ReadOn(true); break;
            case READ_ON_UNCLIPPED: ReadOn(false); break;
            case SEEK: Seek(); break;
            case SKIP: Skip(); break;
            default: EndTest(); break;
            }
        }
    }

private:
    const Part* Written(const char* file) const
    {
        for (const Part& p : m_parts)
            if (p.file == file) return &p;
        return nullptr;
    }

    // The part of a registered archive's handle.
    const Part* PartOfHandle(HANDLE h) const
    {
        for (size_t slot = 0; slot < m_registered.size(); ++slot)
            if (kes::DataFileSlots()[slot].hFile == h) return &m_parts[m_registered[slot]];
        return nullptr;
    }

    void Open()
    {
        const char* name = kNames[m_in.Byte() % (sizeof kNames / sizeof kNames[0])];
        m_view = nullptr;
        if (!m_stream.Open(name)) {
            Require(m_stream.m_File == INVALID_HANDLE_VALUE, "a failed Open leaves a stream");
            return;
        }
        // An archive's entry never starts at 0 (the header is there), so 0 is a loose file.
        m_view = m_stream.m_Offset == 0 ? Written(name) : PartOfHandle(m_stream.m_File);
        Require(m_view != nullptr, "a stream over a file that was never written");
        Require(uint64_t(m_stream.m_Offset) + m_stream.m_Size <= m_view->bytes.size(),
                "a stream reaches past its archive");
        Require(m_stream.Tell() == 0, "a new stream does not start at 0");
    }

    void CheckLoaded(const char* name)
    {
        // A loose file is the file itself; an archive entry lies in one of the parts.
        if (m_load.m_Offset == 0) {
            const Part* p = Written(name);
            Require(p && p->bytes.size() == m_load.m_Size && PartHolds(*p, 0, m_load.m_Data, m_load.m_Size),
                    "a loose file loads other bytes");
        } else {
            bool found = false;
            for (size_t i : m_registered)
                found = found || PartHolds(m_parts[i], m_load.m_Offset, m_load.m_Data, m_load.m_Size);
            Require(found, "a load gives bytes that no archive holds there");
        }
        Require(m_load.m_Data[m_load.m_Size] == 0, "a load lacks its closing zero");
    }

    void LoadByName()
    {
        const char* name = kNames[m_in.Byte() % (sizeof kNames / sizeof kNames[0])];
        if (m_load.Load(name)) CheckLoaded(name);
    }

    // Every id the archives index can be loaded, whatever its name.
    void LoadById()
    {
        if (m_registered.empty()) return;
        const kes::DataFileSlot& slot = kes::DataFileSlots()[m_in.Byte() % m_registered.size()];
        if (slot.count == 0) return;
        if (m_load.Load("fz/x", slot.pIndex[m_in.U16() % slot.count].id)) CheckLoaded("fz/x");
    }

    // The stream's position in its archive (or loose file). Tell is relative
    // to the file and wraps below its start; no position here reaches 4 GB.
    uint64_t Position() const { return DWORD(m_stream.m_Offset + m_stream.Tell()); }

    void ReadAt()
    {
        const DWORD size = m_in.U16(), pos = m_in.U32();
        std::unique_ptr<uint8_t[]> buf(new uint8_t[size]);
        DWORD got = 12345;
        const int ok = m_stream.Read(buf.get(), size, pos, &got);
        const DWORD left = pos < m_stream.m_Size ? m_stream.m_Size - pos : 0;
        const DWORD expected = size < left ? size : left;
        Require(ok == (expected > 0) && got == expected, "a positioned read stops elsewhere than the file's end");
        Require(PartHolds(*m_view, m_stream.m_Offset + pos, buf.get(), got), "a positioned read gives other bytes");
    }

    // At the current position: with `got`, up to the file's end; without,
    // as far as the archive goes.
    void ReadOn(bool clipped)
    {
        const DWORD size = m_in.U16();
        const uint64_t from = Position();
        const uint64_t end = clipped ? uint64_t(m_stream.m_Offset) + m_stream.m_Size : m_view->bytes.size();
        const uint64_t expected = from < end ? (size < end - from ? size : end - from) : 0;
        std::unique_ptr<uint8_t[]> buf(new uint8_t[size]);
        DWORD got = 12345;
        Require(m_stream.Read(buf.get(), size, clipped ? &got : nullptr) == 1, "a read at the position fails");
        Require(!clipped || got == expected, "a read at the position stops elsewhere than the file's end");
        Require(PartHolds(*m_view, DWORD(from), buf.get(), size_t(expected)),
                "a read at the position gives other bytes");
        Require(Position() == from + expected, "a read moves the position by other than what it read");
    }

    // Seek and Skip as Windows moves a file pointer: never before the start
    // of the archive (the pointer stays then).
    void MoveTo(int64_t target, uint64_t from)
    {
        Require(Position() == (target >= 0 ? uint64_t(target) : from), "the position is not where it was moved");
    }

    void Seek()
    {
        const DWORD pos = m_in.U32();
        const uint64_t from = Position();
        m_stream.Seek(pos);
        MoveTo(int32_t(m_stream.m_Offset + pos), from);
    }

    void Skip()
    {
        const int n = int16_t(m_in.U16());
        const uint64_t from = Position();
        m_stream.Skip(n);
        MoveTo(int64_t(from) + n, from);
    }

    void EndTest()
    {
        const uint64_t at = Position();
        const uint64_t end = uint64_t(m_stream.m_Offset) + m_stream.m_Size;
        if (at >= m_stream.m_Offset) Require(m_stream.IsEnd() == (at >= end ? 1 : 0), "IsEnd disagrees with Tell");
    }

    Reader& m_in;
    std::vector<Part> m_parts;
    std::vector<size_t> m_registered; // parts in slot order
    MFile m_stream;
    MFile m_load;
    const Part* m_view = nullptr; // the bytes under the open stream; null when none is open
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kes::CloseAllDataFiles();
    Reader in{data, size};
    Session session(in);
    session.WriteAndRegister();
    session.Run();
    return 0;
}
