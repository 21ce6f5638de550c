// WAS sprite writer: palette building, alpha levels and run-length rows.
#include "WasEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace kes::was {
namespace {

// ---- bytes ------------------------------------------------------------------------

void Put16(std::string* s, int v)
{
    s->push_back(char(v & 0xFF));
    s->push_back(char((v >> 8) & 0xFF));
}

void Put32(std::string* s, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s->push_back(char((v >> (8 * i)) & 0xFF));
}

void Set32(std::string* s, size_t pos, uint32_t v)
{
    for (int i = 0; i < 4; ++i) (*s)[pos + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// ---- colours ------------------------------------------------------------------------

int Expand5(int v)
{
    return (v << 3) | (v & 7);
}

int Expand6(int v)
{
    return (v << 2) | (v & 3);
}

struct Rgb {
    int r, g, b;
};

Rgb Expand565(uint16_t c)
{
    return {Expand5(c >> 11), Expand6((c >> 5) & 0x3F), Expand5(c & 0x1F)};
}

// For every 8-bit value, the field value whose expansion lies nearest.
struct NearestFields {
    uint8_t five[256];
    uint8_t six[256];

    NearestFields()
    {
        for (int v = 0; v < 256; ++v) {
            five[v] = uint8_t(NearestOf(v, 31, Expand5));
            six[v] = uint8_t(NearestOf(v, 63, Expand6));
        }
    }

    static int NearestOf(int v, int max, int (*expand)(int))
    {
        int best = 0;
        for (int f = 1; f <= max; ++f)
            if (std::abs(expand(f) - v) < std::abs(expand(best) - v)) best = f;
        return best;
    }
};

const NearestFields& Fields()
{
    static const NearestFields fields;
    return fields;
}

int Distance(const Rgb& a, const Rgb& b)
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    // Weighted roughly by how the eye tells the channels apart.
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

// ---- palette ------------------------------------------------------------------------

struct Weighted {
    uint16_t colour;
    uint64_t count;
};

// Median cut over the used colours, weighted by how many pixels use them:
// the box with the widest channel splits at its weighted median until there
// are `target` boxes; each box gives its weighted mean.
std::vector<uint16_t> MedianCut(std::vector<Weighted> colours, size_t target)
{
    struct Box {
        size_t begin, end;
    };
    auto channel = [](uint16_t c, int axis) {
        const Rgb v = Expand565(c);
        return axis == 0 ? v.r : axis == 1 ? v.g : v.b;
    };
    auto widest = [&](const Box& box, int* axisOut) {
        int bestRange = -1;
        for (int axis = 0; axis < 3; ++axis) {
            int lo = 255, hi = 0;
            for (size_t i = box.begin; i < box.end; ++i) {
                const int v = channel(colours[i].colour, axis);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
            if (hi - lo > bestRange) {
                bestRange = hi - lo;
                *axisOut = axis;
            }
        }
        return bestRange;
    };

    std::vector<Box> boxes = {{0, colours.size()}};
    while (boxes.size() < target) {
        size_t pick = boxes.size();
        int pickRange = 0, pickAxis = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2) continue;
            int axis = 0;
            const int range = widest(boxes[i], &axis);
            if (range > pickRange) {
                pick = i;
                pickRange = range;
                pickAxis = axis;
            }
        }
        if (pick == boxes.size()) break; // every box holds one colour
        Box box = boxes[pick];
        std::sort(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                  [&](const Weighted& a, const Weighted& b) {
                      const int va = channel(a.colour, pickAxis), vb = channel(b.colour, pickAxis);
                      return va != vb ? va < vb : a.colour < b.colour;
                  });
        uint64_t total = 0;
        for (size_t i = box.begin; i < box.end; ++i) total += colours[i].count;
        uint64_t acc = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            acc += colours[i].count;
            cut = i + 1;
            if (acc * 2 >= total) break;
        }
        boxes[pick] = {box.begin, cut};
        boxes.push_back({cut, box.end});
    }

    std::vector<uint16_t> palette;
    const NearestFields& f = Fields();
    for (const Box& box : boxes) {
        uint64_t r = 0, g = 0, b = 0, n = 0;
        for (size_t i = box.begin; i < box.end; ++i) {
            const Rgb v = Expand565(colours[i].colour);
            r += uint64_t(v.r) * colours[i].count;
            g += uint64_t(v.g) * colours[i].count;
            b += uint64_t(v.b) * colours[i].count;
            n += colours[i].count;
        }
        palette.push_back(uint16_t((f.five[(r + n / 2) / n] << 11) | (f.six[(g + n / 2) / n] << 5) |
                                   f.five[(b + n / 2) / n]));
    }
    return palette;
}

// ---- rows -----------------------------------------------------------------------------

enum Kind : uint8_t { kTransparent, kAlpha, kOpaque };

struct Px {
    Kind kind;
    uint8_t level; // kAlpha: 1..31
    uint8_t index;

