// The rendering toolkit: render textures and their save / bind / restore
// rules, screen images, and drawing lists of items by material and pass.
#include <unistd.h>
#include "DeviceTestContext.h"

#include "render/Material.h"
#include "render/RenderList.h"
#include "render/RenderTexture.h"
#include "render/ScreenQuad.h"

#include <stb_image_write.h>

#include <filesystem>
#include <string>
#include <vector>

// ---- render textures ---------------------------------------------------------------

// Suites named after what they test, on the shared fixture.
using RenderTexture = DeviceTest;
using ScreenImage = DeviceTest;

TEST_F(RenderTexture, RenderTextureOfSizeZeroTakesTheViewportAtCreation)
{
    makeDevice(80, 60);
    CRenderTexture target(testDevice.get(), 0, 0, Format::A8R8G8B8);
    EXPECT_EQ(target.colorTexture()->width(), 80);
    EXPECT_EQ(target.colorTexture()->height(), 60);
    EXPECT_EQ(target.requestedWidth(), 0u);
    EXPECT_EQ(target.depthTexture(), nullptr);
    // A later viewport change does not resize it.
    testDevice->setViewport(Viewport{0, 0, 40, 30, 0, 1});
    target.bind();
    EXPECT_EQ(target.colorTexture()->width(), 80);
    CRenderTexture shadow(testDevice.get(), 512, 512, Format::R32F, Format::D24S8);
    EXPECT_EQ(shadow.colorTexture()->width(), 512);
    ASSERT_NE(shadow.depthTexture(), nullptr);
    EXPECT_EQ(shadow.depthTexture()->format(), Format::D24S8);
}

TEST_F(RenderTexture, BindAndRestoreSwapTargetsAndTheirViewport)
{
    CRenderTexture target(testDevice.get(), 16, 8, Format::A8R8G8B8);
    CSurface* back = testDevice->renderTarget();
    CSurface* depth = testDevice->depthStencilSurface();
    target.saveTarget();
    target.bind();
    EXPECT_EQ(testDevice->renderTarget(), target.colorTexture()->surface());
    EXPECT_EQ(testDevice->viewport().width, 16);
    // Without a depth texture the device's depth-stencil surface stays.
    EXPECT_EQ(testDevice->depthStencilSurface(), depth);
    testDevice->clear(ClearTarget, 0xFF00FF00, 1.0f, 0);
    target.restoreTarget();
    EXPECT_EQ(testDevice->renderTarget(), back);
    EXPECT_EQ(testDevice->depthStencilSurface(), depth);
    EXPECT_EQ(testDevice->viewport().width, 64);
    EXPECT_EQ(argbOf(target.colorTexture()->readPixels().data()), 0xFF00FF00u);
}

TEST_F(RenderTexture, RestoreGoesBackToWhatTheLastSaveRemembered)
{
    CRenderTexture a(testDevice.get(), 16, 16, Format::A8R8G8B8);
    CRenderTexture b(testDevice.get(), 16, 16, Format::A8R8G8B8, Format::D24S8);
    CSurface* back = testDevice->renderTarget();
    CSurface* backDepth = testDevice->depthStencilSurface();
    a.saveTarget(); // remembers the back buffer
    a.bind();
    b.saveTarget(); // remembers a, and the back buffer's depth-stencil surface
    b.bind();
    EXPECT_EQ(testDevice->depthStencilSurface(), b.depthTexture()->surface());
    a.bind(); // binding another target leaves b's depth in place
    EXPECT_EQ(testDevice->depthStencilSurface(), b.depthTexture()->surface());
    b.restoreTarget();
    EXPECT_EQ(testDevice->renderTarget(), a.colorTexture()->surface());
    EXPECT_EQ(testDevice->depthStencilSurface(), backDepth);
    a.restoreTarget();
    EXPECT_EQ(testDevice->renderTarget(), back);
    // A restore without a save changes nothing.
    a.restoreTarget();
    EXPECT_EQ(testDevice->renderTarget(), back);
}

