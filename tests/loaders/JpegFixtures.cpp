#include "JpegFixtures.h"

#include "KesJpeg.h"

#include <KesImage.h>

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>
#include <turbojpeg.h>

namespace kes::test {

namespace {

uint8_t Clamp8(double v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

int TjSampling(Sampling s)
{
    switch (s) {
    case SAMP_GREY: return TJSAMP_GRAY;
    case SAMP_444: return TJSAMP_444;
    case SAMP_420: return TJSAMP_420;
    case SAMP_422: return TJSAMP_422;
    case SAMP_440: return TJSAMP_440;
    }
    return TJSAMP_420;
}

ByteVec EncodeTurbo(const Rgb& p, const EncodeOptions& o)
{
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int flags = TJFLAG_ACCURATEDCT | (o.progressive ? TJFLAG_PROGRESSIVE : 0);
    ByteVec result;
    if (tjCompress2(h, p.pixels.data(), p.width, 0, p.height, TJPF_RGB, &out, &size, TjSampling(o.sampling),
                    o.quality, flags) == 0)
        result.assign(out, out + size);
    else
        ADD_FAILURE() << "tjCompress2: " << tjGetErrorStr2(h);
    tjFree(out);
    tjDestroy(h);
    return result;
}

// For what the TurboJPEG API of this release cannot ask for (restart
// intervals, arithmetic coding, tables beyond baseline). The default error
// manager ends the process on an error; valid input raises none.
ByteVec EncodeLibjpeg(const Rgb& p, const EncodeOptions& o)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(p.width);
    c.image_height = JDIMENSION(p.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    if (o.sampling == SAMP_GREY) {
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    } else {
        const int h = o.sampling == SAMP_420 || o.sampling == SAMP_422 ? 2 : 1;
        const int v = o.sampling == SAMP_420 || o.sampling == SAMP_440 ? 2 : 1;
        c.comp_info[0].h_samp_factor = h;
        c.comp_info[0].v_samp_factor = v;
        for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    }
    jpeg_set_quality(&c, o.quality, o.baseline ? TRUE : FALSE);
    c.restart_interval = unsigned(o.restartMcus);
    c.arith_code = o.arithmetic ? TRUE : FALSE;
    c.dct_method = JDCT_ISLOW;
    if (o.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(p.pixels.data() + size_t(c.next_scanline) * size_t(p.width) * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    ByteVec result(out, out + size);
    free(out);
    return result;
}

} // namespace

Rgb PhotoLike(int width, int height, unsigned seed)
{
    Rgb p;
    p.width = width;
    p.height = height;
    p.pixels.resize(size_t(width) * size_t(height) * 3);
    uint32_t state = seed * 2654435761u + 1;
    auto noise = [&state]() {
        state = state * 1664525u + 1013904223u;
        return int(state >> 24) % 17 - 8;
    };
    const double phase = seed * 0.37;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double gx = double(x) / (width > 1 ? width - 1 : 1), gy = double(y) / (height > 1 ? height - 1 : 1);
            const double texture = 18 * sin(x * 0.9 + phase) * cos(y * 0.7);
            // A darker disc and a bright bar give sharp edges among the slopes.
            const double dx = x - width * 0.6, dy = y - height * 0.4;
            const bool disc = dx * dx + dy * dy < (width * height) * 0.02;
            const bool bar = x > width / 5 && x < width / 5 + 3;
            double r = 40 + 170 * gx + 25 * sin(y * 0.05 + phase) + texture;
            double g = 70 + 120 * gy + 20 * sin(x * 0.07 + y * 0.03) + texture * 0.5;
            double b = 110 + 70 * sin((x + y) * 0.02 + phase) - texture;
            if (disc) r *= 0.4, g *= 0.6, b = 200;
            if (bar) r = g = b = 250;
            uint8_t* px = &p.pixels[(size_t(y) * size_t(width) + size_t(x)) * 3];
            px[0] = Clamp8(r + noise());
            px[1] = Clamp8(g + noise());
            px[2] = Clamp8(b + noise());
        }
    }
    return p;
}

ByteVec Encode(const Rgb& picture, const EncodeOptions& options)
{
    if (options.restartMcus || options.arithmetic || !options.baseline) return EncodeLibjpeg(picture, options);
    return EncodeTurbo(picture, options);
}

Rgb ReferenceDecode(const ByteVec& jpeg, bool fancy)
{
    Rgb p;
    tjhandle h = tjInitDecompress();
    int subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(h, jpeg.data(), jpeg.size(), &p.width, &p.height, &subsamp, &colorspace) == 0) {
        p.pixels.resize(size_t(p.width) * size_t(p.height) * 3);
        const int flags = TJFLAG_ACCURATEDCT | (fancy ? 0 : TJFLAG_FASTUPSAMPLE);
        if (tjDecompress2(h, jpeg.data(), jpeg.size(), p.pixels.data(), p.width, 0, p.height, TJPF_RGB, flags) != 0)
            p = Rgb();
    }
    tjDestroy(h);
    return p;
}

std::vector<uint16_t> ReadImage(MImage* img)
{
    std::vector<uint16_t> out;
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img->Lock(&bits, &pitch)) {
        ADD_FAILURE() << "cannot lock the image";
        return out;
    }
    out.resize(size_t(img->m_width) * size_t(img->m_height));
    for (int y = 0; y < img->m_height; ++y)
        memcpy(&out[size_t(y) * size_t(img->m_width)], bits + size_t(y) * size_t(pitch), size_t(img->m_width) * 2);
    img->Unlock();
    return out;
}