    bool operator==(const Px& o) const { return kind == o.kind && level == o.level && index == o.index; }
};

// Opaque pixels equal to px[x] from x on, counting at most `cap`.
int RunLength(const Px* px, int x, int w, int cap)
{
    int n = 1;
    while (x + n < w && n < cap && px[x + n] == px[x]) ++n;
    return n;
}

// Codes one row with the shortest choice per stretch: a transparent tail is
// the end-of-row opcode (nothing when the row's last pixel is visible),
// inner gaps are skips, repeated pixels are runs (alpha runs for partly
// transparent ones), and opaque pixels that do not repeat go in literals.
std::string CodeRow(const Px* px, int w)
{
    std::string s;
    int x = 0;
    while (x < w) {
        const Px p = px[x];
        const int n = RunLength(px, x, w, w);
        switch (p.kind) {
        case kTransparent:
            if (x + n == w) {
                s.push_back(char(kOpEndOfRow));
                return s;
            }
            for (int left = n; left > 0;) {
                const int k = std::min(left, kMaxRun);
                s.push_back(char(kOpSkip | k));
                left -= k;
            }
            x += n;
            break;
        case kAlpha:
            for (int left = n; left > 0;) {
                const int k = std::min(left, kMaxAlphaRun);
                if (k == 1) {
                    s.push_back(char(kOpAlphaPixel | p.level));
                } else {
                    s.push_back(char(kOpAlphaRun | k));
                    s.push_back(char(p.level));
                }
                s.push_back(char(p.index));
                left -= k;
            }
            x += n;
            break;
        case kOpaque:
            if (n >= 2) {
                // A single pixel left over joins the next literal.
                int done = 0;
                while (n - done >= 2) {
                    const int k = std::min(n - done, kMaxRun);
                    s.push_back(char(kOpRun | k));
                    s.push_back(char(p.index));
                    done += k;
                }
                x += done;
            } else {
                // Up to the next run of three (two repeats cost no more
                // inside a literal than as a run of their own).
                int e = x + 1;
                while (e < w && e - x < kMaxRun && px[e].kind == kOpaque && RunLength(px, e, w, 3) < 3) ++e;
                s.push_back(char(kOpLiteral | (e - x)));
                for (int i = x; i < e; ++i) s.push_back(char(px[i].index));
                x = e;
            }
            break;
        }
    }
    return s;
}

} // namespace

std::string SlotName(int slot, int framesPerGroup)
{
    return "g" + std::to_string(slot / framesPerGroup) + "_f" + std::to_string(slot % framesPerGroup);
}

uint16_t Nearest565(uint32_t rgb)
{
    const NearestFields& f = Fields();
    return uint16_t((f.five[(rgb >> 16) & 0xFF] << 11) | (f.six[(rgb >> 8) & 0xFF] << 5) | f.five[rgb & 0xFF]);
}

