#include "TestSupport.h"

#include <KesDataFile.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kes::test {
namespace {

std::vector<AssertReport> g_reports;

void Record(const wchar_t* expr, const wchar_t* file, unsigned line)
{
    g_reports.push_back(AssertReport{expr, file, line});
}

} // namespace

AssertRecorder::AssertRecorder() : m_previous(KesSetAssertHandler(Record))
{
    g_reports.clear();
}

AssertRecorder::~AssertRecorder()
{
    KesSetAssertHandler(m_previous);
    g_reports.clear();
}

const std::vector<AssertReport>& AssertRecorder::Reports() const
{
    return g_reports;
}

bool AssertRecorder::SawOnly(const wchar_t* expr, const wchar_t* file) const
{
    return g_reports.size() == 1 && g_reports[0].expr == expr && g_reports[0].file == file;
}

void AssertRecorder::Clear()
{
    g_reports.clear();
}

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kesto-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a scratch folder";
    m_path = pattern;
    m_previousCwd = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
    // Archives registered by an earlier test of this process must not leak in.
    CloseAllDataFiles();
}

ScratchDir::~ScratchDir()
{
    CloseAllDataFiles();
    std::filesystem::current_path(m_previousCwd);
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ScratchDir::Write(const std::string& relative, const std::string& bytes) const
{
    const std::filesystem::path full = std::filesystem::path(m_path) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return full.string();
}

std::string Bytes(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = char(x >> 7);
    }
    return s;
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<uint32_t> ImagePixels(MImage* img)
{
    std::vector<uint32_t> out;
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img->Lock(&bits, &pitch)) {
        ADD_FAILURE() << "cannot lock the image";
        return out;
    }
    out.reserve(size_t(img->m_width) * size_t(img->m_height));
    for (int y = 0; y < img->m_height; ++y) {
        const unsigned char* row = bits + ptrdiff_t(y) * pitch;
        for (int x = 0; x < img->m_width; ++x) {
            uint32_t v = 0;
            if (img->m_format == KES_FMT_R5G6B5)
                v = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8;
            else
                memcpy(&v, row + 4 * x, 4);
            out.push_back(v);
        }
    }
    img->Unlock();
    return out;
}

std::string SuiteRenderDevice()
{
    const char* asked = getenv("KESTO_RENDER_DEVICE");
    return asked && *asked ? asked : "software";
}

void ExpectSamePixels(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want, int width,
                      const std::string& what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    int reported = 0;
    for (size_t i = 0; i < got.size() && reported < 4; ++i) {
        if (got[i] == want[i]) continue;
        ADD_FAILURE() << what << ": pixel (" << i % size_t(width) << ", " << i / size_t(width) << ") is " << std::hex
                      << got[i] << ", expected " << want[i];
        ++reported;
    }
}

} // namespace kes::test
