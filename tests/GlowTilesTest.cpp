// The glow added tile by tile gives the picture of the single clamped quad
// that adds it everywhere: a glint on a tile's first or last texel still
// glows into the tile before or after it, a glint in the glow's last corner glows up to the
// clamped edge, and a glow lying in one corner of the screen draws only the
// few tiles it reaches.
#include "DeviceTestContext.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "render/GlowTiles.h"
#include "render/PostQuad.h"
#include "render/ScreenQuad.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using GlowTiles = DeviceTest;

// The glow fills the top left GlowSize texels of a texture twice as large,
// as in the frame; the rest is bright, so a read beside the glow shows.
constexpr int GlowSize = 2 * CGlowTiles::TilesAcross; // two texels per tile
constexpr int TextureSize = 2 * GlowSize;

struct Glint {
    int x, y;
};

std::unique_ptr<CTexture> glowWith(const std::vector<Glint>& glints)
{
    std::vector<uint8_t> bytes(size_t(TextureSize) * TextureSize * 4, 0);
    for (int y = 0; y < TextureSize; ++y)
        for (int x = 0; x < TextureSize; ++x) {
            uint8_t* texel = &bytes[size_t(y * TextureSize + x) * 4];
            const bool beside = x >= GlowSize || y >= GlowSize;
            texel[0] = texel[1] = texel[2] = beside ? 255 : 0;
            texel[3] = 255;
        }
    for (const Glint& glint : glints) {
        uint8_t* texel = &bytes[size_t(glint.y * TextureSize + glint.x) * 4];
        texel[0] = 200, texel[1] = 120, texel[2] = 60;
    }
    auto texture = CTexture::create(TextureSize, TextureSize, 1, Format::A8R8G8B8);
    texture->upload(0, PixelLayout::Rgba8, bytes.data());
    return texture;
}

int litTileCount(const CGlowTiles& tiles)
{
    const std::vector<uint8_t> marks = tiles.litTiles().colorTexture()->readPixels();
    int lit = 0;
    for (size_t i = 0; i < marks.size(); i += 4)
        lit += marks[i] != 0;
    return lit;
}

} // namespace

TEST_F(GlowTiles, AddTheSinglyAddedQuadsPictureDrawingOnlyTheTilesTheGlowReaches)
{
    // Tile edges fall between pixels at this size, and the quad is shifted
    // up and left as the frame lays the glow.
    makeDevice(150, 90);
    CDevice& d = *testDevice;
    const glm::vec4 screen{-0.01f, -0.01f, 0.99f, 0.99f};
    std::vector<uint8_t> under(size_t(150) * 90 * 4);
    for (size_t i = 0; i < under.size(); ++i)
        under[i] = uint8_t(i * 37 % 101);
    auto underTexture = CTexture::create(150, 90, 1, Format::A8R8G8B8);
    underTexture->upload(0, PixelLayout::Rgba8, under.data());
    CPostQuad quads;
    CGlowTiles tiles(GlowSize);

    auto add = [&](const CTexture& glow, bool tiled) {
        d.beginScene();
        drawScreenQuad(underTexture.get(), 0, 0, 1, 1, 0xFFFFFFFFu, false);
        CStateScope states;
        d.setRenderState(RenderState::AlphaBlendEnable, true);
        d.setRenderState(RenderState::SrcBlend, Blend::One);
        d.setRenderState(RenderState::DestBlend, Blend::One);
        if (tiled)
            tiles.add(glow, screen);
        else
            quads.draw(&glow, screen.x, screen.y, screen.z, screen.w, 0xFFFFFFFFu, QuadFilter::Linear,
                       {0.5f, 0.5f}, QuadEdges::Clamp);
        return d.readBackBuffer();
    };
    struct Case {
        const char* name;
        std::vector<Glint> glints;
        int mostTiles;
    };
    const Case cases[] = {
        {"glints on a tile's first and on its last texels", {{2, 2}, {5, 9}}, 8},
        {"a glint in the glow's last corner", {{GlowSize - 1, GlowSize - 1}}, 4},
        {"a glow in the top left corner", {{0, 0}, {1, 0}, {0, 1}, {3, 3}}, 9},
        {"glints all over", {{5, 0}, {17, 9}, {30, 14}, {8, 31}, {23, 24}, {12, 12}}, 6 * 9},
        {"no glow", {}, 0},
    };
    for (const Case& c : cases) {
        const auto glow = glowWith(c.glints);
        const std::vector<uint8_t> single = add(*glow, false);
        EXPECT_EQ(add(*glow, true), single) << c.name;
        EXPECT_LE(litTileCount(tiles), c.mostTiles) << c.name;
        if (!c.glints.empty()) {
            EXPECT_NE(single, add(*glowWith({}), false)) << c.name << " glows";
        }
    }
}
