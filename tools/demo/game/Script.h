// A scripted run, for machines without a person in front of them (and for
// the smoke test): the hero walks a fixed loop of waypoints, time advances a
// fixed step per frame so that every run draws the same pictures, and
// screenshots are taken at evenly spread frames.
#ifndef KESTO_DEMO_GAME_SCRIPT_H
#define KESTO_DEMO_GAME_SCRIPT_H

#include "Hero.h"

#include <string>

namespace kes::demo {

class Script {
public:
    // `frames` to run; `shotCount` screenshots written into `shotFolder`
    // (none when it is empty).
    Script(int frames, int shotCount, const std::string& shotFolder);

    // Seconds of game time per frame.
    static constexpr float kStep = 1.0f / 60;

    int Frames() const { return m_frames; }
    // Sends the hero on to the next waypoint once it has stood a moment
    // where it arrived. Called once a frame.
    void Steer(Hero& hero);
    // The file for the picture of frame `frame` (1 = the first presented),
    // or empty when that frame is not one to keep.
    std::string ShotPath(int frame) const;

private:
    int m_frames;
    int m_shotCount;
    std::string m_folder;
    int m_next = 0;  // the waypoint to walk to next
    int m_rested = 0; // frames stood at the last one
    bool m_started = false;
};

} // namespace kes::demo

#endif
