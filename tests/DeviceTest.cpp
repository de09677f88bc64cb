// The device layer drawn for real (headless GL) and read back pixel by pixel.
#include <unistd.h>
#include "DeviceTestContext.h"

#include "device/Buffers.h"
#include "device/Screenshot.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "render/ScreenQuad.h"
#include "tests/DataTestFolder.h"

#include <stb_image_write.h>

#include <cstring>
#include <filesystem>

namespace {

void drawTriangle(ScreenVertex a, ScreenVertex b, ScreenVertex c)
{
    const ScreenVertex vertices[3] = {a, b, c};
    device().setVertexLayout(ScreenVertexLayout);
    device().drawPrimitiveUP(PrimitiveType::TriangleList, 1, vertices, sizeof(ScreenVertex));
}

// A rectangle of pixels at depth z, drawn as two clockwise triangles.
void drawRect(float left, float top, float right, float bottom, float z, uint32_t colour)
{
    const ScreenVertex quad[4] = {{left, top, z, 1, colour, 0, 0},
                                  {right, top, z, 1, colour, 1, 0},
                                  {right, bottom, z, 1, colour, 1, 1},
                                  {left, bottom, z, 1, colour, 0, 1}};
    device().setVertexLayout(ScreenVertexLayout);
    device().drawPrimitiveUP(PrimitiveType::TriangleFan, 2, quad, sizeof(ScreenVertex));
}

// A vertex whose inputs lie in another order than a screen vertex's, with
// a word in between that feeds nothing.
struct ShuffledVertex {
    uint32_t colour;
    float unused;
    float u, v;
    float x, y, z, w;
};
constexpr VertexAttribute ShuffledAttributes[] = {
    {VertexInput::Colour, offsetof(ShuffledVertex, colour), ArgbWord},
    {VertexInput::TexCoord0, offsetof(ShuffledVertex, u), 2},
    {VertexInput::Position, offsetof(ShuffledVertex, x), 4},
};
constexpr VertexLayout ShuffledLayout{ShuffledAttributes, sizeof(ShuffledVertex)};

// A 2 x 2 texture: red, green on the top row; blue, white below.
std::unique_ptr<CTexture> fourColourTexture()
{
    auto texture = CTexture::create(2, 2, 1, Format::A8R8G8B8);
    const uint8_t pixels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    texture->upload(0, PixelLayout::Rgba8, pixels);
    return texture;
}

// A render target whose every byte differs from its neighbours, so a copy
// that shifts, drops or repeats a pixel shows.
std::unique_ptr<CTexture> patternedTarget(int width, int height)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = static_cast<uint8_t>(i * 7 + i / 256);
    auto picture = CTexture::create(width, height, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    picture->upload(0, PixelLayout::Rgba8, rgba.data());
    return picture;
}

} // namespace

// Suites named after what they test, on the shared fixture.
using Device = DeviceTest;

TEST_F(Device, ClearFillsTheBackBuffer)
{
    testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFF336699, 1.0f, 0);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFF336699u);
    EXPECT_EQ(pixel(63, 63), 0xFF336699u);
    // Presenting copies the picture out and leaves the back buffer as it was.
    testDevice->present();
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFF336699u);
}

TEST_F(Device, ScreenshotIsThePictureTopRowFirst)
{
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    drawScreenQuad(nullptr, 0, 0, 1, 0.25f, 0xFFFF0000, false);
    const auto folder = std::filesystem::temp_directory_path() / ("vesbrik_" + std::to_string(getpid()) + "_shots");
    const ScreenshotResult shot = saveScreenshot(*testDevice, folder, std::tm{});
    auto picture = loadTextureFromFile(shot.file);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(shot.saved) << shot.error;
    ASSERT_TRUE(picture);
    const auto pixels = picture->readPixels();
    EXPECT_EQ(argbOf(&pixels[0]), 0xFFFF0000u);
    EXPECT_EQ(argbOf(&pixels[(63 * 64) * 4]), 0xFF000000u);
}

