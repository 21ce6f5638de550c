// The hero: a little mage with a hat, a cape and a staff, built from
// capsules and spheres, posed for each frame and turned to each direction.
// The pose is made in the hero's own frame (facing +z, its left at +x) and
// only then turned, so all eight directions share one walk.
#include "Art.h"
#include "FrameFiles.h"
#include "Raster.h"

#include "../Directions.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kes::demo::art {
namespace {

constexpr int kWidth = 80, kHeight = 108, kKeyX = 40, kKeyY = 96;
constexpr int kWalkFrames = 8, kStandFrames = 4;
constexpr int kSamples = 4; // per pixel side

struct Part {
    Vec3 a, b;
    float ra, rb;
    const Material* material;
};

struct Materials {
    Material skin, tunic, trousers, boots, hat, hair, cape, staff, orb, eyes;
    Materials()
    {
        skin.base = FromBytes(236, 188, 150);
        tunic.base = FromBytes(44, 112, 176);
        tunic.band = FromBytes(112, 72, 36);
        tunic.bandFrom = 0.10f;
        tunic.bandTo = 0.22f;
        trousers.base = FromBytes(70, 66, 86);
        boots.base = FromBytes(92, 58, 34);
        boots.highlight = 0.25f;
        hat.base = FromBytes(112, 62, 164);
        hat.band = FromBytes(236, 192, 64);
        hat.bandFrom = 0.02f;
        hat.bandTo = 0.14f;
        hair.base = FromBytes(86, 50, 28);
        cape.base = FromBytes(176, 40, 48);
        staff.base = FromBytes(128, 84, 44);
        orb.base = FromBytes(130, 236, 255);
        orb.glow = true;
        eyes.base = FromBytes(30, 24, 40);
        eyes.glow = true;
    }
};

// Knee (or elbow) between two fixed ends, bent towards `bend`.
Vec3 Joint(Vec3 from, Vec3 to, float upper, float lower, Vec3 bend)
{
    const Vec3 span = to - from;
    float d = Length(span);
    d = std::min(d, upper + lower - 0.01f);
    const Vec3 dir = Normalize(span);
    const float along = (upper * upper - lower * lower + d * d) / (2 * d);
    const float out = std::sqrt(std::max(0.0f, upper * upper - along * along));
    Vec3 side = bend - dir * Dot(bend, dir);
    if (Length(side) < 1e-4f) side = {0, 0, 1};
    return from + dir * along + Normalize(side) * out;
}

// The parts of the hero at `phase` (0..2 pi) of a stride, or of a breath
// when standing, in the hero's own frame.
std::vector<Part> Pose(const Materials& m, float phase, bool walking)
{
    std::vector<Part> parts;
    const float hipY = walking ? 41.5f - 2.0f * std::cos(phase) * std::cos(phase) : 43.0f + 0.6f * std::sin(phase);
    const float lean = walking ? 1.8f : 0.0f;

    for (int s = -1; s <= 1; s += 2) { // -1 right, +1 left
        const float legPhase = phase + (s > 0 ? 0.0f : kPi);
        const float footZ = walking ? 11.0f * std::cos(legPhase) : 0.5f;
        const float lift = walking ? 5.5f * std::max(0.0f, -std::sin(legPhase)) : 0.0f;
        const Vec3 hip = {s * 6.0f, hipY - 3, 0};
        const Vec3 ankle = {s * 6.5f, 3.6f + lift, footZ};
        const Vec3 knee = Joint(hip, ankle, 19.5f, 18.5f, {0, 0, 1});
        parts.push_back({hip, knee, 5.2f, 4.4f, &m.trousers});
        parts.push_back({knee, ankle, 4.4f, 3.7f, &m.boots});
        parts.push_back({ankle, ankle + Vec3{0, -0.4f, 6.5f}, 3.7f, 3.4f, &m.boots});
    }

    const Vec3 pelvis = {0, hipY - 1, 0};
    const Vec3 chest = {0, hipY + 21, lean};
    parts.push_back({pelvis, chest, 8.8f, 10.5f, &m.tunic});
    const float sway = walking ? 2.5f : 0.6f * std::sin(phase);
    parts.push_back({chest + Vec3{0, -1, -5.5f}, Vec3{0, hipY - 6, -8.5f - sway}, 7.5f, 10.5f, &m.cape});

    for (int s = -1; s <= 1; s += 2) {
        // Arms swing against the legs: the left arm with the right leg.
        const float armPhase = phase + (s > 0 ? kPi : 0.0f);
        const bool staffHand = s < 0;
        float swing = walking ? 0.5f * std::cos(armPhase) : 0.06f * std::sin(phase);
        float bend = 0.3f;
        if (staffHand) { // holds the staff out in front
            swing = 0.35f + (walking ? 0.12f * std::cos(armPhase) : 0.0f);
            bend = 0.9f;
        }
        const Vec3 shoulder = {s * 12.5f, hipY + 19, lean};
        const Vec3 elbow = shoulder + Vec3{s * 1.5f, -12 * std::cos(swing), 12 * std::sin(swing)};
        const float fore = swing + bend;
        const Vec3 hand = elbow + Vec3{s * 0.5f, -11 * std::cos(fore), 11 * std::sin(fore)};
        parts.push_back({shoulder, elbow, 4.6f, 4.0f, &m.tunic});
        parts.push_back({elbow, hand, 3.8f, 3.3f, &m.skin});
        parts.push_back({hand, hand, 3.6f, 3.6f, &m.skin});
        if (staffHand) {
            const Vec3 top = hand + Vec3{0, 36, -1.5f};
            parts.push_back({hand + Vec3{0, -24, 1.5f}, top, 1.9f, 1.9f, &m.staff});
            parts.push_back({top + Vec3{0, 4.5f, 0}, top + Vec3{0, 4.5f, 0}, 4.4f, 4.4f, &m.orb});
        }
    }

    const Vec3 neck = {0, hipY + 23, lean};
    const Vec3 head = {0, hipY + 35.5f, lean + 0.5f};
    parts.push_back({neck, neck + Vec3{0, 6, 0}, 3.8f, 3.6f, &m.skin});
    parts.push_back({head, head, 9.0f, 9.0f, &m.skin});
    parts.push_back({head + Vec3{0, 1.5f, -3.0f}, head + Vec3{0, 1.5f, -3.0f}, 9.4f, 9.4f, &m.hair});
    for (int s = -1; s <= 1; s += 2) {
        const Vec3 eye = head + Vec3{s * 3.1f, 0.6f, 8.1f};
        parts.push_back({eye, eye, 1.3f, 1.3f, &m.eyes});
    }
    const Vec3 brim = head + Vec3{0, 8.0f, -1.5f};
    parts.push_back({brim, brim + Vec3{0, 17, -5}, 9.8f, 0.8f, &m.hat});
    return parts;
}

kes::was::tool::PngPicture Draw(const std::vector<Part>& parts, int group)
{
    SampleGrid grid(kWidth, kHeight, kSamples);
    View view;
    view.keyX = kKeyX;
    view.keyY = kKeyY;
    grid.Ellipse(kKeyX, kKeyY, 18, 18 * kGroundSquash, {0, 0, 0}, 0.45f, 5);
    float fx, fz;
    GroupFacing(group, &fx, &fz);
    const float turn = std::atan2(fx, fz); // TurnY takes +z to (sin, cos)
    for (const Part& p : parts)
        grid.Capsule(view, TurnY(p.a, turn), TurnY(p.b, turn), p.ra, p.rb, *p.material);
    grid.Outline(FromBytes(30, 20, 26), 1.0f);
    return grid.Resolve().ToPicture(kKeyX, kKeyY);
}

bool WriteHero(const std::string& folder, bool walking, int frames, std::string* error)
{
    const Materials materials;
    for (int f = 0; f < frames; ++f) {
        const std::vector<Part> parts = Pose(materials, 2 * kPi * float(f) / float(frames), walking);
        for (int g = 0; g < kDirections; ++g)
            if (!WriteFrame(folder, g, f, Draw(parts, g), error)) return false;
    }
    return true;
}

} // namespace

bool WriteHeroWalk(const std::string& folder, std::string* error)
{
    return WriteHero(folder, true, kWalkFrames, error);
}

bool WriteHeroStand(const std::string& folder, std::string* error)
{
    return WriteHero(folder, false, kStandFrames, error);
}

} // namespace kes::demo::art
