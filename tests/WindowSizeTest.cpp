// Window sizes from settings.xml are kept between 320 x 240 and the desktop,
// and the window opens where the whole of it can be seen.
#include "app/WindowSize.h"

#include <gtest/gtest.h>

#include "xml/XmlDocument.h"

#include "ScriptRunner.h"
#include "app/Settings.h"
#include "platform/Desktop.h"

namespace {

const DesktopSize FullHd{1920, 1080};

// Width and height of a PNG from its header.
WindowSize pngSize(const std::string& png)
{
    auto be32 = [&png](size_t at) {
        return int((uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) | (uint8_t(png[at + 2]) << 8) |
                   uint8_t(png[at + 3]));
    };
    return png.size() >= 24 ? WindowSize{be32(16), be32(20)} : WindowSize{};
}

} // namespace

TEST(WindowSize, SizesWithinReachAreKept)
{
    EXPECT_EQ(clampWindowSize({800, 600}, FullHd), (WindowSize{800, 600}));
    EXPECT_EQ(clampWindowSize({320, 240}, FullHd), (WindowSize{320, 240}));
    EXPECT_EQ(clampWindowSize({1920, 1080}, FullHd), (WindowSize{1920, 1080}));
    EXPECT_EQ(clampWindowSize({4096, 4096}, std::nullopt), (WindowSize{4096, 4096}));
}

TEST(WindowSize, EachSideMovesToItsNearestLimit)
{
    // "1e5" reads as 1: a window nobody could use.
    EXPECT_EQ(clampWindowSize({1, 1}, FullHd), (WindowSize{320, 240}));
    EXPECT_EQ(clampWindowSize({16384, 16384}, FullHd), (WindowSize{1920, 1080}));
    EXPECT_EQ(clampWindowSize({16384, 16384}, std::nullopt), (WindowSize{4096, 4096}));
    EXPECT_EQ(clampWindowSize({100, 5000}, FullHd), (WindowSize{320, 1080}));
    EXPECT_EQ(clampWindowSize({3000, 200}, std::nullopt), (WindowSize{3000, 240}));
    // A desktop too small for the least window still gets the least window.
    EXPECT_EQ(clampWindowSize({1024, 768}, DesktopSize{200, 150}), (WindowSize{320, 240}));
}

namespace {

CSettings settingsRead(const std::string& xml)
{
    CXmlDocument document;
    document.loadXml(xml);
    CSettings settings;
    settings.read(document.root());
    return settings;
}

} // namespace

TEST(WindowSize, ClampingIsSaidInOneLineQuotingOnlyWhatTheFileHolds)
{
    CSettings settings = settingsRead("<settings width=\"16384\" height=\"100\"/>");
    testing::internal::CaptureStderr();
    fitWindowSize(settings, FullHd);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.width(), 1920);
    EXPECT_EQ(settings.height(), 240);
    EXPECT_EQ(said, "vesbrik: settings.xml: width=\"16384\" and height=\"100\" are outside the window sizes 320 x "
                    "240 to 1920 x 1080; the window opens at 1920 x 240\n");

    // A size that fits says nothing.
    testing::internal::CaptureStderr();
    fitWindowSize(settings, FullHd);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Only the side that moves is named, as the file writes it: never the
    // number it was read as, nor a height the file does not give.
    CSettings huge = settingsRead("<settings width=\"99999999999\"/>");
    testing::internal::CaptureStderr();
    fitWindowSize(huge, FullHd);
    said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "vesbrik: settings.xml: width=\"99999999999\" is outside the window sizes 320 x 240 to 1920 x "
                    "1080; the window opens at 1920 x 600\n");
}