TEST_F(Device, BackBufferKeepsNoAlpha)
{
    // Like a Direct3D X8R8G8B8 back buffer: a frame cleared to 0x00000000 is opaque black.
    testDevice->clear(ClearTarget, 0x00000000, 1.0f, 0);
    readFrame();
    EXPECT_EQ(pixel(3, 3), 0xFF000000u);
}

TEST_F(Device, ClearIgnoresTheColourWriteMask)
{
    testDevice->setRenderState(RenderState::ColorWriteEnable, 0u);
    testDevice->clear(ClearTarget, 0xFF102030, 1.0f, 0);
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFF102030u);
    // ...and the mask is still in force for drawing afterwards.
    testDevice->setRenderState(RenderState::ZEnable, false);
    drawRect(0, 0, 64, 64, 0, 0xFFFFFFFF);
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFF102030u);
}

TEST_F(Device, CullingFollowsTheScreenWinding)
{
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    testDevice->setRenderState(RenderState::ZEnable, false);
    // Clockwise as seen (y down): top left, top right, bottom left.
    drawTriangle({0, 0, 0, 1, 0xFFFF0000, 0, 0}, {32, 0, 0, 1, 0xFFFF0000, 0, 0}, {0, 32, 0, 1, 0xFFFF0000, 0, 0});
    // Anticlockwise: culled by the default mode.
    drawTriangle({32, 32, 0, 1, 0xFF00FF00, 0, 0}, {32, 64, 0, 1, 0xFF00FF00, 0, 0}, {64, 32, 0, 1, 0xFF00FF00, 0, 0});
    readFrame();
    EXPECT_EQ(pixel(4, 4), 0xFFFF0000u);
    EXPECT_EQ(pixel(36, 36), 0xFF000000u);

    testDevice->setRenderState(RenderState::CullMode, Cull::CW);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    drawTriangle({0, 0, 0, 1, 0xFFFF0000, 0, 0}, {32, 0, 0, 1, 0xFFFF0000, 0, 0}, {0, 32, 0, 1, 0xFFFF0000, 0, 0});
    drawTriangle({32, 32, 0, 1, 0xFF00FF00, 0, 0}, {32, 64, 0, 1, 0xFF00FF00, 0, 0}, {64, 32, 0, 1, 0xFF00FF00, 0, 0});
    readFrame();
    EXPECT_EQ(pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(pixel(36, 36), 0xFF00FF00u);
}

TEST_F(Device, FullScreenQuadCoversTheViewportExactlyWithTexelZeroAtTheTopLeft)
{
    makeDevice(64, 48);
    auto texture = fourColourTexture();
    testDevice->clear(ClearTarget, 0xFF808080, 1.0f, 0);
    drawScreenQuad(texture.get(), 0, 0, 1, 1, 0xFFFFFFFF, false);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(31, 23), 0xFFFF0000u);
    EXPECT_EQ(pixel(63, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(32, 0), 0xFF00FF00u);
    EXPECT_EQ(pixel(0, 47), 0xFF0000FFu);
    EXPECT_EQ(pixel(0, 24), 0xFF0000FFu);
    EXPECT_EQ(pixel(63, 47), 0xFFFFFFFFu);
    // Every pixel is covered: no row or column is left at the clear colour.
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x)
            ASSERT_NE(pixel(x, y), 0xFF808080u) << "at " << x << ", " << y;
    }
}

TEST_F(Device, CopyOverTheTargetIsTheFullScreenQuadPixelForPixel)
{
    makeDevice(64, 48);
    auto picture = patternedTarget(64, 48);

    drawScreenQuad(picture.get(), 0, 0, 1, 1, 0xFFFFFFFF, false);
    const std::vector<uint8_t> drawn = testDevice->readBackBuffer();
    testDevice->clear(ClearTarget, 0xFF808080, 1.0f, 0);
    ASSERT_TRUE(copyOverRenderTarget(*picture));
    EXPECT_EQ(testDevice->readBackBuffer(), drawn);

    // Another size, a viewport short of the target, or depth: nothing is copied.
    testDevice->clear(ClearTarget, 0xFF808080, 1.0f, 0);
    auto narrow = CTexture::create(32, 48, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    EXPECT_FALSE(copyOverRenderTarget(*narrow));
    testDevice->setViewport({0, 0, 32, 48, 0.0f, 1.0f});
    EXPECT_FALSE(copyOverRenderTarget(*picture));
    EXPECT_FALSE(testDevice->copySurface(testDevice->backDepthStencil(), testDevice->backBuffer()));
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFF808080u);
}

