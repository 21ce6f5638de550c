#include "WdfToolSupport.h"

#include <KesFile.h>
#include <TestSupport.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kes::test {

ToolResult RunTool(const std::vector<std::string>& args)
{
    return RunProgram(KESTO_WDF_TOOL, args);
}

const FileSet& SampleFiles()
{
    static const FileSet files = {
        {"char/0001.was", Bytes(20000, 1)},
        {"char/0002.was", Bytes(1, 2)},
        {"char/0003.was", Bytes(25000, 3)},
        {"Map/Town/1001.map", Bytes(40000, 4)},
        {"empty.dat", ""},
        {"music/theme.mp3", Bytes(30000, 6)},
        {"readme.txt", "text"},
        {"with space.txt", Bytes(10, 8)},
        {"\xC4\xE3\xBA\xC3/\xCE\xC4\xBC\xFE.txt", Bytes(300, 9)},
        {"ui/Button.TGA", Bytes(777, 10)},
        {"ui/deep/er/still/file.bin", Bytes(4096, 11)},
        {"z.was", "zzz"},
    };
    return files;
}

void WriteFiles(const std::string& folder, const FileSet& files)
{
    for (const auto& [relative, bytes] : files) {
        const fs::path full = fs::path(folder) / relative;
        fs::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
}

FileSet ReadFiles(const std::string& folder)
{
    FileSet files;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file())
            files.emplace_back(e.path().lexically_relative(folder).generic_string(),
                               ReadWhole(e.path().string()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ListTree(const std::string& folder)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder))
        names.push_back(e.path().lexically_relative(folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Hex(DWORD id)
{
    char buf[16];
    snprintf(buf, sizeof buf, "0x%08x", id);
    return buf;
}

DWORD IdOf(const std::string& relative)
{
    return MFile::Fnameid(("shape/" + relative).c_str());
}

std::vector<std::string> ChainParts(const std::string& first)
{
    std::vector<std::string> parts;
    for (int n = 0; n < wdf::kChainLength; ++n) {
        char suffix[5];
        wdf::ChainSuffix(n, suffix);
        const std::string name = first.substr(0, first.size() - 4) + suffix;
        if (fs::exists(name)) parts.push_back(name);
    }
    return parts;
}

ArchiveImage ArchiveImage::Load(const std::string& path)
{
    ArchiveImage image;
    image.bytes = ReadWhole(path);
    return image;
}

void ArchiveImage::Save(const std::string& path) const
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

DWORD ArchiveImage::Word(size_t pos) const
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + pos;
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

void ArchiveImage::SetWord(size_t pos, DWORD v)
{
    for (int i = 0; i < 4; ++i) bytes[pos + i] = char(v >> (8 * i));
}

std::vector<wdf::IndexEntry> ArchiveImage::Entries() const
{
    std::string index = bytes.substr(IndexOffset(), size_t(Count()) * wdf::kEntrySize);
    if (wdf::IsScrambled(Magic()))
        wdf::ScrambleIndex(reinterpret_cast<unsigned char*>(index.data()), index.size());
    std::vector<wdf::IndexEntry> entries(Count());
    for (size_t i = 0; i < entries.size(); ++i) {
        ArchiveImage e{index.substr(i * wdf::kEntrySize, wdf::kEntrySize)};
        entries[i] = wdf::IndexEntry{e.Word(0), e.Word(4), e.Word(8), e.Word(12)};
    }
    return entries;
}

void ArchiveImage::SetEntries(const std::vector<wdf::IndexEntry>& entries)
{
    ArchiveImage index{std::string(entries.size() * wdf::kEntrySize, '\0')};
    for (size_t i = 0; i < entries.size(); ++i) {
        index.SetWord(i * 16, entries[i].id);
        index.SetWord(i * 16 + 4, entries[i].offset);
        index.SetWord(i * 16 + 8, entries[i].size);
        index.SetWord(i * 16 + 12, entries[i].reserved);
    }
    if (wdf::IsScrambled(Magic()))
        wdf::ScrambleIndex(reinterpret_cast<unsigned char*>(index.bytes.data()), index.bytes.size());
    bytes.replace(IndexOffset(), index.bytes.size(), index.bytes);
}

} // namespace kes::test