std::string WriteSprite(const CodedSprite& sprite)
{
    std::string out;
    out += char(kMagic[0]);
    out += char(kMagic[1]);
    Put16(&out, int(kStandardHeaderLength + sprite.extraHeader.size()));
    Put16(&out, sprite.groups);
    Put16(&out, sprite.frames);
    Put16(&out, sprite.width);
    Put16(&out, sprite.height);
    Put16(&out, sprite.keyX);
    Put16(&out, sprite.keyY);
    out += sprite.extraHeader;

    const size_t palette = out.size();
    for (uint16_t c : sprite.palette) Put16(&out, c);

    const size_t total = sprite.groups > 0 && sprite.frames > 0 ? size_t(sprite.groups) * size_t(sprite.frames) : 0;
    const size_t table = out.size();
    out.append(total * 4, '\0');

    for (size_t i = 0; i < total && i < sprite.slots.size(); ++i) {
        if (!sprite.slots[i]) continue;
        const CodedFrame& frame = *sprite.slots[i];
        const size_t f = out.size();
        Set32(&out, table + 4 * i, uint32_t(f - palette));
        Put32(&out, uint32_t(frame.keyX));
        Put32(&out, uint32_t(frame.keyY));
        Put32(&out, uint32_t(frame.width));
        Put32(&out, uint32_t(frame.height));
        const size_t rowTable = out.size();
        out.append(frame.rows.size() * 4, '\0');
        std::map<std::string, uint32_t> written;
        for (size_t y = 0; y < frame.rows.size(); ++y) {
            auto [it, fresh] = written.emplace(frame.rows[y], uint32_t(out.size() - f));
            if (fresh) out += frame.rows[y];
            Set32(&out, rowTable + 4 * y, it->second);
        }
    }
    return out;
}

