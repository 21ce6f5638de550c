#include "Assets.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace kes::demo {
namespace {

bool HasArchives(const fs::path& folder)
{
    std::error_code ec;
    return fs::is_regular_file(folder / "shape.wdf", ec);
}

// The archive chain's names: name.wdf, name.wd1 ... name.wd9, name.wda ... name.wde.
std::string ChainName(const char* base, int n)
{
    static const char kSuffix[] = "f123456789abcde";
    return std::string(base) + ".wd" + kSuffix[n];
}

bool LoadVolume(MApp& app, const char* name, int groups, int frames, MImageVolume** out, std::string* error)
{
    *out = app.LoadWas(name);
    if (!*out) {
        *error = std::string(name) + ": not found in the archives, or not a sprite";
        return false;
    }
    if ((*out)->m_groupCount != groups || (*out)->m_frameCount != frames) {
        *error = std::string(name) + ": " + std::to_string((*out)->m_groupCount) + " x " +
                 std::to_string((*out)->m_frameCount) + " frames, the demo draws " + std::to_string(groups) + " x " +
                 std::to_string(frames);
        return false;
    }
    for (int i = 0; i < groups * frames; ++i) {
        if (!(**out)[i]) {
            *error = std::string(name) + ": frame " + std::to_string(i) + " is missing";
            return false;
        }
    }
    return true;
}

bool LoadPicture(MImage* (MApp::*loader)(const char*), MApp& app, const char* name, MImage** out,
                 std::string* error)
{
    *out = (app.*loader)(name);
    if (!*out) *error = std::string(name) + ": not found in the archives, or not a picture";
    return *out != nullptr;
}

} // namespace

std::string FindDataFolder(const std::string& given)
{
    if (!given.empty()) return HasArchives(given) ? given : std::string();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return HasArchives("data") ? std::string("data") : std::string();
    for (const fs::path& p : {exe.parent_path() / "data", exe.parent_path()})
        if (HasArchives(p)) return p.string();
    return std::string();
}

bool OpenArchives(const std::string& folder, std::string* error)
{
    std::error_code ec;
    fs::current_path(folder, ec);
    if (ec) {
        *error = folder + ": " + ec.message();
        return false;
    }
    for (const char* base : {"shape", "scene", "ui", "sound"}) {
        for (int n = 0; n < 15; ++n) {
            const std::string name = ChainName(base, n);
            if (!fs::is_regular_file(name, ec)) continue;
            if (!MFile::OpenDataFile(name.c_str())) {
                *error = folder + "/" + name + ": not an archive the engine can read";
                return false;
            }
        }
    }
    return true;
}

bool LoadAssets(MApp& app, Assets* a, std::string* error)
{
    return LoadVolume(app, "shape/char/hero_walk.was", 8, 8, &a->heroWalk, error) &&
           LoadVolume(app, "shape/char/hero_stand.was", 8, 4, &a->heroStand, error) &&
           LoadVolume(app, "shape/item/gem.was", 1, 12, &a->gem, error) &&
           LoadVolume(app, "ui/digits.was", 1, 10, &a->digits, error) &&
           LoadPicture(&MApp::LoadJPEG, app, "scene/back.jpg", &a->background, error) &&
           LoadPicture(&MApp::LoadTGA, app, "ui/logo.tga", &a->logo, error);
}

void ReleaseAssets(MApp& app, Assets* a)
{
    for (MImageVolume** v : {&a->heroWalk, &a->heroStand, &a->gem, &a->digits}) {
        if (*v) app.CloseImageVolume(*v);
        *v = nullptr;
    }
    for (MImage** i : {&a->background, &a->logo, &a->title, &a->paragraph, &a->utf8Line}) {
        if (*i) app.CloseImage(*i);
        *i = nullptr;
    }
}

} // namespace kes::demo
