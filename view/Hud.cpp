#include "view/Hud.h"

#include "device/Device.h"
#include "device/Font.h"
#include "render/ReferenceLayout.h"
#include "render/ScreenQuad.h"
#include "view/PixelQuad.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The strip covers lines 4..40 of the reference screen, the full width.
constexpr double StripTop = 4.0;
constexpr double StripBottom = 40.0;
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

ReferenceLayout viewportLayout()
{
    const Viewport& v = device().viewport();
    return ReferenceLayout(v.width, v.height);
}

} // namespace

CFont* CHud::font(const ReferenceLayout& layout)
{
    return fonts.font("Tahoma", std::max(10, layout.length(24)), std::max(1, layout.length(16)));
}

void CHud::draw(int level, int rows)
{
    setOverlayStates();

    const ReferenceLayout layout = viewportLayout();
    drawScreenQuad(nullptr, 0.0f, static_cast<float>(layout.y(StripTop, Anchor::Start) / layout.height), 1.0f,
                   static_cast<float>(layout.y(StripBottom, Anchor::Start) / layout.height), StripColour, false);

    CFont* text = font(layout);
    if (!text)
        return;
    // The score at the strip's left end, the level ending at its right end
    // and the rows left of its middle, however wide the viewport is.
    const int top = layout.py(10, Anchor::Start);
    const int bottom = layout.height;
    const int right = layout.px(790, Anchor::End);
    text->drawText(formatted("Score %d", wholeScore(displayedScore)),
                   {layout.px(10, Anchor::Start), top, layout.px(256, Anchor::Start), bottom}, TextLeft, TextColour);
    text->drawText(formatted("Level %d", level), {layout.px(400, Anchor::End), top, right, bottom}, TextRight,
                   TextColour);
    text->drawText(formatted("Rows %d", rows), {layout.px(330), top, right, bottom}, TextLeft, TextColour);
    if (!banner.empty())
        text->drawText(banner, {layout.px(400, Anchor::End), layout.py(44, Anchor::Start), right, bottom}, TextRight,
                       BannerColour);
}

void CHud::drawFrameRate(float framesPerSecond, float sceneScale)
{
    const ReferenceLayout layout = viewportLayout();
    // Smaller than the strip's.
    CFont* small = fonts.font("Tahoma", std::max(8, layout.length(16)));
    if (!small)
        return;
    setOverlayStates();
    const std::string line = formatFrameRate(framesPerSecond, sceneScale);
    const int lineHeight = small->lineHeight();
    // The address line takes the bottom 22 pixels of the reference screen.
    const int bottom = layout.py(ReferenceHeight - 22, Anchor::End) - layout.length(2);
    const int left = layout.px(4, Anchor::Start);
    const int pad = std::max(1, layout.length(4));
    fillPixels(left, bottom - lineHeight - pad, left + small->textWidth(line) + 2 * pad, bottom, FrameRateBacking);
    small->drawText(line, {left + pad, bottom - lineHeight - pad / 2, FarEdge, FarEdge}, TextLeft, FrameRateColour);
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
