// The DDS reader from bytes built in memory: formats, cube faces, damage.
#include <unistd.h>
#include "device/DdsReader.h"

#include "DeviceTestContext.h"
#include "device/Texture.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

void put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A header for the size, levels and pixel format; pixel data is appended by the caller.
std::vector<uint8_t> header(int width, int height, int levels, const char* fourCC, bool cube,
                            uint32_t bits = 32, uint32_t alphaMask = 0xFF000000)
{
    std::vector<uint8_t> bytes(128, 0);
    std::memcpy(bytes.data(), "DDS ", 4);
    put32(bytes, 4, 124);
    put32(bytes, 8, 0x1007 | (levels > 1 ? 0x20000 : 0));
    put32(bytes, 12, static_cast<uint32_t>(height));
    put32(bytes, 16, static_cast<uint32_t>(width));
    put32(bytes, 28, static_cast<uint32_t>(levels));
    put32(bytes, 76, 32);
    if (fourCC) {
        put32(bytes, 80, 0x4);
        std::memcpy(&bytes[84], fourCC, 4);
    } else {
        put32(bytes, 80, 0x40 | (alphaMask ? 0x1 : 0));
        put32(bytes, 88, bits);
        put32(bytes, 92, 0x00FF0000);
        put32(bytes, 96, 0x0000FF00);
        put32(bytes, 100, 0x000000FF);
        put32(bytes, 104, alphaMask);
    }
    put32(bytes, 108, 0x1000);
    if (cube)
        put32(bytes, 112, 0x200 | 0xFC00);
    return bytes;
}

uint32_t texelArgb(const std::vector<uint8_t>& rgba, size_t index) { return argbOf(&rgba[index * 4]); }

} // namespace

// Suites named after what they test, on the shared fixture.
using DdsCubeTexture = DeviceTest;

TEST(DdsReader, ReadsThirtyTwoBitPixelsByTheirMasks)
{
    auto bytes = header(2, 1, 1, nullptr, false);
    const uint8_t pixels[8] = {0x30, 0x20, 0x10, 0x80, 0xFF, 0x00, 0x00, 0xFF}; // B G R A words
    bytes.insert(bytes.end(), pixels, pixels + 8);
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(bytes.data(), bytes.size(), image, error)) << error;
    EXPECT_EQ(image.width, 2);
    EXPECT_FALSE(image.cube);
    EXPECT_EQ(texelArgb(image.faces[0][0], 0), 0x80102030u);
    EXPECT_EQ(texelArgb(image.faces[0][0], 1), 0xFF0000FFu);
}

TEST(DdsReader, ReadsEveryLevelOfEveryCubeFace)
{
    auto bytes = header(2, 2, 2, nullptr, true, 32, 0);
    for (int face = 0; face < 6; ++face) {
        for (int texel = 0; texel < 4 + 1; ++texel) {
            const uint8_t bgra[4] = {static_cast<uint8_t>(face * 40), 0, static_cast<uint8_t>(texel), 0};
            bytes.insert(bytes.end(), bgra, bgra + 4);
        }
    }
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(bytes.data(), bytes.size(), image, error)) << error;
    ASSERT_TRUE(image.cube);
    ASSERT_EQ(image.faces.size(), 6u);
    EXPECT_EQ(image.levels, 2);
    EXPECT_EQ(texelArgb(image.faces[5][0], 3), 0xFF0300C8u); // no alpha mask: opaque
    EXPECT_EQ(texelArgb(image.faces[5][1], 0), 0xFF0400C8u);
}

TEST(DdsReader, DecodesDxt1BlocksWithBothColourModes)
{
    auto bytes = header(8, 4, 1, "DXT1", false);
    // Block 1: red (0xF800) and blue (0x001F), four-colour mode; indices 0, 1, 2, 3 along the top row.
    const uint8_t four[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    // Block 2: c0 <= c1 gives three colours and transparent black for index 3.
    const uint8_t three[8] = {0x1F, 0x00, 0x00, 0xF8, 0xFF, 0x00, 0x00, 0x00};
    bytes.insert(bytes.end(), four, four + 8);
    bytes.insert(bytes.end(), three, three + 8);
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(bytes.data(), bytes.size(), image, error)) << error;
    const auto& texels = image.faces[0][0];
    EXPECT_EQ(texelArgb(texels, 0), 0xFFFF0000u);
    EXPECT_EQ(texelArgb(texels, 1), 0xFF0000FFu);
    EXPECT_EQ(texelArgb(texels, 2), 0xFFAA0055u);
    EXPECT_EQ(texelArgb(texels, 3), 0xFF5500AAu);
    EXPECT_EQ(texelArgb(texels, 4 + 0), 0x00000000u); // second block, index 3 in its first texels
    EXPECT_EQ(texelArgb(texels, 8 + 4), 0xFF0000FFu); // second row of the first block: index 0
}