bool EncodeSprite(const std::vector<const Picture*>& slots, const EncodeSettings& settings, std::string* out,
                  std::string* error, EncodeReport* report)
{
    auto fail = [&](const std::string& message) {
        if (error) *error = message;
        return false;
    };
    if (settings.groups < 1 || settings.groups > 0x7FFF || settings.frames < 1 || settings.frames > 0x7FFF)
        return fail("group and frame counts must lie between 1 and 32767");
    const size_t total = size_t(settings.groups) * size_t(settings.frames);
    if (slots.size() != total)
        return fail("expected " + std::to_string(total) + " frames (groups x frames), got " +
                    std::to_string(slots.size()));
    auto fitsInt16 = [](int v) { return v >= -0x8000 && v <= 0x7FFF; };
    if (!fitsInt16(settings.keyX) || !fitsInt16(settings.keyY))
        return fail("the key point must fit 16 bits (-32768 to 32767)");

    int boxWidth = 0, boxHeight = 0;
    for (size_t i = 0; i < total; ++i) {
        const Picture* p = slots[i];
        if (!p) continue;
        const std::string name = SlotName(int(i), settings.frames);
        if (p->width < 1 || p->height < 1 || p->width > kMaxFrameSide || p->height > kMaxFrameSide)
            return fail("frame " + name + " is " + std::to_string(p->width) + "x" + std::to_string(p->height) +
                        "; frames must be 1 to " + std::to_string(kMaxFrameSide) + " pixels a side");
        if (p->argb.size() != size_t(p->width) * size_t(p->height))
            return fail("frame " + name + " has the wrong number of pixels");
        boxWidth = std::max(boxWidth, p->width);
        boxHeight = std::max(boxHeight, p->height);
    }
    if (settings.width >= 0) boxWidth = settings.width;
    if (settings.height >= 0) boxHeight = settings.height;
    if (!fitsInt16(boxWidth) || !fitsInt16(boxHeight)) return fail("the animation size must fit 16 bits");

    // Visible pixels by colour, so that the palette follows what is drawn.
    std::vector<uint64_t> histogram(65536, 0);
    for (const Picture* p : slots) {
        if (!p) continue;
        for (uint32_t c : p->argb)
            if ((c >> 24) >= 4) ++histogram[Nearest565(c)];
    }
    std::vector<Weighted> used;
    for (uint32_t c = 0; c < 65536; ++c)
        if (histogram[c]) used.push_back({uint16_t(c), histogram[c]});

    CodedSprite sprite;
    sprite.groups = int16_t(settings.groups);
    sprite.frames = int16_t(settings.frames);
    sprite.width = int16_t(boxWidth);
    sprite.height = int16_t(boxHeight);
    sprite.keyX = int16_t(settings.keyX);
    sprite.keyY = int16_t(settings.keyY);

    // colour -> palette index for every used colour.
    std::vector<uint8_t> indexOf(65536, 0);
    std::vector<uint16_t> palette;
    const bool quantise = used.size() > size_t(kPaletteColours);
    if (!quantise) {
        for (const Weighted& w : used) {
            indexOf[w.colour] = uint8_t(palette.size());
            palette.push_back(w.colour);
        }
    } else {
        palette = MedianCut(used, kPaletteColours);
        std::vector<Rgb> entries;
        for (uint16_t c : palette) entries.push_back(Expand565(c));
        for (const Weighted& w : used) {
            const Rgb v = Expand565(w.colour);
            size_t best = 0;
            for (size_t i = 1; i < entries.size(); ++i)
                if (Distance(v, entries[i]) < Distance(v, entries[best])) best = i;
            indexOf[w.colour] = uint8_t(best);
        }
    }
    std::copy(palette.begin(), palette.end(), sprite.palette);

    bool interlace = true;
    std::vector<std::string> doubled;
    sprite.slots.resize(total);
    std::vector<Px> row;
    for (size_t i = 0; i < total; ++i) {
        const Picture* p = slots[i];
        if (!p) continue;
        CodedFrame frame;
        frame.keyX = p->keyX;
        frame.keyY = p->keyY;
        frame.width = p->width;
        frame.height = p->height;
        bool visible = false, visibleOnOddRow = false;
        row.resize(size_t(p->width));
        for (int y = 0; y < p->height; ++y) {
            for (int x = 0; x < p->width; ++x) {
                const uint32_t c = p->argb[size_t(y) * size_t(p->width) + size_t(x)];
                const uint32_t a = c >> 24;
                const uint8_t index = indexOf[Nearest565(c)];
                if (a == 255) {
                    row[size_t(x)] = {kOpaque, 0, index};
                } else {
                    const uint32_t level = (a + 4) / 8;
                    if (level == 0)
                        row[size_t(x)] = {kTransparent, 0, 0};
                    else if (level > uint32_t(kMaxAlphaLevel))
                        row[size_t(x)] = {kOpaque, 0, index};
                    else
                        row[size_t(x)] = {kAlpha, uint8_t(level), index};
                }
                if (row[size_t(x)].kind != kTransparent) {
                    visible = true;
                    if (y & 1) visibleOnOddRow = true;
                }
            }
            frame.rows.push_back(CodeRow(row.data(), p->width));
        }
        // The engine's interlace rule, to warn about frames it will double.
        if (visibleOnOddRow) interlace = false;
        if (interlace && visible && p->height > 1) doubled.push_back(SlotName(int(i), settings.frames));
        sprite.slots[i] = std::move(frame);
    }

    std::string bytes = WriteSprite(sprite);
    if (bytes.size() > 0xFFFFFFFFull) return fail("the sprite would exceed the format's 4 GB of offsets");
    if (report) {
        report->sourceColours = int(used.size());
        report->paletteColours = int(palette.size());
        report->quantised = quantise;
        report->doubledFrames = std::move(doubled);
    }
    *out = std::move(bytes);
    return true;
}

} // namespace kes::was
