#include "Script.h"

#include <KesPlatform.h>
#include <Cli.h>
#include <Numbers.h>

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kes::view {
namespace {

SDL_Keycode KeyCode(const std::string& name)
{
    static const struct {
        const char* name;
        SDL_Keycode sym;
    } kKeys[] = {{"up", SDLK_UP},         {"down", SDLK_DOWN},        {"left", SDLK_LEFT},    {"right", SDLK_RIGHT},
                 {"pageup", SDLK_PAGEUP}, {"pagedown", SDLK_PAGEDOWN}, {"home", SDLK_HOME},    {"end", SDLK_END},
                 {"space", SDLK_SPACE},   {"tab", SDLK_TAB},           {"enter", SDLK_RETURN}, {"escape", SDLK_ESCAPE},
                 {"backspace", SDLK_BACKSPACE}};
    for (const auto& k : kKeys)
        if (name == k.name) return k.sym;
    if (name.size() >= 2 && name[0] == 'f') {
        long long n = 0;
        if (cli::ParseInteger(name.substr(1), 1, 12, &n)) return SDLK_F1 + SDL_Keycode(n) - 1;
    }
    // Letters, digits and the like are their own keycodes.
    if (name.size() == 1 && name[0] > ' ' && name[0] < 0x7F)
        return SDL_Keycode(std::tolower(static_cast<unsigned char>(name[0])));
    return 0;
}

// The window's SDL side: the viewer's one window, found by its title.
Uint32 WindowId()
{
    for (Uint32 id = 1; id < 256; ++id) {
        SDL_Window* w = SDL_GetWindowFromID(id);
        if (w && std::strcmp(SDL_GetWindowTitle(w), "kesto-view") == 0) return id;
    }
    return 0;
}

void PushKey(Uint32 window, SDL_Keycode sym, bool up, Uint16 mod)
{
    SDL_Event e = {};
    e.type = up ? SDL_KEYUP : SDL_KEYDOWN;
    e.key.windowID = window;
    e.key.state = up ? SDL_RELEASED : SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

void PushText(Uint32 window, const std::string& utf8)
{
    SDL_Event e = {};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = window;
    std::strncpy(e.text.text, utf8.c_str(), sizeof e.text.text - 1);
    SDL_PushEvent(&e);
}

void PushMotion(Uint32 window, int x, int y, bool held)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = held ? SDL_BUTTON_LMASK : 0;
    SDL_PushEvent(&e);
}

void PushButton(Uint32 window, int x, int y, bool up)
{
    SDL_Event e = {};
    e.type = up ? SDL_MOUSEBUTTONUP : SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = up ? SDL_RELEASED : SDL_PRESSED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
}

void PushWheel(Uint32 window, int x, int y, int notches)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window;
    e.wheel.y = notches;
    e.wheel.preciseY = float(notches);
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.mouseX = x;
    e.wheel.mouseY = y;
    SDL_PushEvent(&e);
}

} // namespace

bool Script::Load(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot read the script";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Action a;
        std::string frame;
        fields >> frame >> a.verb;
        std::string arg;
        if (a.verb == "type" || a.verb == "press") {
            const size_t at = line.find(a.verb) + a.verb.size() + 1;
            a.rest = at <= line.size() ? line.substr(at) : std::string();
        } else {
            while (fields >> arg) a.args.push_back(arg);
        }
        static const struct {
            const char* verb;
            size_t args;
        } kVerbs[] = {{"key", 1},   {"type", 0},  {"click", 2}, {"drag", 4},
                      {"wheel", 3}, {"slide", 2}, {"shot", 1},  {"quit", 0}, {"press", 0}};
        bool known = false;
        for (const auto& v : kVerbs) known = known || (a.verb == v.verb && a.args.size() == v.args);
        if (!cli::ParseInteger(frame, 1, 100000000, &a.frame) || !known ||
            (a.verb == "key" && !KeyCode(a.args[0].substr(a.args[0].find('+') + 1))) ||
            (a.verb == "type" && a.rest.size() >= sizeof(SDL_TextInputEvent::text))) {
            *error = path + ":" + std::to_string(number) + ": not an action the viewer knows: " + line;
            return false;
        }
        // The viewer's current folder becomes the data's: pictures go where
        // the script was started.
        if (a.verb == "shot") a.args[0] = std::filesystem::absolute(a.args[0]).string();
        m_actions.push_back(std::move(a));
    }
    return true;
}

