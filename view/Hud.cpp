#include "view/Hud.h"

#include "device/Device.h"
#include "device/Font.h"
#include "render/ScreenQuad.h"

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

bool CHud::ensureFont()
{
    if (!fontTried) {
        fontTried = true;
        font = CFont::create("Tahoma", 24, 16);
    }
    return font != nullptr;
}

void CHud::draw(int level, int rows)
{
    setOverlayStates();

    drawScreenQuad(nullptr, 0.0f, StripTop, 1.0f, StripBottom, StripColour, false);

    if (!ensureFont())
        return;
    // Pixel rectangles, not scaled with the window: the level's right edge
    // stays at x = 790 whatever the width.
    font->drawText(formatted("Score %d", wholeScore(displayedScore)), {10, 10, 256, 512}, TextLeft,
                   TextColour);
    font->drawText(formatted("Level %d", level), {400, 10, 790, 512}, TextRight, TextColour);
    font->drawText(formatted("Rows %d", rows), {330, 10, 790, 512}, TextLeft, TextColour);
    if (!banner.empty())
        font->drawText(banner, {400, 44, 790, 512}, TextRight, BannerColour);
}

void CHud::drawFrameRate(float framesPerSecond, float sceneScale)
{
    if (!ensureFont())
        return;
    font->drawText(formatFrameRate(framesPerSecond, sceneScale), {30, 40, 400, 200}, TextLeft, FrameRateColour);
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
