// kesto-view: a window into a game's data, drawn by the engine itself
// through its public headers and libkesto.so, or contact sheets of it
// written as PNG files without a display.
#include "DataSet.h"
#include "EngineLog.h"
#include "EntryOrder.h"
#include "Loader.h"
#include "Options.h"
#include "Sheet.h"
#include "Viewer.h"

#include <Cli.h>
#include <KesApp.h>
#include <KesPlatform.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using namespace kes::view;

namespace {

void* OpenFont(MApp& app, const Options& options, int size, const char* key)
{
    if (!options.font.empty()) return app.GetFont(key, options.font.c_str(), size, 0, 0);
    for (const char* const* f = kDefaultFonts; *f; ++f) {
        std::error_code ec;
        if (fs::exists(*f, ec)) return app.GetFont(key, *f, size, 0, 0);
    }
    return nullptr;
}

int RunList(DataSet& data)
{
    for (size_t i : OrderEntries(data, Column::Name, false)) {
        const Entry& e = data.Entries()[i];
        std::printf("%s\t%llu\t%s\t%s\n", EntryLabel(e).c_str(), static_cast<unsigned long long>(e.size),
                    data.PartName(e).c_str(), KindName(data.Kind(i)));
    }
    return std::fflush(stdout) == 0 ? kes::cli::kExitOk : kes::cli::kExitFailure;
}

int RunSheet(const Options& options, DataSet& data, EngineLog& log)
{
    // Nothing is shown: the window only carries the device the textures live on.
    KesPlatformSetVideoDriver(options.video.empty() ? "offscreen" : options.video.c_str());
    KesPlatformSetRenderDevice(options.device.empty() ? "software" : options.device.c_str());
    KesPlatformSetAudioDriver("dummy");
    MApp app;
    app.SetWindowSize(64, 64);
    if (!app.Init()) {
        kes::cli::Error("the engine could not start: " + log.FirstSinceMark());
        return kes::cli::kExitFailure;
    }
    std::string error;
    const std::string& out = options.sheet;
    int status = kes::cli::kExitOk;
    if (!data.Register(&error)) {
        kes::cli::Error(error);
        status = kes::cli::kExitFailure;
    } else {
        Loader loader(app, data, log);
        void* font = OpenFont(app, options, 12, "kesto-view-sheet");
        if (!font) kes::cli::Warning("no font for the labels (give one with --font): the sheet has none");
        SheetResult result;
        bool ok;
        if (options.sheetEntry.empty()) {
            ok = WriteContactSheet(loader, font, options.columns, out, &result, &error);
        } else {
            const int entry = data.Find(options.sheetEntry);
            ok = entry >= 0;
            if (!ok) error = options.sheetEntry + ": no such entry in " + options.data[0];
            else ok = WriteSpriteSheet(loader, font, size_t(entry), out, &result, &error);
        }
        if (!ok) {
            kes::cli::Error(error);
            status = kes::cli::kExitFailure;
        } else {
            kes::cli::Note("wrote " + out + ": " + kes::cli::Count(unsigned(result.placed), "picture", "pictures") +
                           (result.failed ? ", " + kes::cli::Count(unsigned(result.failed), "entry", "entries") +
                                                " that could not be decoded"
                                          : std::string()));
            if (result.failed) status = kes::cli::kExitFailure;
        }
    }
    app.Shutdown();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    switch (ParseOptions(argc, argv, &options)) {
    case ParseResult::Done: return kes::cli::kExitOk;
    case ParseResult::Error: return kes::cli::kExitUsage;
    case ParseResult::Run: break;
    }
    // The current folder becomes the loose files' once the data is
    // registered: the files named on the command line are taken from where
    // the viewer was started.
    for (std::string* path : {&options.script, &options.state, &options.screenshot, &options.sheet, &options.font})
        if (!path->empty()) *path = fs::absolute(*path).string();
    DataSet data;
    std::vector<std::string> problems;
    const bool opened = data.Open(options.data, options.names, &problems);
    for (const std::string& p : problems) kes::cli::Warning(p);
    if (!opened) {
        kes::cli::Error("nothing to view: no archive or folder could be opened");
        return kes::cli::kExitFailure;
    }
    if (options.list) return RunList(data);
    EngineLog log(!options.sheet.empty());
    if (!options.sheet.empty()) return RunSheet(options, data, log);
    return RunViewer(options, data, log);
}