// A scene drawn at a smaller scale fills the top left of its targets, and
// only that part is copied for the glass and the mirror: the part must
// arrive whole and nothing beside it may change.
TEST_F(Device, CopyOfTheTopLeftPartLeavesTheRestAsItWas)
{
    makeDevice(64, 48);
    auto picture = patternedTarget(64, 48);
    ASSERT_TRUE(copyOverRenderTarget(*picture));
    readFrame();
    const std::vector<uint8_t> whole = frame;

    testDevice->clear(ClearTarget, 0xFF808080, 1.0f, 0);
    ASSERT_TRUE(testDevice->copySurfacePart(picture->surface(), testDevice->backBuffer(), 20, 10));
    readFrame();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const size_t at = (static_cast<size_t>(y) * 64 + static_cast<size_t>(x)) * 4;
            if (x < 20 && y < 10)
                ASSERT_EQ(std::memcmp(&frame[at], &whole[at], 4), 0) << "at " << x << ", " << y;
            else
                ASSERT_EQ(pixel(x, y), 0xFF808080u) << "at " << x << ", " << y;
        }
    // A part beyond either surface, or without area, copies nothing.
    EXPECT_FALSE(testDevice->copySurfacePart(picture->surface(), testDevice->backBuffer(), 65, 10));
    EXPECT_FALSE(testDevice->copySurfacePart(picture->surface(), testDevice->backBuffer(), 0, 10));

    // Depth and stencil likewise: the marks of the part come across, and a
    // stencil test then passes there only.
    auto marked = CTexture::create(64, 48, 1, Format::D24S8, TextureUsage::DepthStencil);
    auto kept = CTexture::create(64, 48, 1, Format::D24S8, TextureUsage::DepthStencil);
    CSurface* backDepth = testDevice->depthStencilSurface();
    testDevice->setDepthStencilSurface(marked->surface());
    testDevice->clear(ClearZBuffer | ClearStencil, 0, 1.0f, 1);
    testDevice->setDepthStencilSurface(kept->surface());
    testDevice->clear(ClearZBuffer | ClearStencil, 0, 1.0f, 0);
    ASSERT_TRUE(testDevice->copyDepthStencilPart(marked->surface(), kept->surface(), 20, 10));
    EXPECT_FALSE(testDevice->copyDepthStencilPart(marked->surface(), kept->surface(), 20, 49));
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    testDevice->setRenderState(RenderState::ZEnable, false);
    testDevice->setRenderState(RenderState::StencilEnable, true);
    testDevice->setRenderState(RenderState::StencilFunc, Cmp::Equal);
    testDevice->setRenderState(RenderState::StencilRef, 1u);
    drawRect(0, 0, 64, 48, 0.5f, 0xFFFFFFFF);
    testDevice->setDepthStencilSurface(backDepth);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(19, 9), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(20, 9), 0xFF000000u);
    EXPECT_EQ(pixel(19, 10), 0xFF000000u);
    EXPECT_EQ(pixel(63, 47), 0xFF000000u);
}

TEST_F(Device, PartialQuadCoversItsFractionOfTheViewport)
{
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    drawScreenQuad(nullptr, 0.25f, 0.5f, 0.5f, 1.0f, 0xFF00FF00, false);
    readFrame();
    int covered = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x)
            covered += pixel(x, y) == 0xFF00FF00u;
    }
    EXPECT_EQ(covered, 16 * 32);
    EXPECT_EQ(pixel(16, 32), 0xFF00FF00u);
    EXPECT_EQ(pixel(15, 32), 0xFF000000u);
    EXPECT_EQ(pixel(31, 63), 0xFF00FF00u);
    EXPECT_EQ(pixel(32, 63), 0xFF000000u);
}

