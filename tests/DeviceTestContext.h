#pragma once
// A hidden window with an OpenGL 4.5 core context for tests that draw, and a
// fresh published device on it for every test. Tests skip, saying why, when
// no such context can be made (no Mesa, no EGL).
#include "device/Device.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Makes the window and context once per test program; empty on success,
// otherwise the reason there is none.
const std::string& openTestGlContext();

class DeviceTest : public ::testing::Test {
protected:
    // A back buffer of this size; a test may call makeDevice again for another.
    void SetUp() override;
    void TearDown() override;
    void makeDevice(int width, int height);

    // The back buffer's pixel at (x, y) from the top left, as 0xAARRGGBB.
    uint32_t pixel(int x, int y) const;
    // Saves the frame read last as an opaque PNG (for looking at what a test drew).
    void savePng(const std::string& path) const;

    std::unique_ptr<CDevice> testDevice;
    std::vector<uint8_t> frame;
    void readFrame() { frame = testDevice->readBackBuffer(); }
};

// ARGB of an RGBA byte quadruple.
inline uint32_t argbOf(const uint8_t* rgba)
{
    return (uint32_t(rgba[3]) << 24) | (uint32_t(rgba[0]) << 16) | (uint32_t(rgba[1]) << 8) | rgba[2];
}
// Whether two ARGB colours differ by at most tolerance in every channel.
bool nearColour(uint32_t a, uint32_t b, int tolerance = 2);
