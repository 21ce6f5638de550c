// kesto-demo: a small game on the Kesto engine, built the way a game is
// built: the public headers, libkesto.so, and KesPlatform.h to choose the
// backends and to take screenshots.
#include "Assets.h"
#include "Caption.h"
#include "Game.h"
#include "Options.h"
#include "Script.h"
#include "Sounds.h"

#include <KesApp.h>
#include <KesPlatform.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using namespace kes::demo;

namespace {

// The engine calls plain functions; they find the game here.
Game* g_game = nullptr;

int OnFrame()
{
    if (g_game) g_game->Frame();
    return 1;
}

int OnInput(MInputEven*)
{
    if (g_game) g_game->Input();
    return 1;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kesto-demo: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    switch (ParseOptions(argc, argv, &options)) {
    case ParseResult::Help: return 0;
    case ParseResult::Error: return 2;
    case ParseResult::Run: break;
    }

    const std::string data = FindDataFolder(options.data);
    if (data.empty())
        return Fail(options.data.empty() ? "no data folder with shape.wdf beside the program; give one with --data"
                                         : options.data + ": no shape.wdf there");

    if (!options.video.empty()) KesPlatformSetVideoDriver(options.video.c_str());
    if (!options.device.empty()) KesPlatformSetRenderDevice(options.device.c_str());
    // Nobody to play: walk the script and keep pictures of it.
    if (!KesPlatformHasDisplay() && options.frames == 0) {
        options.frames = kDefaultFrames;
        if (options.shots.empty()) options.shots = "kesto-demo-shots";
    }
    std::unique_ptr<Script> script;
    std::string folder; // of the screenshots
    if (options.frames > 0) {
        if (!options.shots.empty()) {
            std::error_code ec;
            // Absolute now: opening the archives changes the current directory.
            folder = fs::absolute(options.shots, ec).lexically_normal().string();
            if (!ec) fs::create_directories(folder, ec);
            if (ec) return Fail(options.shots + ": " + ec.message());
        }
        script = std::make_unique<Script>(options.frames, options.shotCount, folder);
    }

    MApp app;
    app.SetWinTitle("Kesto demo");
    app.SetWindowSize(800, 600);
    app.SetWindowMode(options.fullscreen ? 0 : 1);
    app.SetUpdateFrameFunc(OnFrame);
    app.SetInputEvenFunc(OnInput);
    if (!app.Init()) return Fail("the window or the render device could not be made (the reason is above)");

    std::string error;
    Assets assets;
    if (!OpenArchives(data, &error) || !LoadAssets(app, &assets, &error)) {
        ReleaseAssets(app, &assets);
        app.Shutdown();
        return Fail(error);
    }
    LoadCaption(app, &assets);
    StartSounds(app, options.mute);
    const char* driver = KesPlatformVideoDriver();
    std::printf("kesto-demo: data from %s, video driver %s", data.c_str(), driver ? driver : "unknown");
    if (script) std::printf(", a scripted run of %d frames", script->Frames());
    std::printf("\n");
    std::fflush(stdout);

    Game game(app, assets, options, script.get());
    g_game = &game;
    app.Run();
    g_game = nullptr;

    ReleaseAssets(app, &assets);
    app.Shutdown();

    if (script && game.ShotsFailed()) return Fail(std::to_string(game.ShotsFailed()) + " screenshots failed");
    if (script && game.ShotsWritten())
        std::printf("kesto-demo: %d screenshot%s in %s\n", game.ShotsWritten(), game.ShotsWritten() == 1 ? "" : "s",
                    folder.c_str());
    return 0;
}