TEST_F(Device, ScreenQuadPutsTheDeviceStateBack)
{
    auto texture = fourColourTexture();
    testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
    testDevice->setRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    testDevice->setSamplerState(SamplerState::MagFilter, TexFilter::Linear);
    const DeviceState before = testDevice->state();
    drawScreenQuad(texture.get(), 0, 0, 1, 1, 0xFFFFFFFF, false);
    EXPECT_TRUE(testDevice->state() == before);
    // With keepState only the vertex format may change.
    drawScreenQuad(texture.get(), 0, 0, 1, 1, 0xFFFFFFFF, true);
    DeviceState after = testDevice->state();
    after.layout = before.layout;
    EXPECT_TRUE(after == before);
}

TEST_F(Device, StateBlockRestoresWhatItCaptured)
{
    auto texture = fourColourTexture();
    testDevice->setRenderState(RenderState::CullMode, Cull::CW);
    testDevice->setRenderState(RenderState::StencilEnable, true);
    testDevice->setRenderState(FloatState::DepthBias, 0.0002f);
    testDevice->setSamplerState(SamplerState::MinFilter, TexFilter::Anisotropic);
    testDevice->setTexture(texture.get());
    testDevice->setVertexLayout(ShuffledLayout);
    CStateBlock block;

    testDevice->setRenderState(RenderState::CullMode, Cull::None);
    testDevice->setRenderState(RenderState::StencilEnable, false);
    testDevice->setRenderState(FloatState::DepthBias, 0.0f);
    testDevice->setSamplerState(SamplerState::MinFilter, TexFilter::Point);
    testDevice->setTexture(nullptr);
    testDevice->setVertexLayout(ScreenVertexLayout);
    block.apply();

    EXPECT_EQ(testDevice->renderState(RenderState::CullMode), stateValue(Cull::CW));
    EXPECT_EQ(testDevice->renderState(RenderState::StencilEnable), 1u);
    EXPECT_EQ(testDevice->renderState(FloatState::DepthBias), 0.0002f);
    EXPECT_EQ(testDevice->samplerState(SamplerState::MinFilter), stateValue(TexFilter::Anisotropic));
    EXPECT_EQ(testDevice->texture(), texture.get());
    EXPECT_EQ(&testDevice->vertexLayout(), &ShuffledLayout);
    EXPECT_TRUE(testDevice->state() == block.state());
}

TEST_F(Device, StateBlockDoesNotCaptureRenderTargets)
{
    auto target = CTexture::create(16, 16, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    CStateBlock block;
    testDevice->setRenderTarget(target->surface());
    block.apply();
    EXPECT_EQ(testDevice->renderTarget(), target->surface());
}

TEST_F(Device, RestoredStatesReachGl)
{
    // Blending on in the block, off when drawing in between, on again after.
    testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
    testDevice->setRenderState(RenderState::SrcBlend, Blend::One);
    testDevice->setRenderState(RenderState::DestBlend, Blend::One);
    testDevice->setRenderState(RenderState::ZEnable, false);
    CStateBlock block;
    testDevice->setRenderState(RenderState::AlphaBlendEnable, false);
    testDevice->clear(ClearTarget, 0xFF202020, 1.0f, 0);
    drawRect(0, 0, 32, 64, 0, 0xFF101010);
    block.apply();
    drawRect(32, 0, 64, 64, 0, 0xFF101010);
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFF101010u);
    EXPECT_EQ(pixel(40, 10), 0xFF303030u);
}

TEST_F(Device, ForcedFullApplyDrawsTheSame)
{
    testDevice->setForceFullApply(true);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    drawScreenQuad(nullptr, 0, 0, 0.5f, 1, 0xFF0000FF, false);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(40, 0), 0xFF000000u);
}

// ---- blending as the frame uses it ---------------------------------------------