uint16_t To565(const uint8_t* rgb)
{
    return uint16_t((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | (rgb[2] >> 3));
}

double Psnr565(const std::vector<uint16_t>& ours, const Rgb& reference)
{
    if (ours.size() != size_t(reference.width) * size_t(reference.height) || ours.empty()) return 0;
    auto expand = [](uint16_t v, int* c) {
        const int r = v >> 11, g = (v >> 5) & 63, b = v & 31;
        c[0] = r << 3 | r >> 2;
        c[1] = g << 2 | g >> 4;
        c[2] = b << 3 | b >> 2;
    };
    double sum = 0;
    for (size_t i = 0; i < ours.size(); ++i) {
        int a[3], b[3];
        expand(ours[i], a);
        expand(To565(&reference.pixels[i * 3]), b);
        for (int k = 0; k < 3; ++k) sum += double(a[k] - b[k]) * double(a[k] - b[k]);
    }
    const double mse = sum / double(ours.size() * 3);
    return mse == 0 ? 99.0 : 10 * log10(255.0 * 255.0 / mse);
}

JpegParts FindParts(const ByteVec& jpeg)
{
    JpegParts parts;
    size_t pos = 2;
    while (pos + 4 <= jpeg.size()) {
        const uint8_t m = jpeg[pos + 1];
        const size_t length = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
        if (m == 0xDA) {
            parts.scan = pos + 2 + length;
            size_t e = parts.scan;
            while (e + 1 < jpeg.size() &&
                   !(jpeg[e] == 0xFF && jpeg[e + 1] != 0x00 && !(jpeg[e + 1] >= 0xD0 && jpeg[e + 1] <= 0xD7)))
                ++e;
            parts.scanEnd = e + 1 < jpeg.size() ? e : jpeg.size();
            return parts;
        }
        pos += 2 + length;
    }
    ADD_FAILURE() << "no SOS in the file";
    return parts;
}

ByteVec Unstuff(const uint8_t* scan, size_t size)
{
    ByteVec out;
    for (size_t i = 0; i < size; ++i) {
        if (scan[i] != 0xFF) {
            out.push_back(scan[i]);
            continue;
        }
        if (i + 1 >= size) break;
        const uint8_t next = scan[i + 1];
        if (next == 0x00) {
            out.push_back(0xFF);
            ++i;
        } else if (next >= 0xD0 && next <= 0xD7) {
            ++i; // restart markers carry no data
        } else {
            break;
        }
    }
    return out;
}

ByteVec TileFromFile(const ByteVec& jpeg)
{
    const JpegParts parts = FindParts(jpeg);
    ByteVec tile(jpeg.begin(), jpeg.begin() + ptrdiff_t(parts.scan));
    const ByteVec scan = Unstuff(jpeg.data() + parts.scan, parts.scanEnd - parts.scan);
    tile.insert(tile.end(), scan.begin(), scan.end());
    return tile;
}

RowSlices SliceRows(const ByteVec& jpeg, int extraSkipBytes)
{
    RowSlices out;
    const JpegParts parts = FindParts(jpeg);
    out.headers.assign(jpeg.begin(), jpeg.begin() + ptrdiff_t(parts.scan));
    const ByteVec scan = Unstuff(jpeg.data() + parts.scan, parts.scanEnd - parts.scan);

    JpegInitTables();
    JpegResetState();
    size_t scanOffset = 0;
    JpegLayout layout;
    if (!JpegReadMarkers(jpeg.data(), jpeg.size(), &scanOffset) ||
        !JpegChooseLayout(g_jpeg.width, g_jpeg.height, &layout) || layout.mode != JPEG_MODE_420 ||
        g_jpeg.restartInterval != 0) {
        ADD_FAILURE() << "not a baseline 4:2:0 file without restarts";
        JpegFreeTables();
        return out;
    }
    // Walk the scan block by block, noting where each MCU row starts.
    struct Start {
        int16_t pred[3];
        uint64_t bit;
    };
    std::vector<Start> starts;
    JpegBitsStart(g_jpeg.bits, scan.data(), scan.size(), 0);
    memset(g_jpeg.dcPred, 0, sizeof g_jpeg.dcPred);
    for (unsigned row = 0; row < layout.rows; ++row) {
        starts.push_back(Start{{g_jpeg.dcPred[0], g_jpeg.dcPred[1], g_jpeg.dcPred[2]}, g_jpeg.bits.Position()});
        for (unsigned col = 0; col < layout.cols; ++col)
            for (int b = 0; b < 6; ++b) JpegDecodeBlock(g_jpeg.blocks[b], b < 4 ? 0 : b - 3);
    }
    const uint64_t endBit = g_jpeg.bits.Position();
    out.endBit = int(endBit % 8);
    JpegFreeTables();

    for (size_t row = 0; row < starts.size(); ++row) {
        const Start& s = starts[row];
        const uint64_t next = row + 1 < starts.size() ? starts[row + 1].bit : endBit;
        out.sliceStart.push_back(out.rows.size());
        for (int c = 0; c < 3; ++c) {
            out.rows.push_back(uint8_t(uint16_t(s.pred[c])));
            out.rows.push_back(uint8_t(uint16_t(s.pred[c]) >> 8));
        }
        out.rows.push_back(uint8_t(s.bit % 8 + 8 * unsigned(extraSkipBytes)));
        for (int i = 0; i < extraSkipBytes; ++i) out.rows.push_back(uint8_t(0xA5 + i));
        const size_t first = size_t(s.bit / 8), last = size_t((next + 7) / 8);
        for (size_t i = first; i < last; ++i) out.rows.push_back(i < scan.size() ? scan[i] : 0);
    }
    return out;
}

void BitWriter::Put(uint32_t bits, int n)
{
    for (int i = n - 1; i >= 0; --i) {
        m_acc = m_acc << 1 | ((bits >> i) & 1);
        if (++m_fill == 8) {
            Emit(uint8_t(m_acc));
            m_acc = 0;
            m_fill = 0;
        }
    }
}

void BitWriter::Flush()
{
    while (m_fill) Put(1, 1);
}

void BitWriter::Emit(uint8_t b)
{
    m_bytes.push_back(b);
    if (m_stuff && b == 0xFF) m_bytes.push_back(0x00);
}

void HuffTable::Assign()
{
    memset(code, 0, sizeof code);
    memset(length, 0, sizeof length);
    uint32_t c = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < counts[len - 1] && k < symbols.size(); ++i, ++k, ++c) {
            code[symbols[k]] = uint16_t(c);
            length[symbols[k]] = uint8_t(len);
        }
        c <<= 1;
    }
}

