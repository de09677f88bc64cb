// The frame's quads drawn by small programs of their own: the pixels the
// device's screen quad gives, in each way the frame lays a quad over a
// picture, and nothing read beside the part of a texture a small scene
// fills.
#include "DeviceTestContext.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "render/PostQuad.h"
#include "render/ScreenQuad.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using PostQuad = DeviceTest;

// A picture with detail in every texel and alpha that varies, so that a
// wrong filter, a shifted read or a lost alpha shows.
std::unique_ptr<CTexture> patternTexture(int width, int height, uint32_t seed)
{
    auto texture = CTexture::create(width, height, 1, Format::A8R8G8B8);
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    uint32_t state = seed;
    for (uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = uint8_t(state >> 24);
    }
    texture->upload(0, PixelLayout::Rgba8, bytes.data());
    return texture;
}

struct LaidQuad {
    const char* name;
    uint32_t colour;
    bool blend;
    Blend source;
    Blend destination;
    QuadFilter filter;
    float left, top, right, bottom;
};

// The ways the frame lays its quads: the mirror's half-strength blend by the
// picture's alpha, the shadow multiply, a stretched copy, the bloom's
// reduction, and its glow stretched, shifted and added.
const LaidQuad Quads[] = {
    {"mirror blend", 0x88FFFFFFu, true, Blend::BothSrcAlpha, Blend::Zero, QuadFilter::Point, 0, 0, 1, 1},
    {"shadow multiply", 0xFFFFFFFFu, true, Blend::DestColor, Blend::Zero, QuadFilter::Point, 0, 0, 1, 1},
    {"stretched copy", 0xFFFFFFFFu, false, Blend::One, Blend::Zero, QuadFilter::Linear, 0, 0, 1, 1},
    {"point copy", 0xFFFFFFFFu, false, Blend::One, Blend::Zero, QuadFilter::Point, 0, 0, 1, 1},
    {"glow added", 0xFFFFFFFFu, true, Blend::One, Blend::One, QuadFilter::Linear, -0.01f, -0.01f, 0.99f, 0.99f},
};

} // namespace

TEST_F(PostQuad, LaysEachQuadOfTheFrameAsTheScreenQuadDoes)
{
    makeDevice(96, 72);
    CDevice& d = *testDevice;
    const auto under = patternTexture(96, 72, 7);
    const auto sameSize = patternTexture(96, 72, 11);
    const auto small = patternTexture(37, 29, 13);
    CPostQuad quads;

    auto lay = [&](const LaidQuad& quad, const CTexture* picture, bool own) {
        d.beginScene();
        drawScreenQuad(under.get(), 0, 0, 1, 1, 0xFFFFFFFFu, false);
        CStateScope states;
        d.setRenderState(RenderState::AlphaBlendEnable, quad.blend);
        d.setRenderState(RenderState::SrcBlend, quad.source);
        d.setRenderState(RenderState::DestBlend, quad.destination);
        if (own) {
            quads.draw(picture, quad.left, quad.top, quad.right, quad.bottom, quad.colour, quad.filter);
        } else {
            const TexFilter filter = quad.filter == QuadFilter::Point ? TexFilter::Point : TexFilter::Linear;
            d.setSamplerState(SamplerState::MagFilter, filter);
            d.setSamplerState(SamplerState::MinFilter, filter);
            drawScreenQuad(picture, quad.left, quad.top, quad.right, quad.bottom, quad.colour, false);
        }
        return d.readBackBuffer();
    };
    for (const LaidQuad& quad : Quads)
        for (const CTexture* picture : {sameSize.get(), small.get()}) {
            const std::string what = std::string(quad.name) + (picture == small.get() ? ", stretched" : "");
            const std::vector<uint8_t> screen = lay(quad, picture, false);
            EXPECT_EQ(lay(quad, picture, true), screen) << what;
        }
}

// A scene drawn at half size fills the top left of its texture; the rest
// holds whatever an earlier, larger frame left. The stretched copy must not
// take any of that in, not even at its right and bottom edges.
TEST_F(PostQuad, AStretchedPartOfATextureReadsNothingBesideIt)
{
    makeDevice(64, 48);
    CDevice& d = *testDevice;
    auto texture = CTexture::create(64, 48, 1, Format::A8R8G8B8);
    std::vector<uint8_t> bytes(size_t(64) * 48 * 4);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* texel = &bytes[size_t(y * 64 + x) * 4];
            const bool drawn = x < 32 && y < 24;
            texel[0] = drawn ? 40 : 255; // the part beside is bright red
            texel[1] = drawn ? 80 : 0;
            texel[2] = drawn ? 120 : 0;
            texel[3] = 255;
        }
    texture->upload(0, PixelLayout::Rgba8, bytes.data());
    CPostQuad quads;
    for (QuadFilter filter : {QuadFilter::Point, QuadFilter::Linear}) {
        d.beginScene();
        quads.draw(texture.get(), 0, 0, 1, 1, 0xFFFFFFFFu, filter, {0.5f, 0.5f});
        readFrame();
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(pixel(x, y), 0xFF285078u) << "at " << x << ", " << y;
    }
}