class BlendTest : public DeviceTest {
protected:
    // A colour quad over a clear of the destination colour, with the blend
    // factors, in a target that keeps alpha (as the scene target does).
    uint32_t blend(uint32_t destination, uint32_t source, Blend sourceFactor, Blend destinationFactor)
    {
        auto target = CTexture::create(8, 8, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
        CSurface* back = testDevice->renderTarget();
        testDevice->setRenderTarget(target->surface());
        testDevice->clear(ClearTarget, destination, 1.0f, 0);
        testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
        testDevice->setRenderState(RenderState::SrcBlend, sourceFactor);
        testDevice->setRenderState(RenderState::DestBlend, destinationFactor);
        drawScreenQuad(nullptr, 0, 0, 1, 1, source, false);
        testDevice->setRenderState(RenderState::AlphaBlendEnable, false);
        testDevice->setRenderTarget(back);
        return argbOf(&target->readPixels()[(5 * 8 + 5) * 4]);
    }
};

TEST_F(BlendTest, SourceAlphaOverInverseSourceAlpha)
{
    // The HUD strip: black at alpha 0x88 over white leaves 255 - 136 = 119.
    // Alpha blends by the same factors: 0.533 x 0.533 + 1 x 0.467 = 0.751.
    const uint32_t result = blend(0xFFFFFFFF, 0x88000000, Blend::SrcAlpha, Blend::InvSrcAlpha);
    EXPECT_TRUE(nearColour(result, 0xBF777777, 1)) << std::hex << result;
}

TEST_F(BlendTest, BothSourceAlphaOverridesTheDestinationFactor)
{
    const uint32_t result = blend(0xFFFFFFFF, 0x88000000, Blend::BothSrcAlpha, Blend::Zero);
    EXPECT_TRUE(nearColour(result, 0xBF777777, 1)) << std::hex << result;
}

TEST_F(BlendTest, DestinationColourTimesZeroMultiplies)
{
    EXPECT_TRUE(nearColour(blend(0xFF808080, 0xFF80FF00, Blend::DestColor, Blend::Zero), 0xFF408000, 1));
}

TEST_F(BlendTest, OneAndOneAdds)
{
    EXPECT_TRUE(nearColour(blend(0xFF204060, 0xFF101010, Blend::One, Blend::One), 0xFF305070, 1));
}

// With no program set the screen program draws: the texture of unit 0 times
// the vertex colour, alpha too; no texture, or a cube map, reads white.
TEST_F(Device, TheScreenProgramMultipliesTheTextureByTheVertexColour)
{
    auto texture = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    const uint8_t texel[4] = {255, 128, 0, 128};
    texture->upload(0, PixelLayout::Rgba8, texel);
    auto cube = CTexture::createCube(1, 1, Format::A8R8G8B8);
    // Into a target that keeps alpha, to see what the program made of it.
    auto target = CTexture::create(64, 64, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    testDevice->setRenderTarget(target->surface());
    testDevice->clear(ClearTarget, 0x00000000, 1.0f, 0);
    drawScreenQuad(texture.get(), 0, 0, 0.5f, 1, 0x80808080, false);
    drawScreenQuad(nullptr, 0.5f, 0, 1, 0.5f, 0x80804020, false);
    drawScreenQuad(cube.get(), 0.5f, 0.5f, 1, 1, 0x40102030, false);
    frame = target->readPixels();
    EXPECT_TRUE(nearColour(pixel(10, 10), 0x40804000)) << std::hex << pixel(10, 10);
    EXPECT_EQ(pixel(50, 10), 0x80804020u);
    EXPECT_EQ(pixel(50, 50), 0x40102030u);
}

// ---- stencil and depth as the mirror uses them -----------------------------------

TEST_F(Device, StencilMarksWhereTheMirrorPassesTheDepthTest)
{
    testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFF000000, 1.0f, 0);
    // An occluder over the right half at depth 0.3.
    drawRect(32, 0, 64, 64, 0.3f, 0xFF0000FF);
    // The mirror over the whole target at depth 0.5, marking the stencil only.
    testDevice->setRenderState(RenderState::ColorWriteEnable, 0u);
    testDevice->setRenderState(RenderState::StencilEnable, true);
    testDevice->setRenderState(RenderState::StencilPass, StencilOp::Incr);
    testDevice->setRenderState(RenderState::StencilFunc, Cmp::Always);
    testDevice->setRenderState(RenderState::StencilRef, 0u);
    drawRect(0, 0, 64, 64, 0.5f, 0xFFFFFFFF);
    // Draw where 0 < stencil.
    testDevice->setRenderState(RenderState::StencilFunc, Cmp::Less);
    testDevice->setRenderState(RenderState::StencilPass, StencilOp::Keep);
    testDevice->setRenderState(RenderState::ColorWriteEnable, ColorWriteAll);
    testDevice->setRenderState(RenderState::ZEnable, false);
    drawRect(0, 0, 64, 64, 0.0f, 0xFFFF0000);
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(pixel(50, 10), 0xFF0000FFu);
}

TEST_F(Device, DepthBiasPushesDepthBack)
{
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawRect(0, 0, 64, 64, 0.5f, 0xFF00FF00);
    // The same depth again with a bias: fails the less-equal test.
    testDevice->setRenderState(FloatState::DepthBias, 0.0002f);
    drawRect(0, 0, 64, 64, 0.5f, 0xFFFF0000);
    testDevice->setRenderState(FloatState::DepthBias, 0.0f);
    drawRect(0, 0, 32, 64, 0.5f, 0xFF0000FF);
    readFrame();
    EXPECT_EQ(pixel(50, 10), 0xFF00FF00u);
    EXPECT_EQ(pixel(10, 10), 0xFF0000FFu);
}

// ---- vertex layouts ----------------------------------------------------------

// The inputs in another order than the screen vertex's, the colour first.
TEST_F(Device, AVertexLayoutFeedsEachInputFromItsPlaceInTheVertex)
{
    const ShuffledVertex corners[4] = {{0xFF20C040, 0.0f, 0, 0, 16, 8, 0.5f, 1},
                                       {0xFF20C040, 0.0f, 1, 0, 48, 8, 0.5f, 1},
                                       {0xFF20C040, 0.0f, 1, 1, 48, 40, 0.5f, 1},
                                       {0xFF20C040, 0.0f, 0, 1, 16, 40, 0.5f, 1}};
    CVertexBuffer vertices(sizeof(corners));
    std::memcpy(vertices.lock(), corners, sizeof(corners));
    vertices.unlock();
    CIndexBuffer indices(6);
    const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(indices.lock(), order, sizeof(order));
    indices.unlock();
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    testDevice->setVertexLayout(ShuffledLayout);
    testDevice->setStreamSource(&vertices, sizeof(ShuffledVertex));
    testDevice->setIndices(&indices);
    testDevice->drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 2);
    readFrame();
    EXPECT_EQ(pixel(16, 8), 0xFF20C040u);
    EXPECT_EQ(pixel(47, 39), 0xFF20C040u);
    EXPECT_EQ(pixel(15, 8), 0xFF000000u);
    EXPECT_EQ(pixel(48, 39), 0xFF000000u);
    EXPECT_EQ(pixel(47, 40), 0xFF000000u);

