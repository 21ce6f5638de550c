#include "ExtractWriter.h"

#include "Progress.h"

#include <Cli.h>
#include <Numbers.h>
#include <Files.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

namespace kes::wdf {
namespace {

// Refusals listed before the rest are summed up in one line.
constexpr size_t kRefusalsShown = 10;

enum class Existing { None, Same, Differs };

// What lies at `path` compared with the entry's bytes. Anything but a
// regular file is left for the write to meet (a folder there is an error).
Existing Compare(const std::string& path, const ChainEntry& at)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Existing::None;
    if (uint64_t(st.st_size) != at.entry->size) return Existing::Differs;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return Existing::Differs;
    std::vector<char> mine;
    std::string error;
    const bool same = at.part->ReadEntry(
        *at.entry,
        [&](const char* bytes, size_t n) {
            mine.resize(n);
            return fread(mine.data(), 1, n, f) == n && memcmp(mine.data(), bytes, n) == 0;
        },
        &error);
    fclose(f);
    return same ? Existing::Same : Existing::Differs;
}

std::string Target(const std::string& folder, const Extraction& x)
{
    return (std::filesystem::path(folder) / x.relative).string();
}

std::string EntryName(const ChainEntry& at)
{
    return cli::HexId(at.entry->id) + " of " + at.part->Path();
}

// Before anything is written: which targets already hold their entry's
// bytes, and whether any that differ may be replaced.
bool CheckTargets(const std::vector<Extraction>& queue, const std::string& folder, bool force,
                  std::vector<bool>* unchanged)
{
    unchanged->assign(queue.size(), false);
    std::vector<std::string> refused;
    for (size_t i = 0; i < queue.size(); ++i) {
        const Extraction& x = queue[i];
        if (!x.at.part->Inside(*x.at.entry)) continue; // told when its turn comes
        const std::string target = Target(folder, x);
        const Existing existing = Compare(target, x.at);
        (*unchanged)[i] = existing == Existing::Same;
        if (existing == Existing::Differs && !force)
            refused.push_back(target + " exists and differs from entry " + EntryName(x.at));
    }
    for (size_t i = 0; i < refused.size() && i < kRefusalsShown; ++i) cli::Error(refused[i]);
    if (refused.size() > kRefusalsShown)
        cli::Error("... and " + cli::Count(refused.size() - kRefusalsShown, "more file", "more files"));
    if (!refused.empty()) cli::Error("nothing was extracted; give --force to replace files that differ");
    return refused.empty();
}

enum class Outcome { Written, Damaged, OutputFailed };

Outcome WriteOne(const Extraction& x, const std::string& target, bool force, cli::MadeFolders* folders,
                 std::string* error)
{
    if (const char* damage = x.at.part->Damage(*x.at.entry)) {
        *error = EntryName(x.at) + " (" + x.relative + ") not extracted: " + damage;
        return Outcome::Damaged;
    }
    if (!folders->Make(std::filesystem::path(target).parent_path().string(), error)) return Outcome::OutputFailed;
    cli::OutputFile out;
    if (!out.Open(target, force, error)) return Outcome::OutputFailed;
    bool outputFailed = false;
    const bool read = x.at.part->ReadEntry(
        *x.at.entry,
        [&](const char* bytes, size_t n) {
            outputFailed = !out.Write(bytes, n, error);
            return !outputFailed;
        },
        error);
    if (outputFailed) return Outcome::OutputFailed;
    if (!read) {
        *error = EntryName(x.at) + " (" + x.relative + ") not extracted: " + *error;
        return Outcome::Damaged;
    }
    return out.Finish(error) ? Outcome::Written : Outcome::OutputFailed;
}

} // namespace

bool WriteExtractions(const std::vector<Extraction>& queue, const std::string& folder, bool force,
                      ExtractCounts* counts)
{
    std::string error;
    std::vector<bool> unchanged;
    if (!CheckTargets(queue, folder, force, &unchanged)) {
        counts->failed = queue.size();
        return false;
    }
    // Folders made for files that could not be written go again.
    cli::MadeFolders folders;
    if (!folders.Make(folder, &error)) {
        cli::Error(error);
        counts->failed = queue.size();
        return false;
    }
    Progress progress("extracting", queue.size());
    for (size_t i = 0; i < queue.size(); ++i) {
        if (unchanged[i]) {
            ++counts->unchanged;
        } else {
            switch (WriteOne(queue[i], Target(folder, queue[i]), force, &folders, &error)) {
            case Outcome::Written: ++counts->written; break;
            case Outcome::Damaged:
                cli::Error(error);
                ++counts->failed;
                break;
            case Outcome::OutputFailed:
                // The same fault would meet every file after this one.
                cli::Error(error);
                counts->failed += queue.size() - i;
                return false;
            }
        }
        progress.Update(i + 1);
    }
    if (counts->failed == 0) folders.Keep();
    return counts->failed == 0;
}

} // namespace kes::wdf
