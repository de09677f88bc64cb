#pragma once
// The score, level and cleared rows over the finished frame, on a dark
// translucent strip across the top, and the frame-rate text under it. The
// score shown does not jump: it runs up (or down) to the new score in a
// fraction of a second.
#include "platform/FrameTimer.h"
#include "view/FontCache.h"

#include <string>

class CFont;
struct ReferenceLayout;

class CHud {
public:
    CHud();
    ~CHud();

    // One simulation step: the shown score covers a tenth of the way to the
    // target per hundredth of a second, and snaps to it within one point.
    void update(float dt);

    // Draws the strip and the three texts, laid out on the reference screen
    // and scaled evenly to the current viewport, the font made at the scaled
    // size (on the first draw, so a HUD can exist before the device does).
    // The strip spans the viewport's width; the score keeps to its left end,
    // the level to its right end and the rows to its middle. Sets the
    // overlay states it draws with; the frame puts its own back after.
    void draw(int level, int rows);
    // The frame-rate text at the bottom left, above the address line, on a
    // dark backing: clear of the strip, the next piece, the menu's title and
    // items, and never cut.
    void drawFrameRate(float framesPerSecond, float sceneScale);

    float displayedScore = 0.0f;
    int targetScore = 0;
    // A line under the strip's right end (a replay says so); empty for none.
    std::string banner;

private:
    // The font at the layout's scale; null when none can be made.
    CFont* font(const ReferenceLayout& layout);

    CFontCache fonts;
};

// "60.00 fps, scene at 0.75": the frames counted in the last window, and the
// share of the window's width and height the 3D scene is drawn at.
std::string formatFrameRate(float framesPerSecond, float sceneScale);

// Counts frames over windows of just over a second. The count of the last
// finished window is the rate shown; it is not divided by the window's exact
// length. Only frames that show the rate are counted, so after a pause the
// first window ends at once.
class CFrameRateCounter {
public:
    CFrameRateCounter() = default;
    // With a counter of the caller's own (tests).
    explicit CFrameRateCounter(CFrameTimer timer) : timer(std::move(timer)) {}

    // Before the text is drawn: the rate to show, ending the window when more
    // than a second has gathered. 0 until the first window ends.
    float rate();
    // After the text is drawn: counts this frame.
    void tick() { timer.tick(); }

private:
    CFrameTimer timer;
    float lastRate = 0.0f;
};
