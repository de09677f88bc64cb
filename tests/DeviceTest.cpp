#include "DeviceTestContext.h"

#include "platform/StateBlock.h"
#include "platform/Texture.h"

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

void drawTriangle(ScreenVertex a, ScreenVertex b, ScreenVertex c)
{
    const ScreenVertex vertices[3] = {a, b, c};
    device().setFvf(FvfScreenQuad);
    device().drawPrimitiveUP(PrimitiveType::TriangleList, 1, vertices, sizeof(ScreenVertex));
}

} // namespace

TEST_F(DeviceTest, ClearFillsTheBackBuffer)
{
    testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFF336699, 1.0f, 0);
    readFrame();
    EXPECT_EQ(pixel(0, 0), 0xFF336699u);
    EXPECT_EQ(pixel(63, 63), 0xFF336699u);
}

TEST_F(DeviceTest, DefaultCullingKeepsClockwiseScreenTriangles)
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
}
