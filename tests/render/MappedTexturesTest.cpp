// The software device's cache of mapped texture copies on its own: when a
// copy is made, what it holds, and how its bytes stay within the budget.
#include "d3d9/software/MappedTextures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kes::test {
namespace {

using d3d9::MappedTextureCache;
using d3d9::MappedTextureKey;
using d3d9::TextureView;

// A 64 x 64 A8R8G8B8 texture (16 KiB) whose texels are their own index.
struct FakeTexture {
    std::vector<uint32_t> texels = std::vector<uint32_t>(64 * 64);
    TextureView view;

    FakeTexture()
    {
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = uint32_t(i) * 0x01010101u;
        view.bits = reinterpret_cast<const uint8_t*>(texels.data());
        view.pitch = 64 * 4;
        view.width = view.height = 64;
        view.format = D3DFMT_A8R8G8B8;
    }

    MappedTextureKey Key(float hue = 0.7f) const
    {
        MappedTextureKey k;
        k.texture = this;
        k.bits = view.bits;
        k.constants.function = 1;
        k.constants.color = d3d9::Float4{0.5f, 0.5f, 0.5f, hue};
        return k;
    }
};

const MappedTextureCache::RowMapper kInvert = [](uint32_t* row, int n) {
    for (int i = 0; i < n; ++i) row[i] ^= 0x00FFFFFFu;
};

TEST(MappedTextureCache, CopiesOnTheSecondDrawWhatTheMapperGives)
{
    MappedTextureCache cache;
    FakeTexture tex;
    EXPECT_EQ(cache.Find(tex.Key(), tex.view, kInvert),
              nullptr); // seen once: no copy
    EXPECT_EQ(cache.Find(tex.Key(0.2f), tex.view, kInvert),
              nullptr); // other constants
    const TextureView* copy = cache.Find(tex.Key(), tex.view, kInvert);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->width, 64);
    ASSERT_EQ(copy->height, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(d3d9::TexelArgb8(*copy, x, y), tex.texels[size_t(y) * 64 + x] ^ 0x00FFFFFFu);
    EXPECT_EQ(cache.Bytes(), 64u * 64 * 4);

    // A new revision is new contents: seen once again.
    MappedTextureKey next = tex.Key();
    next.revision = 1;
    EXPECT_EQ(cache.Find(next, tex.view, kInvert), nullptr);
    cache.Forget(&tex);
    EXPECT_EQ(cache.Copies(), 0u);
    EXPECT_EQ(cache.Bytes(), 0u);
    EXPECT_EQ(cache.Find(tex.Key(), tex.view, kInvert),
              nullptr); // forgotten entirely
}

TEST(MappedTextureCache, StaysWithinItsBudgetWithoutDroppingCopiesInUse)
{
    // Room for four copies; six sprites drawn in turn, frame after frame.
    MappedTextureCache cache(4 * 64 * 64 * 4);
    std::vector<FakeTexture> textures(6);
    for (int frame = 0; frame < 50; ++frame)
        for (const FakeTexture& t : textures) {
            cache.Find(t.Key(), t.view, kInvert);
            ASSERT_LE(cache.Bytes(), cache.Budget());
        }
    // The four that got copies keep them: the other two are not allowed to
    // push them out and be pushed out in their turn.
    EXPECT_EQ(cache.Copies(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(cache.Find(textures[size_t(i)].Key(), textures[size_t(i)].view, kInvert), nullptr);
    EXPECT_EQ(cache.Find(textures[4].Key(), textures[4].view, kInvert), nullptr);

    // Once the first four are no longer drawn, the others take their place.
    for (uint64_t i = 0; i <= MappedTextureCache::kStaleDraws; ++i)
        cache.Find(textures[4 + i % 2].Key(), textures[4 + i % 2].view, kInvert);
    EXPECT_NE(cache.Find(textures[4].Key(), textures[4].view, kInvert), nullptr);
    EXPECT_NE(cache.Find(textures[5].Key(), textures[5].view, kInvert), nullptr);
    EXPECT_LE(cache.Bytes(), cache.Budget());
}

TEST(MappedTextureCache, TexturesOverAQuarterOfTheBudgetAreNeverCopied)
{
    MappedTextureCache cache(4 * 64 * 64 * 4 - 1);
    FakeTexture tex;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cache.Find(tex.Key(), tex.view, kInvert), nullptr);
    EXPECT_EQ(cache.Bytes(), 0u);
}

} // namespace
} // namespace kes::test
