// Text drawn through FreeType and read back.
#include "DeviceTestContext.h"

#include "device/Font.h"

namespace {

// The extent of the pixels that differ from the background.
struct Extent {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

} // namespace

class FontTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped())
            return;
        makeDevice(320, 120);
    }

    Extent drawn(uint32_t background)
    {
        readFrame();
        Extent e;
        for (int y = 0; y < testDevice->height(); ++y) {
            for (int x = 0; x < testDevice->width(); ++x) {
                if (pixel(x, y) == background)
                    continue;
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = std::min(e.top, y);
                e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
        }
        return e;
    }
};

TEST_F(FontTest, FaceNamesResolveToAnInstalledFont)
{
    auto font = CFont::create("Tahoma", 24, 16);
    ASSERT_TRUE(font) << "no font found through fontconfig";
    EXPECT_FALSE(font->file().empty());
    EXPECT_EQ(font->lineHeight(), 24);
    EXPECT_FALSE(CFont::create("Tahoma", 0));
}

TEST_F(FontTest, LeftAlignedTextStartsAtTheRectangleInItsColour)
{
    auto font = CFont::create("Tahoma", 24, 16);
    ASSERT_TRUE(font);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(font->drawText("Score 100", {10, 10, 256, 512}, TextLeft, 0xFFFFFFFF), 24);
    const Extent e = drawn(0xFF000000);
    ASSERT_GT(e.count, 50);
    EXPECT_GE(e.left, 10);
    EXPECT_LE(e.left, 14);
    EXPECT_GE(e.top, 10);
    EXPECT_LE(e.bottom, 10 + 24);
    // Solid parts of the strokes carry the colour itself.
    bool white = false;
    for (int y = e.top; y <= e.bottom && !white; ++y) {
        for (int x = e.left; x <= e.right && !white; ++x)
            white = pixel(x, y) == 0xFFFFFFFFu;
    }
    EXPECT_TRUE(white);
}

TEST_F(FontTest, RightAlignedTextEndsAtTheRightEdge)
{
    auto font = CFont::create("Tahoma", 24, 16);
    ASSERT_TRUE(font);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    font->drawText("Level 3", {100, 10, 300, 100}, TextRight, 0xFF00FF00);
    const Extent e = drawn(0xFF000000);
    ASSERT_GT(e.count, 50);
    EXPECT_LT(e.right, 300);
    EXPECT_GE(e.right, 294);
}

TEST_F(FontTest, TextIsCutAtTheRectangle)
{
    auto font = CFont::create("Tahoma", 24, 16);
    ASSERT_TRUE(font);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    font->drawText("A very long line of text that does not fit", {20, 20, 120, 36}, TextLeft, 0xFFFFFFFF);
    const Extent e = drawn(0xFF000000);
    ASSERT_GT(e.count, 0);
    EXPECT_GE(e.left, 20);
    EXPECT_LT(e.right, 120);
    EXPECT_GE(e.top, 20);
    EXPECT_LT(e.bottom, 36);
}

TEST_F(FontTest, WidthStretchesTheCharacters)
{
    auto narrow = CFont::create("Tahoma", 24, 8);
    auto wide = CFont::create("Tahoma", 24, 16);
    ASSERT_TRUE(narrow && wide);
    const int n = narrow->textWidth("Rows 12");
    const int w = wide->textWidth("Rows 12");
    EXPECT_GT(w, n * 3 / 2);
    EXPECT_LT(w, n * 5 / 2);
}

TEST_F(FontTest, DrawingTextLeavesTheDeviceStateAlone)
{
    auto font = CFont::create("Tahoma", 18);
    ASSERT_TRUE(font);
    testDevice->setRenderState(RenderState::AlphaBlendEnable, false);
    testDevice->setSamplerState(SamplerState::MagFilter, TexFilter::Anisotropic);
    const DeviceState before = testDevice->state();
    font->drawText("www.example.org", {4, 100, 316, 120}, TextLeft, 0xFF000000);
    EXPECT_TRUE(testDevice->state() == before);
}

TEST_F(FontTest, MalformedUtf8DrawsWithoutHarm)
{
    auto font = CFont::create("Tahoma", 18);
    ASSERT_TRUE(font);
    const std::string broken = std::string("ok \xC3") + "\xFF\xFE" + "\xE2\x82";
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    font->drawText(broken, {0, 0, 320, 120}, TextLeft, 0xFFFFFFFF);
    EXPECT_GT(drawn(0xFF000000).count, 0);
    EXPECT_GT(font->textWidth(broken), 0);
}
