// The hero: where it stands, where it walks to, which way it faces, and
// which frame of which animation shows that.
#ifndef KESTO_DEMO_GAME_HERO_H
#define KESTO_DEMO_GAME_HERO_H

#include "Assets.h"

namespace kes::demo {

class Hero {
public:
    // Stands at screen point (x, y) (its feet), facing the viewer.
    void Place(float x, float y);
    // Walks to (x, y) in a straight line, then stands.
    void WalkTo(float x, float y);
    // Moves `seconds` on; `zoom` is the drawing scale, so that a magnified
    // hero covers magnified ground and its feet still keep their place.
    void Update(float seconds, float zoom);
    void Draw(MApp& app, const Assets& assets, float zoom) const;

    bool Walking() const { return m_walking; }
    float X() const { return m_x; }
    float Y() const { return m_y; }
    float TargetX() const { return m_targetX; }
    float TargetY() const { return m_targetY; }
    int Facing() const { return m_group; }

private:
    float m_x = 0, m_y = 0;
    float m_targetX = 0, m_targetY = 0;
    bool m_walking = false;
    int m_group = 0;      // the direction it faces (Directions.h)
    float m_stride = 0;   // ground covered, for the walk's frame
    float m_rest = 0;     // seconds standing, for the idle frame
};

} // namespace kes::demo

#endif
