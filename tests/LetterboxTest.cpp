// A window of another shape than the picture: the whole picture at its own
// aspect ratio, centred between black bars, read back from the window itself.
#include "platform/Letterbox.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include "DeviceTestContext.h"

TEST(Letterbox, PictureFitsAtItsOwnShape)
{
    // Same shape: pixel for pixel, or scaled without bars.
    EXPECT_EQ(fitPicture(800, 600, 800, 600), (PictureRect{0, 0, 800, 600}));
    EXPECT_EQ(fitPicture(800, 600, 1600, 1200), (PictureRect{0, 0, 1600, 1200}));
    // Wider window: bars left and right.
    EXPECT_EQ(fitPicture(800, 600, 1920, 1080), (PictureRect{240, 0, 1440, 1080}));
    // Taller window: bars above and below.
    EXPECT_EQ(fitPicture(800, 600, 800, 1000), (PictureRect{0, 200, 800, 600}));
    // Smaller than the picture: shrunk, never cut.
    EXPECT_EQ(fitPicture(800, 600, 400, 100), (PictureRect{133, 0, 133, 100}));
}

TEST(Letterbox, DegenerateSizesGiveNoPictureAndTinyWindowsKeepOnePixel)
{
    EXPECT_EQ(fitPicture(800, 600, 0, 600), PictureRect{});
    EXPECT_EQ(fitPicture(800, 600, 600, -5), PictureRect{});
    EXPECT_EQ(fitPicture(0, 600, 800, 600), PictureRect{});
    const PictureRect sliver = fitPicture(800, 600, 1, 5000);
    EXPECT_EQ(sliver.width, 1);
    EXPECT_GE(sliver.height, 1);
    EXPECT_LE(sliver.y + sliver.height, 5000);
    // No overflow with absurd sizes.
    const PictureRect huge = fitPicture(100000, 100000, 70000, 30000);
    EXPECT_EQ(huge, (PictureRect{20000, 0, 30000, 30000}));
}

namespace {

// A window of its own, sharing the test context, that the device presents to.
class PresentTest : public DeviceTest {
protected:
    void TearDown() override
    {
        DeviceTest::TearDown();
        if (window) {
            SDL_GL_MakeCurrent(previousWindow, SDL_GL_GetCurrentContext());
            SDL_DestroyWindow(window);
        }
    }

    // Presents a picture of pictureWidth x pictureHeight, red with a green top
    // row, to a window of the given size; returns the window's pixels, top row
    // first, as ARGB.
    std::vector<uint32_t> presentInto(int pictureWidth, int pictureHeight, int width, int height)
    {
        previousWindow = SDL_GL_GetCurrentWindow();
        window = SDL_CreateWindow("letterbox", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window || SDL_GL_MakeCurrent(window, SDL_GL_GetCurrentContext()) != 0)
            return {};
        testDevice.reset();
        testDevice = std::make_unique<CDevice>();
        if (!testDevice->create(window, pictureWidth, pictureHeight))
            return {};
        publishDevice(testDevice.get());
        testDevice->beginScene();
        testDevice->clear(ClearTarget, 0xFFFF0000, 1.0f, 0);
        Viewport top{0, 0, pictureWidth, 1, 0.0f, 1.0f};
        testDevice->setViewport(top);
        testDevice->clear(ClearTarget, 0xFF00FF00, 1.0f, 0);
        testDevice->present();

        // The off-screen window is a single buffer: what present copied in is
        // still there after the swap.
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        if (drawableWidth != width || drawableHeight != height)
            return {};
        std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glReadnPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(rgba.size()), rgba.data());
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<size_t>(y) * width + x] =
                    argbOf(&rgba[(static_cast<size_t>(height - 1 - y) * width + x) * 4]);
        windowWidth = width;
        return pixels;
    }

    uint32_t at(const std::vector<uint32_t>& pixels, int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * windowWidth + x] | 0xFF000000u;
    }

    SDL_Window* window = nullptr;
    SDL_Window* previousWindow = nullptr;
    int windowWidth = 0;
};

constexpr uint32_t Black = 0xFF000000;
constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Green = 0xFF00FF00;

} // namespace

TEST_F(PresentTest, WideWindowShowsThePictureBetweenBarsLeftAndRight)
{
    const std::vector<uint32_t> pixels = presentInto(100, 100, 300, 100);
    ASSERT_FALSE(pixels.empty()) << "no window of its own on this driver";
    EXPECT_EQ(at(pixels, 0, 50), Black);
    EXPECT_EQ(at(pixels, 99, 50), Black);
    EXPECT_EQ(at(pixels, 100, 50), Red);
    EXPECT_EQ(at(pixels, 150, 50), Red);
    EXPECT_EQ(at(pixels, 199, 50), Red);
    EXPECT_EQ(at(pixels, 200, 50), Black);
    EXPECT_EQ(at(pixels, 299, 99), Black);
    // The picture is upright: its top row is the window's top row.
    EXPECT_EQ(at(pixels, 150, 0), Green);
    EXPECT_EQ(at(pixels, 150, 99), Red);
}

TEST_F(PresentTest, TallWindowShowsThePictureBetweenBarsAboveAndBelow)
{
    // A 2:1 picture in a square window, scaled up to the window's width.
    const std::vector<uint32_t> pixels = presentInto(80, 40, 160, 160);
    ASSERT_FALSE(pixels.empty()) << "no window of its own on this driver";
    EXPECT_EQ(at(pixels, 80, 0), Black);
    EXPECT_EQ(at(pixels, 80, 39), Black);
    EXPECT_EQ(at(pixels, 80, 40), Green); // the top row, doubled
    EXPECT_EQ(at(pixels, 0, 80), Red);
    EXPECT_EQ(at(pixels, 159, 119), Red);
    EXPECT_EQ(at(pixels, 80, 120), Black);
    EXPECT_EQ(at(pixels, 80, 159), Black);
}

TEST_F(PresentTest, WindowOfThePicturesSizeGetsItPixelForPixel)
{
    const std::vector<uint32_t> pixels = presentInto(64, 48, 64, 48);
    ASSERT_FALSE(pixels.empty()) << "no window of its own on this driver";
    EXPECT_EQ(at(pixels, 0, 0), Green);
    EXPECT_EQ(at(pixels, 63, 0), Green);
    EXPECT_EQ(at(pixels, 0, 1), Red);
    EXPECT_EQ(at(pixels, 63, 47), Red);
}
