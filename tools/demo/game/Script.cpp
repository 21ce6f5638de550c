#include "Script.h"

#include <cstdio>

namespace kes::demo {
namespace {

// A loop over the plaza that turns through most of the eight directions.
const float kWaypoints[][2] = {
    {520, 300}, {470, 410}, {330, 400}, {280, 290}, {400, 230}, {480, 250}, {400, 330},
};
constexpr int kWaypointCount = int(sizeof kWaypoints / sizeof kWaypoints[0]);
// Long enough at each waypoint for the standing animation to show.
constexpr int kRestFrames = 20;

} // namespace

Script::Script(int frames, int shotCount, const std::string& shotFolder)
    : m_frames(frames), m_shotCount(shotCount < frames ? shotCount : frames), m_folder(shotFolder)
{
}

void Script::Steer(Hero& hero)
{
    if (hero.Walking()) return;
    // The first waypoint is walked to at once.
    if (m_started && ++m_rested < kRestFrames) return;
    m_started = true;
    m_rested = 0;
    hero.WalkTo(kWaypoints[m_next][0], kWaypoints[m_next][1]);
    m_next = (m_next + 1) % kWaypointCount;
}

std::string Script::ShotPath(int frame) const
{
    if (m_folder.empty()) return std::string();
    for (int k = 1; k <= m_shotCount; ++k) {
        if (frame != int((long long)m_frames * k / m_shotCount)) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%04d.png", frame);
        return m_folder + name;
    }
    return std::string();
}

} // namespace kes::demo