    // An index beyond the vertex buffer refuses the draw instead of reading past it.
    CIndexBuffer wild(3);
    const uint16_t far[3] = {0, 1, 4};
    std::memcpy(wild.lock(), far, sizeof(far));
    wild.unlock();
    testDevice->setIndices(&wild);
    const int drawsBefore = testDevice->drawCount();
    testDevice->drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 1);
    EXPECT_EQ(testDevice->drawCount(), drawsBefore);
    // From client memory, a stride shorter than the layout's vertex is refused too.
    testDevice->drawPrimitiveUP(PrimitiveType::TriangleFan, 2, corners, sizeof(ShuffledVertex) - 4);
    EXPECT_EQ(testDevice->drawCount(), drawsBefore);
}

// ---- textures from files ---------------------------------------------------------

TEST_F(Device, ImageFilesLoadTopRowFirstWithTheirSize)
{
    const auto path = std::filesystem::temp_directory_path() / ("vesbrik_" + std::to_string(getpid()) + "_device_test.png");
    const uint8_t pixels[3 * 2 * 4] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,
                                       9,   9, 9, 255, 9, 9,   9, 255, 9, 9, 9,   255};
    ASSERT_TRUE(stbi_write_png(path.c_str(), 3, 2, 4, pixels, 12));
    ImageInfo info;
    auto texture = loadTextureFromFile(path, &info);
    ASSERT_TRUE(texture);
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(texture->width(), 3);
    const auto read = texture->readPixels();
    EXPECT_EQ(argbOf(&read[0]), 0xFFFF0000u);
    EXPECT_EQ(argbOf(&read[12]), 0xFF090909u);
    std::filesystem::remove(path);

    EXPECT_FALSE(loadTextureFromFile("/nonexistent/picture.tga"));
    EXPECT_FALSE(readImageInfo("/nonexistent/picture.tga").valid);
}