TEST_F(RenderTexture, StencilMarksOfTheDeviceSurfaceReachATargetWithoutDepth)
{
    // The mirror step: marks made in the back buffer's stencil restrict the
    // drawing into the aux target, which shares that surface.
    CRenderTexture aux(testDevice.get(), 0, 0, Format::A8R8G8B8);
    testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFF000000, 1.0f, 0);
    testDevice->setRenderState(RenderState::StencilEnable, true);
    testDevice->setRenderState(RenderState::StencilPass, StencilOp::Incr);
    testDevice->setRenderState(RenderState::ColorWriteEnable, 0u);
    drawScreenQuad(nullptr, 0, 0, 0.5f, 1, 0xFFFFFFFF, false);
    testDevice->setRenderState(RenderState::ColorWriteEnable, ColorWriteAll);
    testDevice->setRenderState(RenderState::StencilFunc, Cmp::Less);
    testDevice->setRenderState(RenderState::StencilPass, StencilOp::Keep);
    aux.saveTarget();
    aux.bind();
    testDevice->clear(ClearTarget | ClearZBuffer, 0x00000000, 1.0f, 0);
    drawScreenQuad(nullptr, 0, 0, 1, 1, 0xFFFF0000, false);
    aux.restoreTarget();
    const auto pixels = aux.colorTexture()->readPixels();
    EXPECT_EQ(argbOf(&pixels[(10 * 64 + 10) * 4]), 0xFFFF0000u);
    EXPECT_EQ(argbOf(&pixels[(10 * 64 + 50) * 4]), 0x00000000u);
}

TEST_F(RenderTexture, DepthTextureHoldsTheDepthForSampling)
{
    CRenderTexture shadow(testDevice.get(), 32, 32, Format::R32F, Format::D24S8);
    {
        CRenderTargetScope scope(shadow);
        testDevice->clear(ClearTarget | ClearZBuffer, 0xFFFFFFFF, 1.0f, 0);
        const ScreenVertex quad[4] = {{0, 0, 0.25f, 1, 0, 0, 0}, {32, 0, 0.25f, 1, 0, 0, 0}, {32, 32, 0.25f, 1, 0, 0, 0},
                           {0, 32, 0.25f, 1, 0, 0, 0}};
        testDevice->setVertexLayout(ScreenVertexLayout);
        testDevice->drawPrimitiveUP(PrimitiveType::TriangleFan, 2, quad, sizeof(ScreenVertex));
    }
    EXPECT_EQ(testDevice->renderTarget(), testDevice->backBuffer());
    const auto depth = shadow.depthTexture()->readFloats();
    EXPECT_NEAR(depth[5 * 32 + 5], 0.25f, 1e-4f);
    // The colour target is one float channel.
    EXPECT_NEAR(shadow.colorTexture()->readFloats()[0], 0.0f, 1e-6f);
}

using RenderTextureDeathTest = DeviceTest;

TEST_F(RenderTextureDeathTest, FailuresEndTheProgramWithTheirMessage)
{
    EXPECT_EXIT(CRenderTexture(nullptr, 16, 16, Format::A8R8G8B8), ::testing::ExitedWithCode(1),
                "CRenderTexture::CRenderTexture: Device failure");
    EXPECT_EXIT(CRenderTexture(testDevice.get(), 16, 16, Format::Unknown), ::testing::ExitedWithCode(1),
                "D3DXCreateTexture failure");
    EXPECT_EXIT(CRenderTexture(testDevice.get(), 16, 16, Format::A8R8G8B8, Format::R32F),
                ::testing::ExitedWithCode(1), "CreateDepthStencilSurface failure");
}

// ---- screen images ------------------------------------------------------------------

