#include "Viewer.h"

#include "Input.h"
#include "ListPanel.h"
#include "Loader.h"
#include "PictureView.h"
#include "Script.h"
#include "SoundView.h"
#include "SpriteView.h"
#include "TextView.h"
#include "Ui.h"

#include <Cli.h>
#include <KesApp.h>
#include <KesPlatform.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace kes::view {
namespace {

constexpr int kWidth = 1024, kHeight = 700;
constexpr int kDefaultFrames = 120; // a run without a display
constexpr double kScriptStep = 1.0 / 60;

const Rect kTopBar{8, 6, kWidth - 16, 24};
const Rect kListRect{8, 36, 440, kHeight - 36 - 34};
const Rect kStage{456, 36, kWidth - 456 - 8, 430};
const Rect kControls{456, 36 + 430 + 6, kWidth - 456 - 8, kHeight - 36 - 430 - 6 - 34};
const Rect kStatus{8, kHeight - 30, kWidth - 16, 24};

class Viewer {
public:
    Viewer(MApp& app, const Options& options, DataSet& data, EngineLog& log, void* font, const std::string& startFolder)
        : m_app(app), m_options(options), m_data(data), m_loader(app, data, log), m_ui(app, font), m_thumbs(m_loader),
          m_list(data, m_thumbs),
          m_startFolder(startFolder), m_exportFolder(startFolder + "/kesto-view-export")
    {
        if (!options.screenshot.empty()) m_screenshot = options.screenshot;
    }

    bool Start(std::string* error)
    {
        if (!m_options.script.empty() && !m_script.Load(m_options.script, error)) return false;
        m_frames = m_options.frames;
        if (m_frames == 0 && !KesPlatformHasDisplay()) m_frames = kDefaultFrames;
        if (!m_options.select.empty()) {
            const int i = m_data.Find(m_options.select);
            if (i < 0 || !m_list.Select(size_t(i))) {
                *error = m_options.select + ": no such entry";
                return false;
            }
            m_focusView = true;
        }
        return true;
    }

    void TakeInput(const MInputEven& e) { m_input.Take(e); }

    void Frame()
    {
        ++m_frame;
        // The frame that ended the run has been shown: its picture is taken
        // now, while the window still exists.
        if (m_quit) {
            Finish();
            return;
        }
        if (!m_options.script.empty()) {
            Script::Result r;
            r.window = m_app.GetHWnd();
            m_script.Play(m_frame, m_ui, &r);
            m_shotsFailed += r.shotsFailed;
            if (r.quit) m_quit = true;
        }
        const double seconds = m_frames > 0 ? kScriptStep : m_app.GetDeltaTime();
        m_ui.Begin(m_input);
        HandleKeys();
        Follow();

        m_ui.Fill(Rect{0, 0, kWidth, kHeight}, kWindowFill);
        m_ui.Fill(kStage, 0xFF202028);
        if (m_view) m_view->Stage(m_ui, kStage, seconds);
        // What a zoomed picture or a large sprite spilled past the stage is
        // covered by the frame around it.
        m_ui.Fill(Rect{0, 0, kWidth, kStage.y}, kWindowFill);
        m_ui.Fill(Rect{0, 0, kStage.x, kHeight}, kWindowFill);
        m_ui.Fill(Rect{kStage.x + kStage.w, 0, kWidth - kStage.x - kStage.w, kHeight}, kWindowFill);
        m_ui.Fill(Rect{0, kStage.y + kStage.h, kWidth, kHeight - kStage.y - kStage.h}, kWindowFill);
        m_app.DrawRect(float(kStage.x), float(kStage.y), float(kStage.w), float(kStage.h),
                       m_focusView ? kPanelEdge : 0xFF605030, 1);
        m_ui.Panel(kControls);
        if (m_view) m_view->Controls(m_ui, kControls);
        DrawTopBar();
        m_list.Frame(m_ui, kListRect);
        m_thumbs.Frame();
        DrawStatus();
        m_ui.End();
        m_input.Clear();

        if (m_frames > 0 && m_frame >= m_frames) m_quit = true;
    }

