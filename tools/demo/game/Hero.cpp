#include "Hero.h"

#include "../Directions.h"

#include <cmath>

namespace kes::demo {
namespace {

constexpr float kSpeed = 100;        // ground units a second at zoom 1
constexpr float kStrideLength = 44;  // ground covered by one walk cycle (both feet)
constexpr int kWalkFrames = 8, kStandFrames = 4;
constexpr float kBreathsPerSecond = 1;

} // namespace

void Hero::Place(float x, float y)
{
    m_x = m_targetX = x;
    m_y = m_targetY = y;
    m_walking = false;
    m_group = 0;
}

void Hero::WalkTo(float x, float y)
{
    m_targetX = x;
    m_targetY = y;
    m_walking = true;
}

void Hero::Update(float seconds, float zoom)
{
    if (!m_walking) {
        m_rest += seconds;
        return;
    }
    // On the ground a step down the screen is twice as long as it looks.
    const float gx = (m_targetX - m_x) / zoom, gz = (m_targetY - m_y) / (kGroundSquash * zoom);
    const float left = std::sqrt(gx * gx + gz * gz);
    m_group = FacingGroup(gx, gz, m_group);
    const float step = kSpeed * seconds;
    if (step >= left) {
        m_x = m_targetX;
        m_y = m_targetY;
        m_walking = false;
        m_rest = 0;
        return;
    }
    m_x += gx / left * step * zoom;
    m_y += gz / left * step * kGroundSquash * zoom;
    m_stride = std::fmod(m_stride + step, kStrideLength);
}

void Hero::Draw(MApp& app, const Assets& assets, float zoom) const
{
    MImage* frame;
    if (m_walking) {
        const int f = int(m_stride / kStrideLength * kWalkFrames) % kWalkFrames;
        frame = assets.heroWalk->GetImage(m_group, f);
    } else {
        const int f = int(m_rest * kBreathsPerSecond * kStandFrames) % kStandFrames;
        frame = assets.heroStand->GetImage(m_group, f);
    }
    RECTF whole(0, 0, 1, 1);
    app.DrawImage(frame, m_x, m_y, whole, BLEND_NORMAL, 0, 1.0f, zoom, zoom);
}

} // namespace kes::demo