TEST(DdsReader, DecodesDxt3AndDxt5Alpha)
{
    auto dxt3 = header(4, 4, 1, "DXT3", false);
    uint8_t block3[16] = {0x0F, 0xF0};
    block3[8] = 0xFF, block3[9] = 0xFF; // white
    dxt3.insert(dxt3.end(), block3, block3 + 16);
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(dxt3.data(), dxt3.size(), image, error)) << error;
    EXPECT_EQ(texelArgb(image.faces[0][0], 0), 0xFFFFFFFFu);
    EXPECT_EQ(texelArgb(image.faces[0][0], 1), 0x00FFFFFFu);
    EXPECT_EQ(texelArgb(image.faces[0][0], 2), 0x00FFFFFFu);
    EXPECT_EQ(texelArgb(image.faces[0][0], 3), 0xFFFFFFFFu);

    auto dxt5 = header(4, 4, 1, "DXT5", false);
    // Alpha 255 and 0, eight-step mode; texel 0 index 0 (255), texel 1 index 1 (0), texel 2 index 2 (6/7 of 255).
    uint8_t block5[16] = {255, 0, 0x88, 0x00, 0, 0, 0, 0};
    dxt5.insert(dxt5.end(), block5, block5 + 16);
    ASSERT_TRUE(parseDds(dxt5.data(), dxt5.size(), image, error)) << error;
    EXPECT_EQ(image.faces[0][0][3], 255);
    EXPECT_EQ(image.faces[0][0][7], 0);
    EXPECT_EQ(image.faces[0][0][11], 218);
}

TEST(DdsReader, DamagedFilesGiveAReason)
{
    auto good = header(4, 4, 3, "DXT1", true);
    good.resize(good.size() + 6 * (8 + 8 + 8), 0);
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(good.data(), good.size(), image, error)) << error;
    // Cut anywhere: a clear failure, never a read past the end.
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(parseDds(truncated.data(), truncated.size(), image, error)) << cut;
        EXPECT_FALSE(error.empty());
    }
    auto huge = header(1 << 20, 4, 1, "DXT1", false);
    EXPECT_FALSE(parseDds(huge.data(), huge.size(), image, error));
    // A cube map that leaves its faces out of the file cannot make it allocate gigabytes.
    auto hollow = header(16384, 16384, 1, "DXT1", true);
    put32(hollow, 112, 0x200 | 0x400);
    EXPECT_FALSE(parseDds(hollow.data(), hollow.size(), image, error));
    auto strange = header(4, 4, 1, "ATI2", false);
    strange.resize(strange.size() + 64);
    EXPECT_FALSE(parseDds(strange.data(), strange.size(), image, error));
    auto notSquare = header(4, 2, 1, nullptr, true);
    notSquare.resize(notSquare.size() + 6 * 32);
    EXPECT_FALSE(parseDds(notSquare.data(), notSquare.size(), image, error));
    // A mip count larger than the chain is held to the chain.
    auto manyLevels = header(2, 2, 99, nullptr, false);
    manyLevels.resize(manyLevels.size() + (4 + 1) * 4);
    ASSERT_TRUE(parseDds(manyLevels.data(), manyLevels.size(), image, error)) << error;
    EXPECT_EQ(image.levels, 2);
}

TEST_F(DdsCubeTexture, DdsCubeMapBecomesACubeTexture)
{
    auto bytes = header(2, 2, 1, nullptr, true);
    for (int face = 0; face < 6; ++face) {
        for (int texel = 0; texel < 4; ++texel) {
            const uint8_t bgra[4] = {0, 0, static_cast<uint8_t>(50 + face), 255};
            bytes.insert(bytes.end(), bgra, bgra + 4);
        }
    }
    const auto path = std::filesystem::temp_directory_path() / ("vesbrik_" + std::to_string(getpid()) + "_cube.dds");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    auto texture = loadDdsTexture(path);
    std::filesystem::remove(path);
    ASSERT_TRUE(texture);
    EXPECT_TRUE(texture->isCube());
    EXPECT_EQ(argbOf(texture->readPixels().data()), 0xFF320000u); // face +x
    EXPECT_FALSE(loadDdsTexture("/nonexistent/Chrome128.dds"));
}