    int ShotsFailed() const { return m_shotsFailed; }

private:
    void HandleKeys()
    {
        for (const InputEvent& e : m_input.Events()) {
            if (e.kind == InputEvent::Press) {
                if (kListRect.Holds(e.x, e.y)) m_focusView = false;
                else if (kStage.Holds(e.x, e.y) || kControls.Holds(e.x, e.y)) m_focusView = true;
            }
            if (e.kind == InputEvent::Key && e.vkey == VK_ESCAPE) {
                if (m_focusView) m_focusView = false;
                else if (!m_list.Filter().empty()) m_list.SetFilter(std::string());
                else m_quit = true;
                continue;
            }
            if (e.kind == InputEvent::Key && e.vkey == VK_F5) {
                OpenText(-1);
                continue;
            }
            if (e.kind == InputEvent::Key && e.vkey == VK_RETURN && !m_focusView) {
                m_focusView = true;
                continue;
            }
            if (m_focusView && m_view && m_view->Key(m_ui, e)) continue;
            if (!m_focusView) m_list.Key(e);
        }
    }

    // Opens the view of the entry the list has chosen, when it changed.
    void Follow()
    {
        const int selected = m_list.Selected();
        if (selected == m_shown || m_textOpen) return;
        m_shown = selected;
        m_view.reset();
        if (selected < 0) return;
        const size_t i = size_t(selected);
        const EntryKind kind = m_data.Kind(i);
        if (kind == EntryKind::Was) m_view = std::make_unique<SpriteView>(m_loader, i, m_exportFolder);
        else if (IsPicture(kind)) m_view = std::make_unique<PictureView>(m_loader, i);
        else if (IsSound(kind)) m_view = std::make_unique<SoundView>(m_loader, i, m_sound);
        else if (kind == EntryKind::Font) OpenText(selected);
    }

    // The text view in the font of entry `font`, or in the viewer's own
    // (-1); the Font button goes on through the other fonts of the data.
    void OpenText(int font)
    {
        std::vector<FontChoice> fonts;
        std::error_code ec;
        if (!m_options.font.empty()) fonts.push_back({fs::path(m_options.font).filename().string(), m_options.font});
        for (const char* const* f = kDefaultFonts; *f; ++f)
            if (fs::exists(*f, ec) && *f != m_options.font) fonts.push_back({fs::path(*f).filename().string(), *f});
        size_t first = 0;
        for (size_t i = 0; i < m_data.Entries().size(); ++i) {
            if (m_data.Kind(i) != EntryKind::Font) continue;
            if (int(i) == font) first = fonts.size();
            fonts.push_back({EntryLabel(m_data.Entries()[i]), std::string(), int(i)});
        }
        m_view = std::make_unique<TextView>(m_loader, std::move(fonts), first, m_startFolder);
        // F5 goes to the text at once; a font chosen in the list leaves the
        // keyboard to the list, which may be being typed into.
        if (font < 0) {
            m_textOpen = true;
            m_focusView = true;
            m_shown = -1;
        }
    }

    void DrawTopBar()
    {
        const std::string filter = m_list.Filter().empty() ? "type to filter" : "filter: " + m_list.Filter();
        int x = kTopBar.x;
        x += m_ui.Text("kesto-view", x, kTopBar.y + 2, kPanelEdge) + 16;
        x += m_ui.Text(filter, x, kTopBar.y + 2, m_list.Filter().empty() ? kDimText : kTextColour) + 16;
        m_ui.Text(std::to_string(m_list.Rows()) + " of " + std::to_string(m_data.Entries().size()) + " entries", x,
                  kTopBar.y + 2, kDimText);
        if (m_textOpen && m_ui.Button(Rect{kWidth - 120, kTopBar.y, 112, 22}, "Close text")) {
            m_textOpen = false;
            m_shown = -2;
        }
    }

    void DrawStatus()
    {
        m_ui.Panel(kStatus);
        std::string line;
        bool failed = false;
        if (m_view && !m_view->Problem().empty()) {
            line = m_view->Problem();
            failed = true;
        } else if (m_view) {
            line = m_view->Summary();
        } else if (m_list.Selected() >= 0) {
            const Entry& e = m_data.Entries()[size_t(m_list.Selected())];
            line = EntryLabel(e) + ": " + KindName(m_data.Kind(size_t(m_list.Selected()))) + ", " +
                   std::to_string(e.size) + " bytes, nothing to show";
        }
        m_lastStatus = line;
        m_ui.Text(line, kStatus.x + 8, kStatus.y + 4, failed ? kFailText : kTextColour);
    }