ByteVec HuffTable::Segment(int tcth) const
{
    ByteVec b{uint8_t(tcth)};
    b.insert(b.end(), counts, counts + 16);
    b.insert(b.end(), symbols.begin(), symbols.end());
    return b;
}

HuffTable StandardDcTable()
{
    HuffTable t;
    const uint8_t counts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    memcpy(t.counts, counts, 16);
    for (int i = 0; i < 12; ++i) t.symbols.push_back(uint8_t(i));
    t.Assign();
    return t;
}

HuffTable StandardAcTable()
{
    HuffTable t;
    const uint8_t counts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
    memcpy(t.counts, counts, 16);
    t.symbols = {
        0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
        0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
        0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
        0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
        0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
        0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
        0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
        0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
        0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa,
    };
    t.Assign();
    return t;
}

int Category(int value)
{
    int a = value < 0 ? -value : value, n = 0;
    while (a) {
        ++n;
        a >>= 1;
    }
    return n;
}

void PutValue(BitWriter& w, int value, int category)
{
    if (category == 0) return;
    const uint32_t bits = uint32_t(value < 0 ? value - 1 : value) & ((1u << category) - 1);
    w.Put(bits, category);
}

ByteVec HandMadeJpeg::Build() const
{
    ByteVec f{0xFF, 0xD8};
    auto segment = [&f](uint8_t marker, const ByteVec& body) {
        f.push_back(0xFF);
        f.push_back(marker);
        f.push_back(uint8_t((body.size() + 2) >> 8));
        f.push_back(uint8_t(body.size() + 2));
        f.insert(f.end(), body.begin(), body.end());
    };
    for (const ByteVec& q : dqt) segment(0xDB, q);
    ByteVec sof{8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width),
                uint8_t(components.size())};
    for (const auto& c : components) sof.insert(sof.end(), c.begin(), c.end());
    segment(0xC0, sof);
    for (const ByteVec& h : dht) segment(0xC4, h);
    if (restartInterval >= 0) segment(0xDD, ByteVec{uint8_t(restartInterval >> 8), uint8_t(restartInterval)});
    ByteVec sos{uint8_t(scanTables.size())};
    for (const auto& s : scanTables) sos.insert(sos.end(), s.begin(), s.end());
    sos.insert(sos.end(), {0, 63, 0});
    segment(0xDA, sos);
    f.insert(f.end(), scan.begin(), scan.end());
    if (eoi) f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

ByteVec Quant8(int id, int value)
{
    ByteVec b{uint8_t(id)};
    b.insert(b.end(), 64, uint8_t(value));
    return b;
}

ByteVec Quant16(int id, const uint16_t* values)
{
    ByteVec b{uint8_t(0x10 | id)};
    for (int k = 0; k < 64; ++k) {
        b.push_back(uint8_t(values[k] >> 8));
        b.push_back(uint8_t(values[k]));
    }
    return b;
}

} // namespace kes::test