TEST(WindowSize, TinyWindowFromTheSettingsOpensAtTheLeastSize)
{
    CScriptFolder run;
    run.write("settings.xml", "<settings width=\"1e5\" height=\"1\"/>");
    const ScriptResult result = run.run("frames 2\nshot small.png\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(pngSize(run.read("small.png")), (WindowSize{320, 240}));
    EXPECT_NE(result.errors.find("settings.xml: width=\"1e5\" and height=\"1\" are outside"), std::string::npos)
        << result.errors;
}

// Where the window opens: (100, 100) as ever when the framed window fits
// there; otherwise shrunk to the usable desktop less the frame and centred,
// so no part of it, the menu at its foot included, lies off the screen.
TEST(WindowSize, AWindowTooLargeForItsUsualPlaceIsShrunkAndCentredOnTheUsableDesktop)
{
    const ScreenRect screen{0, 0, 1024, 768};
    const WindowFrame none;
    const WindowFrame titled{1, 20, 1, 1};
    EXPECT_EQ(placeWindow(800, 600, none, screen), (ScreenRect{100, 100, 800, 600}));
    EXPECT_EQ(placeWindow(800, 600, titled, screen), (ScreenRect{100, 100, 800, 600}));
    // Fits the screen, not at (100, 100): centred at its own size.
    EXPECT_EQ(placeWindow(1000, 700, none, screen), (ScreenRect{12, 34, 1000, 700}));
    // The settings asked for the whole screen or more.
    EXPECT_EQ(placeWindow(1024, 768, none, screen), (ScreenRect{0, 0, 1024, 768}));
    EXPECT_EQ(placeWindow(1024, 768, titled, screen), (ScreenRect{1, 20, 1022, 747}));
    // A panel along the top takes 30 pixels: the window stays below it.
    const ScreenRect belowPanel{0, 30, 1024, 738};
    const ScreenRect placed = placeWindow(1024, 768, titled, belowPanel);
    EXPECT_EQ(placed, (ScreenRect{1, 50, 1022, 717}));
    EXPECT_GE(placed.y - titled.top, belowPanel.y);
    EXPECT_LE(placed.y + placed.height + titled.bottom, belowPanel.y + belowPanel.height);
    // A second monitor to the right: centred on it, not on the first.
    EXPECT_EQ(placeWindow(1920, 1080, none, ScreenRect{1024, 0, 1280, 1024}), (ScreenRect{1024, 0, 1280, 1024}));
    EXPECT_EQ(placeWindow(1000, 900, none, ScreenRect{1024, 0, 1280, 1024}), (ScreenRect{1164, 62, 1000, 900}));
}

TEST(WindowSize, ChoicesAreTheCommonSizesAndModesThatFitWithTheCurrentSizeEachOnceInOrder)
{
    // SDL lists a mode once per refresh rate, largest first; Xvfb or a
    // laptop may list only one or two, and some are no common size.
    const std::vector<DesktopSize> modes = {{2560, 1440}, {1920, 1080}, {1920, 1080}, {1280, 1024},
                                            {1152, 864},  {800, 600},   {320, 200}};
    const std::vector<WindowSize> choices = windowSizeChoices(modes, DesktopSize{1600, 1024}, {1000, 700});
    const std::vector<WindowSize> expected = {{640, 480},   {800, 600},  {1000, 700}, {1024, 768}, {1152, 864},
                                              {1280, 720},  {1280, 800}, {1280, 1024}, {1366, 768}, {1440, 900},
                                              {1600, 900}};
    EXPECT_EQ(choices, expected);
    // A full HD desktop offers full HD, not beyond; without a desktop's
    // list or size the common sizes stand in up to the largest window.
    const std::vector<WindowSize> fullHd = windowSizeChoices({}, FullHd, {800, 600});
    EXPECT_EQ(fullHd.back(), (WindowSize{1920, 1080}));
    const std::vector<WindowSize> offScreen = windowSizeChoices({}, std::nullopt, {800, 600});
    EXPECT_EQ(offScreen.front(), (WindowSize{640, 480}));
    EXPECT_EQ(offScreen.back(), (WindowSize{3840, 2160}));
    // A desktop smaller than every common size still offers the window it has.
    EXPECT_EQ(windowSizeChoices({}, DesktopSize{600, 400}, {320, 240}), (std::vector<WindowSize>{{320, 240}}));
    EXPECT_EQ(windowSizeText(fullHd.back()), "1920 x 1080");
}
