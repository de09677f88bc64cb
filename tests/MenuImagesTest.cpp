// The generated menu images: present, readable, sized for their places on the
// 800 x 600 reference screen, and drawn together as the menu shows them.
#include "DeviceTestContext.h"

#include "device/Texture.h"
#include "view/MenuLayout.h"
#include "render/ScreenQuad.h"

#include <cstdlib>
#include <filesystem>

namespace {
const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;
}

// Suites named after what they test, on the shared fixture.
using MenuImagesDrawn = DeviceTest;

TEST(MenuImages, FitTheirPlacesOnTheReferenceScreen)
{
    const ImageInfo back = readImageInfo(MediaDir / "back1.tga");
    const ImageInfo title = readImageInfo(MediaDir / "title.tga");
    ASSERT_TRUE(back.valid && title.valid);
    EXPECT_EQ(back.channels, 4);
    // Title at (160, 30): inside the screen and above the item row at y = 540.
    EXPECT_LE(160 + title.width, 800);
    EXPECT_LE(30 + title.height, MenuLayout::ItemRowTop);
    // The four items fill their slots, side by side in the menu's order,
    // clear of the address plate (x < 240), inside the screen; so they fit
    // at every window size, which scales them all alike.
    const char* files[CMenu::ItemCount] = {"play.tga", "highscore.tga", "options.tga", "exit.tga"};
    int right = 240;
    for (int i = 0; i < CMenu::ItemCount; ++i) {
        const ImageInfo item = readImageInfo(MediaDir / files[i]);
        ASSERT_TRUE(item.valid) << files[i];
        EXPECT_EQ(item.width, MenuLayout::ItemSlots[i].width) << files[i];
        EXPECT_GE(MenuLayout::ItemSlots[i].left, right) << files[i];
        right = MenuLayout::ItemSlots[i].left + item.width;
        EXPECT_EQ(item.height, MenuLayout::ItemHeight);
    }
    EXPECT_LE(right, 800);
    EXPECT_LE(MenuLayout::ItemRowTop + MenuLayout::ItemHeight, 600);
}

TEST_F(MenuImagesDrawn, MenuImagesDrawAsTheMenuShowsThem)
{
    if (!std::filesystem::exists(MediaDir / "title.tga"))
        GTEST_SKIP() << "no generated media in " << MediaDir;
    makeDevice(800, 600);
    CScreenImage back(MediaDir / "back1.tga");
    CScreenImage title(MediaDir / "title.tga");
    CScreenImage play(MediaDir / "play.tga");
    CScreenImage scores(MediaDir / "highscore.tga");
    CScreenImage exit(MediaDir / "exit.tga");
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    // A stand-in for the board behind the menu.
    drawScreenQuad(nullptr, 0.4f, 0.1f, 0.6f, 0.8f, 0xFFCC4422, false);
    testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
    testDevice->setRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    testDevice->setRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    testDevice->setSamplerState(SamplerState::MagFilter, TexFilter::Linear);
    testDevice->setSamplerState(SamplerState::MinFilter, TexFilter::Linear);
    drawScreenQuad(back.texture(), 0, 0, 1, 1, 0xE5FFFFFF, false);
    title.draw(0.2f, 0.05f);
    play.colour = 0xFFFF4040; // the chosen item, on its way to red
    play.draw(0.5f, 0.9f);
    scores.colour = 0xDDFFFFFF;
    scores.draw(0.65f, 0.9f);
    exit.colour = 0xDDFFFFFF;
    exit.draw(0.85f, 0.9f);
    readFrame();
    if (const char* dir = std::getenv("VESBRIK_SAVE_PICTURES"))
        savePng(std::string(dir) + "/menu.png");

    // The title's letters are bright; the corners of its image let the background through.
    int brightTitle = 0;
    for (int y = 30; y < 170; ++y) {
        for (int x = 160; x < 640; ++x) {
            const uint32_t p = pixel(x, y);
            brightTitle += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 600;
        }
    }
    EXPECT_GT(brightTitle, 2000);
    // The background is thinner in the middle: the stand-in board shows
    // through there, dimmed.
    const uint32_t board = pixel(400, 300);
    EXPECT_GT((board >> 16) & 0xFF, 0x50u);
    EXPECT_LT((board >> 16) & 0xFF, 0xA0u);
    // The chosen item is tinted red: red dominates its brightest pixels.
    int redPixels = 0;
    for (int y = 540; y < 588; ++y) {
        for (int x = 400; x < 500; ++x) {
            const uint32_t p = pixel(x, y);
            redPixels += ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 120;
        }
    }
    EXPECT_GT(redPixels, 100);
}
