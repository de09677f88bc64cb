#include "DeviceTestContext.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdlib>

#include "files/PictureFile.h"
#include "platform/Window.h"


const std::string& openTestGlContext()
{
    // Tests never need a screen: Mesa's off-screen EGL path gives real GL.
    static const std::string reason = openOffscreenGlContext(64, 64);
    return reason;
}

void DeviceTest::SetUp()
{
    if (!openTestGlContext().empty())
        GTEST_SKIP() << "drawing tests need an OpenGL 4.5 core context: " << openTestGlContext();
    makeDevice(64, 64);
}

void DeviceTest::TearDown()
{
    // Whatever a test drew, the layer must not have misused GL on the way.
    if (testDevice) {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "the device layer caused a GL error";
    }
    publishDevice(nullptr);
    testDevice.reset();
}

void DeviceTest::makeDevice(int width, int height)
{
    publishDevice(nullptr);
    testDevice.reset();
    testDevice = std::make_unique<CDevice>();
    ASSERT_TRUE(testDevice->create(nullptr, width, height)) << testDevice->error();
    publishDevice(testDevice.get());
    testDevice->beginScene();
}

uint32_t DeviceTest::pixel(int x, int y) const
{
    const size_t at = (static_cast<size_t>(y) * testDevice->width() + x) * 4;
    if (at + 4 > frame.size())
        return 0xDEADBEEF;
    return argbOf(&frame[at]);
}

void DeviceTest::savePng(const std::string& path) const
{
    writePicture(path, frame, testDevice->width(), testDevice->height());
}

bool nearColour(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance)
            return false;
    }
    return true;
}
