// Windows-style name resolution: both slashes separate, case is ignored when
// no exact match exists.
//
// The case-insensitive fallback is on the hot path of every archive read: a
// data name is first tried as a loose file, and for the usual archived asset
// that try fails. Scanning the directory each time would cost more than the
// read itself, so listings are remembered and revalidated with one stat() of
// the directory. A listing is trusted only while the directory's change times
// are unchanged and were already in the past when the listing was taken: a
// later change then necessarily carries a newer time stamp, even on file
// systems whose clocks tick coarsely.
#include "PathResolve.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kes::posix {
namespace {

constexpr size_t kMaxPath = 4096;
constexpr size_t kMaxCachedDirs = 256;
// Longer than any file system's time stamp granularity (coarse kernel clocks
// tick every 1 to 10 ms).
constexpr long long kSettleNs = 50LL * 1000 * 1000;

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string Folded(const char* s, size_t n)
{
    std::string r(s, n);
    for (char& c : r) c = FoldAscii(c);
    return r;
}

long long Ns(const timespec& t)
{
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

struct Listing {
    dev_t dev = 0;
    ino_t ino = 0;
    long long mtime = 0;
    long long ctime = 0;
    std::unordered_set<std::string> exact;
    // folded name -> first real name with that folding, in directory order
    std::unordered_map<std::string, std::string> folded;

    // An exact match first, as Windows' own lookup would find it, else any
    // entry that differs only in the case of its letters.
    bool Find(const char* comp, size_t len, std::string& real) const
    {
        std::string key(comp, len);
        if (exact.count(key)) {
            real = std::move(key);
            return true;
        }
        auto hit = folded.find(Folded(comp, len));
        if (hit == folded.end()) return false;
        real = hit->second;
        return true;
    }
};

std::unordered_map<std::string, Listing>& Cache()
{
    static std::unordered_map<std::string, Listing> cache;
    return cache;
}

bool Fresh(const Listing& l, const struct stat& st)
{
    return l.dev == st.st_dev && l.ino == st.st_ino && l.mtime == Ns(st.st_mtim) &&
           l.ctime == Ns(st.st_ctim);
}

enum class Lookup { Found, Absent, NoDirectory };

// Finds `comp` in directory `dir`: an exact match first, else one that
// differs in letter case only.
Lookup FindInDirectory(const std::string& dir, const char* comp, size_t len, std::string& real)
{
    const std::string dirPath = dir.empty() ? "." : dir;
    struct stat st;
    if (stat(dirPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Lookup::NoDirectory;

    auto& cache = Cache();
    auto it = cache.find(dirPath);
    if (it != cache.end() && Fresh(it->second, st))
        return it->second.Find(comp, len, real) ? Lookup::Found : Lookup::Absent;

    DIR* d = opendir(dirPath.c_str());
    if (!d) return Lookup::NoDirectory;
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    Listing l;
    l.dev = st.st_dev;
    l.ino = st.st_ino;
    l.mtime = Ns(st.st_mtim);
    l.ctime = Ns(st.st_ctim);
    while (dirent* e = readdir(d)) {
        const size_t n = strlen(e->d_name);
        l.exact.emplace(e->d_name, n);
        l.folded.emplace(Folded(e->d_name, n), std::string(e->d_name, n));
    }
    closedir(d);
    const bool found = l.Find(comp, len, real);
    // A listing taken while the directory may still be changing within the
    // same time stamp is used once and not kept.
    if (Ns(now) - std::max(l.mtime, l.ctime) > kSettleNs) {
        if (cache.size() >= kMaxCachedDirs) cache.clear();
        cache.insert_or_assign(dirPath, std::move(l));
    }
    return found ? Lookup::Found : Lookup::Absent;
}

} // namespace

ResolveResult ResolveWindowsPath(const char* winName, std::string& out)
{
    const size_t len = strlen(winName);
    if (len == 0) return ResolveResult::FileNotFound;
    if (len >= kMaxPath) return ResolveResult::TooLong;

    std::string path(winName, len);
    std::replace(path.begin(), path.end(), '\\', '/');

    // Walk component by component through the directory listings: one stat()
    // per directory when its listing is remembered.
    std::string built;
    size_t pos = 0;
    if (path[0] == '/') {
        built = "/";
        pos = 1;
    }
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        const bool last = end == std::string::npos;
        if (last) end = path.size();
        const size_t n = end - pos;
        if (n == 0) { // repeated separator
            pos = end + 1;
            continue;
        }
        std::string real;
        if ((n == 1 && path[pos] == '.') || (n == 2 && path.compare(pos, 2, "..") == 0)) {
            real.assign(path, pos, n);
        } else {
            const Lookup found = FindInDirectory(built, path.c_str() + pos, n, real);
            if (found == Lookup::NoDirectory) return ResolveResult::PathNotFound;
            if (found == Lookup::Absent) return last ? ResolveResult::FileNotFound : ResolveResult::PathNotFound;
        }
        if (!built.empty() && built.back() != '/') built += '/';
        built += real;
        pos = end + 1;
    }
    if (built.empty()) return ResolveResult::FileNotFound;
    // Every component but the last was listed as a directory by the next
    // step; the last one is checked by whoever opens it.
    out = std::move(built);
    return ResolveResult::Found;
}

void ForgetDirectoryListings()
{
    Cache().clear();
}

} // namespace kes::posix