namespace {

// An uncompressed 32-bit TGA of width x height, every pixel opaque grey.
std::string greyTga(int width, int height)
{
    std::string bytes(18, '\0');
    bytes[2] = 2; // true colour, not compressed
    bytes[12] = static_cast<char>(width & 0xFF), bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF), bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28; // top row first, 8 alpha bits
    return bytes + std::string(static_cast<size_t>(width) * height * 4, '\x80');
}

// Loads the bytes as the file name says; the problem, or "loaded".
std::string loadOutcome(const CDataTestFolder& folder, const std::string& name, const std::string& bytes)
{
    std::string problem;
    const auto texture = loadTextureFromFile(folder.write(name, bytes), nullptr, &problem);
    return texture ? "loaded" : problem;
}

} // namespace

TEST_F(Device, ImagesCutShortAreRefusedAndWholeOnesLoad)
{
    CDataTestFolder folder;
    // Every picture the game ships, of every kind and size, loads whole: the
    // check for a cut file must never refuse a good one.
    int shipped = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(VESBRIK_MEDIA_DIR)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".tga" && extension != ".jpg" && extension != ".png")
            continue;
        std::string problem;
        EXPECT_TRUE(loadTextureFromFile(entry.path(), nullptr, &problem)) << entry.path() << ": " << problem;
        ++shipped;
    }
    EXPECT_GE(shipped, 7);

    // Cut anywhere in its pixels, a picture is refused, not drawn half black;
    // cut in its header it is no picture at all.
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{64, 64}}) {
        const std::string tga = greyTga(width, height);
        EXPECT_EQ(loadOutcome(folder, "whole.tga", tga), "loaded") << width;
        for (size_t length : {size_t{19}, 18 + (tga.size() - 18) / 2, tga.size() - 1})
            EXPECT_EQ(loadOutcome(folder, "cut.tga", tga.substr(0, length)),
                      "cut short: its pixels end before the picture does")
                << width << " x " << height << " cut at " << length;
        EXPECT_EQ(loadOutcome(folder, "cut.tga", tga.substr(0, 10)), "not a readable image");
    }
    const std::string spot = readWholeFile(std::string(VESBRIK_MEDIA_DIR) + "/spot.jpg");
    ASSERT_GT(spot.size(), 100u);
    for (size_t length : {spot.size() / 2, spot.size() - 2})
        EXPECT_NE(loadOutcome(folder, "spot.jpg", spot.substr(0, length)), "loaded") << length;
    EXPECT_EQ(loadOutcome(folder, "random.jpg", std::string(300, '\x5A')), "not a readable image");
    EXPECT_EQ(loadOutcome(folder, "empty.jpg", ""), "not a readable image");
}

TEST_F(Device, SolidFillReachesEveryLevel)
{
    auto texture = CTexture::create(8, 8, 0, Format::A8R8G8B8);
    ASSERT_EQ(texture->levels(), 4);
    fillTextureSolid(texture.get(), 1.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_TRUE(nearColour(argbOf(texture->readPixels().data()), 0xFFFF8000, 1));
    // The smallest level: drawn with a point-sampled mip chain at 1 pixel.
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    testDevice->setSamplerState(SamplerState::MipFilter, TexFilter::Point);
    drawScreenQuad(texture.get(), 0, 0, 1.0f / 64, 1.0f / 64, 0xFFFFFFFF, false);
    readFrame();
    EXPECT_TRUE(nearColour(pixel(0, 0), 0xFFFF8000, 1));
}
