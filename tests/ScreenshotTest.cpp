// Screenshots: an opaque PNG of the frame in the pictures folder, named by
// time, never replacing another shot, and a clear answer when it cannot be
// written.
#include "files/PictureFile.h"

#include <gtest/gtest.h>

#include <stb_image.h>
#include <sys/stat.h>

#include "DataTestFolder.h"

namespace fs = std::filesystem;

namespace {

std::tm sampleTime()
{
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 0;
    time.tm_mday = 31;
    time.tm_hour = 23;
    time.tm_min = 59;
    time.tm_sec = 58;
    return time;
}

// 3 x 2 pixels: red, green, blue on top, then three half-transparent greys.
std::vector<uint8_t> smallPicture()
{
    return {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 9, 9, 9, 128, 9, 9, 9, 0, 9, 9, 9, 7};
}

} // namespace

TEST(Screenshot, SavesAnOpaquePngNamedByTimeInAFolderItMakes)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    const fs::path folder = fs::path(temp.path("Pictures")) / "Vesbrik";
    const ScreenshotResult result = savePicture(smallPicture(), 3, 2, folder, sampleTime());
    ASSERT_TRUE(result.saved) << result.error;
    EXPECT_EQ(result.file, folder / "vesbrik-2026-01-31-235958.png");

    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(result.file.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(pixels[0], 255); // red, top left: the top row comes first
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[6], 0);
    EXPECT_EQ(pixels[10], 255); // blue, top right
    for (int i = 3; i < 24; i += 4)
        EXPECT_EQ(pixels[i], 255) << "alpha of pixel " << i / 4;
    stbi_image_free(pixels);
}

TEST(Screenshot, ShotsWithinOneSecondNeverReplaceEachOther)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    const fs::path folder = temp.path("shots");
    const ScreenshotResult first = savePicture(smallPicture(), 3, 2, folder, sampleTime());
    const ScreenshotResult second = savePicture(smallPicture(), 3, 2, folder, sampleTime());
    const ScreenshotResult third = savePicture(smallPicture(), 3, 2, folder, sampleTime());
    ASSERT_TRUE(first.saved && second.saved && third.saved);
    EXPECT_NE(first.file, second.file);
    EXPECT_NE(second.file, third.file);
    EXPECT_EQ(second.file.filename(), "vesbrik-2026-01-31-235958-2.png");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}), 3);
}

TEST(Screenshot, UnwritablePlacesAndBadPicturesAreReportedNotCrashed)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    temp.write("file", "in the way");
    ScreenshotResult result = savePicture(smallPicture(), 3, 2, fs::path(temp.path("file")) / "Vesbrik", sampleTime());
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(result.error.empty());

    if (geteuid() != 0) { // root writes anywhere
        fs::create_directory(temp.path("locked"));
        chmod(temp.path("locked").c_str(), 0500);
        result = savePicture(smallPicture(), 3, 2, temp.path("locked"), sampleTime());
        EXPECT_FALSE(result.saved);
        EXPECT_NE(result.error.find("cannot write"), std::string::npos) << result.error;
    }

    result = savePicture(smallPicture(), 4, 2, temp.path("shots"), sampleTime()); // wrong size
    EXPECT_FALSE(result.saved);
    result = savePicture({}, 0, 0, temp.path("shots"), sampleTime());
    EXPECT_FALSE(result.saved);
    EXPECT_FALSE(fs::exists(temp.path("shots")));
}

TEST(Screenshot, AShotToANamedFileReplacesItWholeAndOnlyWithAPicture)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    temp.write("shot.png", "an older shot");
    const std::string path = temp.path("shot.png");
    EXPECT_FALSE(writePicture(path, smallPicture(), 4, 2)); // the size does not match
    EXPECT_FALSE(writePicture(path, {}, 0, 0));
    EXPECT_FALSE(writePicture(temp.path("no/such/folder/shot.png"), smallPicture(), 3, 2));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path("")), fs::directory_iterator{}), 1);

    ASSERT_TRUE(writePicture(path, smallPicture(), 3, 2));
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(pixels[19], 255) << "saved opaque, as the window shows it";
    stbi_image_free(pixels);
}
