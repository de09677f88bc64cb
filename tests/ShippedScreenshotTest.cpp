// scripts/screenshot makes the shipped screenshot from the running game. Run
// into a test folder (the shipped file is left alone), it must give a picture
// of the shipped file's size that shows a game: bright enough to see, and
// the bricks' many colours on it, not a black or single-coloured frame.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "DataTestFolder.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

Picture loadPicture(const std::string& file)
{
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(file.c_str(), &picture.width, &picture.height, &channels, 3);
    if (pixels) {
        picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
        stbi_image_free(pixels);
    }
    return picture;
}

// Pixels of a clear colour in each of six hues (red, yellow, green, cyan,
// blue, magenta): the colours of the pieces.
std::array<int, 6> clearColours(const Picture& picture)
{
    std::array<int, 6> counts{};
    for (size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
        const int r = picture.rgb[i], g = picture.rgb[i + 1], b = picture.rgb[i + 2];
        const int high = std::max({r, g, b}), low = std::min({r, g, b});
        if (high < 100 || high - low < high / 2)
            continue;
        auto strong = [&](int c) { return c - low > (high - low) / 2; };
        const int hue = strong(r) ? (strong(g) ? 1 : strong(b) ? 5 : 0) : strong(g) ? (strong(b) ? 3 : 2) : 4;
        ++counts[static_cast<size_t>(hue)];
    }
    return counts;
}

} // namespace

TEST(ShippedScreenshot, TheScriptMakesAPictureOfAGameAtTheShippedSize)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string made = folder.path("play.png");
    const std::string command = "VESBRIK_SCRIPT_DRIVER='" VESBRIK_SCRIPT "' '" VESBRIK_SOURCE_DIR
                                "/scripts/screenshot' '" + made + "' >'" + folder.path("said.txt") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readWholeFile(folder.path("said.txt"));

    const Picture picture = loadPicture(made);
    const Picture shipped = loadPicture(VESBRIK_SOURCE_DIR "/data/screenshots/vesbrik-play.png");
    ASSERT_FALSE(picture.rgb.empty()) << "no PNG at " << made;
    EXPECT_EQ(picture.width, 1280);
    EXPECT_EQ(picture.height, 720);
    EXPECT_EQ(shipped.width, picture.width);
    EXPECT_EQ(shipped.height, picture.height);

    double sum = 0;
    for (uint8_t channel : picture.rgb)
        sum += channel;
    const double mean = sum / static_cast<double>(picture.rgb.size());
    EXPECT_GT(mean, 40.0) << "too dark";
    EXPECT_LT(mean, 200.0) << "washed out";
    const std::array<int, 6> hues = clearColours(picture);
    for (size_t hue = 0; hue < hues.size(); ++hue)
        EXPECT_GT(hues[hue], 1000) << "hue " << hue << " (red, yellow, green, cyan, blue, magenta)";
}