void Script::Play(int frame, const Ui& ui, Result* result) const
{
    const Uint32 w = WindowId();
    for (const Action& a : m_actions) {
        if (a.frame != frame) continue;
        auto number = [&](size_t i) { return std::atoi(a.args[i].c_str()); };
        if (a.verb == "key") {
            const std::string& name = a.args[0];
            const size_t plus = name.find('+');
            const bool shift = plus != std::string::npos && name.compare(0, plus, "shift") == 0;
            const bool ctrl = plus != std::string::npos && !shift;
            const SDL_Keycode modifier = shift ? SDLK_LSHIFT : SDLK_LCTRL;
            const Uint16 mod = shift ? KMOD_LSHIFT : ctrl ? KMOD_LCTRL : KMOD_NONE;
            const std::string key = name.substr(plus == std::string::npos ? 0 : plus + 1);
            if (plus != std::string::npos) PushKey(w, modifier, false, mod);
            PushKey(w, KeyCode(key), false, mod);
            // What a keyboard types with the key comes as its text.
            if (key == "space") PushText(w, " ");
            else if (key.size() == 1 && !ctrl) PushText(w, key);
            PushKey(w, KeyCode(key), true, mod);
            if (plus != std::string::npos) PushKey(w, modifier, true, KMOD_NONE);
        } else if (a.verb == "type") {
            PushText(w, a.rest);
        } else if (a.verb == "click" || a.verb == "drag") {
            const int x = number(0), y = number(1);
            const int x2 = a.verb == "drag" ? number(2) : x, y2 = a.verb == "drag" ? number(3) : y;
            PushMotion(w, x, y, false);
            PushButton(w, x, y, false);
            PushMotion(w, x2, y2, true);
            PushButton(w, x2, y2, true);
        } else if (a.verb == "wheel") {
            PushMotion(w, number(0), number(1), false);
            PushWheel(w, number(0), number(1), number(2));
        } else if (a.verb == "slide") {
            const auto it = ui.Tracks().find(a.args[0]);
            if (it == ui.Tracks().end()) {
                cli::Warning("script, frame " + std::to_string(frame) + ": no slider '" + a.args[0] + "' on screen");
                continue;
            }
            const Ui::Track& t = it->second;
            const float v = float(std::atof(a.args[1].c_str()));
            const int x = t.rect.x + int(std::lround((v - t.lo) / (t.hi - t.lo) * float(t.rect.w - 1)));
            const int y = t.rect.y + t.rect.h / 2;
            PushMotion(w, x, y, false);
            PushButton(w, x, y, false);
            PushButton(w, x, y, true);
        } else if (a.verb == "press") {
            const auto it = ui.Buttons().find(a.rest);
            if (it == ui.Buttons().end()) {
                cli::Warning("script, frame " + std::to_string(frame) + ": no button '" + a.rest + "' on screen");
                continue;
            }
            const int x = it->second.x + it->second.w / 2, y = it->second.y + it->second.h / 2;
            PushMotion(w, x, y, false);
            PushButton(w, x, y, false);
            PushButton(w, x, y, true);
        } else if (a.verb == "shot") {
            if (!KesPlatformSaveScreenshot(result->window, a.args[0].c_str())) ++result->shotsFailed;
        } else if (a.verb == "quit") {
            result->quit = true;
        }
    }
}

} // namespace kes::view