    void Finish()
    {
        if (m_finished) return;
        m_finished = true;
        WriteState();
        if (!m_screenshot.empty() && !KesPlatformSaveScreenshot(m_app.GetHWnd(), m_screenshot.c_str())) {
            cli::Error(m_screenshot + ": the screenshot could not be written");
            ++m_shotsFailed;
        }
        m_app.ExitApp();
    }

public:
    // What the viewer shows, for --state; once, when it ends (also when
    // the window was closed from outside).
    void WriteState()
    {
        if (m_stateWritten) return;
        m_stateWritten = true;
        if (!m_options.state.empty()) {
            std::ofstream out(m_options.state);
            const int selected = m_list.Selected();
            out << "entry " << (selected >= 0 ? EntryLabel(m_data.Entries()[size_t(selected)]) : std::string()) << "\n";
            out << "focus " << (m_focusView ? "view" : "list") << "\n";
            m_list.State(out);
            m_thumbs.State(out);
            out << "status " << m_lastStatus << "\n";
            out << "music " << m_sound.music << "\n";
            if (m_view) m_view->State(out);
            for (const auto& [label, track] : m_ui.Tracks())
                out << "slider " << label << ' ' << track.rect.x << ' ' << track.rect.y << ' ' << track.rect.w << ' '
                    << track.rect.h << "\n";
            if (!out) cli::Error(m_options.state + ": cannot write");
        }
    }

private:
    MApp& m_app;
    const Options& m_options;
    DataSet& m_data;
    Loader m_loader;
    Ui m_ui;
    Input m_input;
    Thumbs m_thumbs;
    ListPanel m_list;
    Script m_script;
    SoundState m_sound;
    std::unique_ptr<View> m_view;
    std::string m_startFolder, m_exportFolder, m_screenshot;
    std::string m_lastStatus;
    int m_shown = -2; // the entry the view shows (-2: none yet)
    bool m_textOpen = false; // the text view, opened over the list's choice
    bool m_focusView = false;
    int m_frame = 0, m_frames = 0, m_shotsFailed = 0;
    bool m_quit = false, m_finished = false, m_stateWritten = false;
};

Viewer* g_viewer = nullptr;

int OnFrame()
{
    if (g_viewer) g_viewer->Frame();
    return 1;
}

int OnInput(MInputEven* e)
{
    if (g_viewer && e) g_viewer->TakeInput(*e);
    return 1;
}

} // namespace

int RunViewer(const Options& options, DataSet& data, EngineLog& log)
{
    std::error_code ec;
    const std::string startFolder = fs::current_path(ec).string();
    if (!options.video.empty()) KesPlatformSetVideoDriver(options.video.c_str());
    if (!options.device.empty()) KesPlatformSetRenderDevice(options.device.c_str());
    if (!options.audio.empty()) KesPlatformSetAudioDriver(options.audio.c_str());
    MApp app;
    app.SetWinTitle("kesto-view");
    app.SetWindowSize(kWidth, kHeight);
    app.SetUpdateFrameFunc(OnFrame);
    app.SetInputEvenFunc(OnInput);
    if (!app.Init()) {
        cli::Error("the window or the render device could not be made: " + log.FirstSinceMark());
        return cli::kExitFailure;
    }
    if (options.mute) {
        app.SetMusicVolume(0);
        app.SetSoundVolume(0);
    }
    std::string error;
    if (!data.Register(&error)) {
        cli::Error(error);
        app.Shutdown();
        return cli::kExitFailure;
    }
    int status = cli::kExitOk;
    {
        void* font = nullptr;
        if (!options.font.empty()) font = app.GetFont("kesto-view-ui", options.font.c_str(), 13, 0, 0);
        for (const char* const* f = kDefaultFonts; !font && options.font.empty() && *f; ++f)
            if (fs::exists(*f, ec)) font = app.GetFont("kesto-view-ui", *f, 13, 0, 0);
        if (!font) cli::Warning("no font for the viewer's text (give one with --font): it shows none");
        Viewer viewer(app, options, data, log, font, startFolder);
        if (!viewer.Start(&error)) {
            cli::Error(error);
            app.Shutdown();
            return cli::kExitUsage;
        }
        g_viewer = &viewer;
        app.Run();
        g_viewer = nullptr;
        viewer.WriteState();
        if (viewer.ShotsFailed()) {
            cli::Error(std::to_string(viewer.ShotsFailed()) + " screenshots could not be written");
            status = cli::kExitFailure;
        }
    }
    app.PlayMusic(nullptr);
    app.Shutdown();
    return status;
}

} // namespace kes::view
