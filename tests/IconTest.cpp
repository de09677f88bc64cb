// The icons the media generator draws: every size the menu entry needs, a
// transparent rounded corner, and the glass piece in the middle.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <string>

namespace {

struct Icon {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Icon loadIcon(int size)
{
    Icon icon;
    const std::string file = std::string(VESBRIK_MEDIA_DIR) + "/icons/vesbrik-" + std::to_string(size) + ".png";
    int channels = 0;
    unsigned char* pixels = stbi_load(file.c_str(), &icon.width, &icon.height, &channels, 4);
    if (pixels) {
        icon.rgba.assign(pixels, pixels + static_cast<size_t>(icon.width) * icon.height * 4);
        stbi_image_free(pixels);
    }
    return icon;
}

} // namespace

TEST(Icons, EverySizeIsSquareWithClearCornersAndTheGlassPieceInside)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const Icon icon = loadIcon(size);
        ASSERT_EQ(icon.width, size) << "icon " << size << " missing or of another size";
        ASSERT_EQ(icon.height, size);
        EXPECT_EQ(icon.at(0, 0)[3], 0) << size;
        EXPECT_EQ(icon.at(size - 1, size - 1)[3], 0) << size;
        // The top middle cube of the T: opaque and cyan (more green and blue
        // than red).
        const unsigned char* cube = icon.at(size / 2, size * 2 / 5);
        EXPECT_EQ(cube[3], 255) << size;
        EXPECT_GT(cube[1], cube[0] + 60) << size;
        EXPECT_GT(cube[2], cube[0] + 60) << size;
    }
}