TEST_F(ScreenImage, ScreenImageCoversItsPixelsOnTheReferenceScreen)
{
    makeDevice(400, 300); // half the reference size: the image is drawn at half its size
    const auto path = std::filesystem::temp_directory_path() / ("vesbrik_" + std::to_string(getpid()) + "_image_test.png");
    std::vector<uint8_t> pixels(80 * 60 * 4, 255);
    ASSERT_TRUE(stbi_write_png(path.c_str(), 80, 60, 4, pixels.data(), 80 * 4));
    CScreenImage image(path);
    std::filesystem::remove(path);
    ASSERT_NE(image.texture(), nullptr);
    EXPECT_EQ(image.info().width, 80);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    image.colour = 0xFF00FFFF;
    image.draw(0.5f, 0.5f);
    readFrame();
    EXPECT_EQ(pixel(200, 150), 0xFF00FFFFu);
    EXPECT_EQ(pixel(239, 179), 0xFF00FFFFu);
    EXPECT_EQ(pixel(240, 150), 0xFF000000u);
    EXPECT_EQ(pixel(200, 180), 0xFF000000u);
    EXPECT_EQ(pixel(199, 150), 0xFF000000u);
}

TEST_F(ScreenImage, MissingScreenImageDrawsNothing)
{
    CScreenImage image("/nonexistent/back1.tga");
    EXPECT_EQ(image.texture(), nullptr);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    image.draw(0, 0);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(testDevice->drawCount(), 0);
}

// ---- render lists ----------------------------------------------------------------------

namespace {

// Records every call in one shared log.
class CLoggingMaterial : public CMaterial {
public:
    CLoggingMaterial(std::string name, int passes, std::vector<std::string>& log)
        : name(std::move(name)), passes(passes), log(log)
    {
    }
    bool reload() override { return false; }
    int begin() override
    {
        log.push_back(name + ".begin");
        return passes;
    }
    void beginPass(int pass) override { log.push_back(name + ".beginPass" + std::to_string(pass)); }
    void apply(const CSceneEntity&, const MaterialValues&) override {}
    void endPass(int pass) override { log.push_back(name + ".endPass" + std::to_string(pass)); }
    void end() override { log.push_back(name + ".end"); }

private:
    std::string name;
    int passes;
    std::vector<std::string>& log;
};

class CLoggingDrawer : public CItemDrawer {
public:
    explicit CLoggingDrawer(std::vector<std::string>& log) : log(log) {}
    void drawItem(const RenderItem& item) override
    {
        // Items are told apart by the entity pointer's value in these tests.
        log.push_back("draw" + std::to_string(reinterpret_cast<uintptr_t>(item.entity)));
    }

private:
    std::vector<std::string>& log;
};

CSceneEntity* entity(uintptr_t n) { return reinterpret_cast<CSceneEntity*>(n); }

} // namespace

TEST(RenderList, EmptyListCallsNoMaterial)
{
    std::vector<std::string> log;
    CLoggingDrawer drawer(log);
    drawRenderList({}, drawer);
    EXPECT_TRUE(log.empty());
}

TEST(RenderList, RunsAreBegunOnceAndDrawnInEveryPass)
{
    std::vector<std::string> log;
    CLoggingMaterial a("A", 2, log);
    CLoggingMaterial b("B", 1, log);
    CLoggingDrawer drawer(log);
    const RenderList list = {{nullptr, entity(1), &a}, {nullptr, entity(2), &a}, {nullptr, entity(3), &b},
                             {nullptr, entity(4), &a}};
    drawRenderList(list, drawer);
    const std::vector<std::string> expected = {
        "A.begin", "A.beginPass0", "draw1", "draw2", "A.endPass0", "A.beginPass1", "draw1", "draw2", "A.endPass1",
        "A.end",
        "B.begin", "B.beginPass0", "draw3", "B.endPass0", "B.end",
        "A.begin", "A.beginPass0", "draw4", "A.endPass0", "A.beginPass1", "draw4", "A.endPass1", "A.end"};
    EXPECT_EQ(log, expected);
}

TEST(RenderList, ItemsWithoutMaterialAreSkipped)
{
    std::vector<std::string> log;
    CLoggingMaterial a("A", 1, log);
    CLoggingDrawer drawer(log);
    const RenderList list = {{nullptr, entity(1), &a}, {nullptr, entity(2), nullptr}, {nullptr, entity(3), &a}};
    drawRenderList(list, drawer);
    const std::vector<std::string> expected = {"A.begin", "A.beginPass0", "draw1", "A.endPass0", "A.end",
                                               "A.begin", "A.beginPass0", "draw3", "A.endPass0", "A.end"};
    EXPECT_EQ(log, expected);
}

