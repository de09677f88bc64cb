#include "view/Hud.h"

#include "device/Device.h"
#include "device/Font.h"
#include "render/ScreenQuad.h"
#include "view/PixelQuad.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The strip covers 4..40 of 600 lines at the top, the full width.
constexpr float StripTop = 4.0f / 600.0f;
constexpr float StripBottom = 40.0f / 600.0f;
constexpr uint32_t StripColour = 0x88000000u;
constexpr uint32_t TextColour = 0xFFFFFFFFu;
constexpr uint32_t FrameRateColour = 0xFF00FF00u;
constexpr uint32_t BannerColour = 0xFFFFD040u;
constexpr uint32_t FrameRateBacking = 0xB0000000u;
constexpr int FarEdge = 10000;

std::string formatted(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The shown score as a whole number, truncated towards zero; a float past
// the int range (a score near the top of it rounds up) stays at the limit.
int wholeScore(float score)
{
    if (score >= 2147483520.0f)
        return 2147483647;
    if (score <= -2147483648.0f)
        return -2147483647 - 1;
    return static_cast<int>(score);
}

} // namespace

CHud::CHud() = default;
CHud::~CHud() = default;

void CHud::update(float dt)
{
    const float step = (static_cast<float>(targetScore) - displayedScore) * dt * 10.0f;
    if (std::fabs(step) > 0.1f)
        displayedScore += step;
    else
        displayedScore = static_cast<float>(targetScore);
}

namespace {

// 1 from 800 x 600 up; below, the share of it the viewport has.
double layoutScale()
{
    const Viewport& v = device().viewport();
    return std::clamp(std::min(v.width / 800.0, v.height / 600.0), 0.25, 1.0);
}

} // namespace

bool CHud::fitFont()
{
    const double scale = layoutScale();
    if (scale != fontScale) {
        fontScale = scale;
        font = CFont::create("Tahoma", std::max(10, scaled(24)), std::max(1, scaled(16)));
        smallFont = CFont::create("Tahoma", std::max(8, scaled(16)));
    }
    return font != nullptr && smallFont != nullptr;
}

int CHud::scaled(int length) const { return static_cast<int>(std::lround(length * fontScale)); }

void CHud::draw(int level, int rows)
{
    setOverlayStates();

    drawScreenQuad(nullptr, 0.0f, StripTop, 1.0f, StripBottom, StripColour, false);

    if (!fitFont())
        return;
    // Pixel rectangles, not stretched with a wider window: the level's right
    // edge stays at x = 790 whatever the width.
    const int top = scaled(10);
    font->drawText(formatted("Score %d", wholeScore(displayedScore)), {scaled(10), top, scaled(256), 512}, TextLeft,
                   TextColour);
    font->drawText(formatted("Level %d", level), {scaled(400), top, scaled(790), 512}, TextRight, TextColour);
    font->drawText(formatted("Rows %d", rows), {scaled(330), top, scaled(790), 512}, TextLeft, TextColour);
    if (!banner.empty())
        font->drawText(banner, {scaled(400), scaled(44), scaled(790), 512}, TextRight, BannerColour);
}

void CHud::drawFrameRate(float framesPerSecond, float sceneScale)
{
    if (!fitFont())
        return;
    setOverlayStates();
    const Viewport& v = device().viewport();
    const std::string text = formatFrameRate(framesPerSecond, sceneScale);
    const int line = smallFont->lineHeight();
    // The address line takes the bottom 22 pixels of the 800 x 600 layout.
    const int bottom = v.height - scaled(22) - 2;
    const int left = scaled(4);
    fillPixels(left, bottom - line - 4, left + smallFont->textWidth(text) + 8, bottom, FrameRateBacking);
    smallFont->drawText(text, {left + 4, bottom - line - 2, FarEdge, FarEdge}, TextLeft, FrameRateColour);
}

std::string formatFrameRate(float framesPerSecond, float sceneScale)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f fps, scene at %.2f", static_cast<double>(framesPerSecond),
                  static_cast<double>(sceneScale));
    return text;
}

float CFrameRateCounter::rate()
{
    if (timer.total > 1.0) {
        lastRate = static_cast<float>(timer.ticks);
        timer.reset();
    }
    return lastRate;
}
