#include "game/Menu.h"

#include <algorithm>
#include <cmath>
#include <string_view>

int colourByte(double v)
{
    if (v >= 1.0)
        return 255;
    if (v <= 0.0)
        return 0;
    return static_cast<int>(v * 255.0 + 0.5);
}

void CMenu::update(float dt)
{
    elapsed += dt;
    pulseLevel = 0.5 * std::sin(25.12 * elapsed) + 0.5;

    // The selected item pulses between white and red; the others stay a
    // slightly translucent white, all of them while an entry is picked or a
    // name is typed, when the keys act on neither.
    for (int i = 0; i < ItemCount; ++i)
        colours[i] = i == selected && chosen < 0 && !named ? pulseColour(pulseLevel) : 0xDDFFFFFFu;

    // The fades are not clamped here: the background is held at 0.9 below,
    // and a hidden fade may end slightly below zero.
    if (visible) {
        if (backgroundFade < 1.0)
            backgroundFade += 3.0 * dt;
    } else if (backgroundFade > 0.0) {
        backgroundFade -= 3.0 * dt;
    }
    if (scoresShown) {
        if (listFade < 1.0)
            listFade += dt;
    } else if (listFade > 0.0) {
        listFade -= 3.0 * dt;
    }
    holdFade();
}

namespace {

// The least of each channel of a row's colour.
constexpr double RowColourFloor = 0.6;

// The background's resting opacity, a single-precision 0.9 as the fade has
// always been compared with.
constexpr double HeldFade = static_cast<double>(0.9f);

uint32_t argb(double r, double g, double b, double a)
{
    return static_cast<uint32_t>(colourByte(a)) << 24 | static_cast<uint32_t>(colourByte(r)) << 16 |
           static_cast<uint32_t>(colourByte(g)) << 8 | static_cast<uint32_t>(colourByte(b));
}

} // namespace

uint32_t pulseColour(double pulse)
{
    const uint32_t b = static_cast<uint32_t>(colourByte(1.0 - pulse));
    return 0xFFFF0000u | (b << 8) | b;
}

int CMenu::itemAt(int x, int y, int viewportWidth, int viewportHeight)
{
    if (viewportWidth <= 0 || viewportHeight <= 0)
        return -1;
    // Back to the reference screen the slots are given on.
    const double rx = x * 800.0 / viewportWidth;
    const double ry = y * 600.0 / viewportHeight;
    if (ry < ItemRowTop || ry >= ItemRowTop + ItemHeight)
        return -1;
    for (int i = 0; i < ItemCount; ++i)
        if (rx >= ItemSlots[i].left && rx < ItemSlots[i].left + ItemSlots[i].width)
            return i;
    return -1;
}

namespace {

// A space first, so that a name can have words; then what a keyboard-less
// player most likely wants.
constexpr std::string_view NameLetters = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

} // namespace

char nextNameLetter(char letter, int step)
{
    const size_t at = NameLetters.find(letter);
    if (letter == 0 || at == std::string_view::npos)
        return step >= 0 ? 'A' : '9';
    const int count = static_cast<int>(NameLetters.size());
    const int index = ((static_cast<int>(at) + step) % count + count) % count;
    return NameLetters[static_cast<size_t>(index)];
}

void CMenu::show(bool withScores)
{
    visible = true;
    scoresShown = withScores;
    if (!withScores)
        forgetPick();
}

void CMenu::hide()
{
    visible = false;
    scoresShown = false;
}

void CMenu::toggleScores()
{
    scoresShown = !scoresShown;
    if (!scoresShown)
        forgetPick();
}

void CMenu::pickEntry(int index)
{
    if (scoresShown)
        chosen = index;
}

void CMenu::holdFade()
{
    if (backgroundFade >= HeldFade)
        backgroundFade = HeldFade;
}

bool CMenu::fullyShown() const { return backgroundFade >= HeldFade; }

double CMenu::shownFade() const { return backgroundFade >= HeldFade ? HeldFade : backgroundFade; }

double CMenu::highScoreScale(int viewportWidth, int viewportHeight)
{
    return std::clamp(std::min(viewportWidth / 640.0, viewportHeight / 480.0), 0.25, 1.0);
}

// The list sits in a 600-pixel column around the centre, rows 21 pixels
// apart from 100 pixels above the middle. It slides in from the middle as it
// fades in, then sways by 20 pixels, each row a little behind the one above;
// its colours ripple down the rows the same way. Below 640 x 480 all of it
// shrinks by the list's scale.
HighScoreRow CMenu::highScoreRow(int index, int viewportWidth, int viewportHeight, bool typing) const
{
    const double scale = highScoreScale(viewportWidth, viewportHeight);
    const auto scaled = [scale](double length) { return static_cast<int>(std::lround(length * scale)); };
    const int left = viewportWidth / 2 - scaled(300);
    const int right = viewportWidth / 2 + scaled(300);
    const double phase = 0.1 * index + elapsed;
    const double slide = scale * (listFade * 100.0 + 20.0 * std::sin(0.2 * index + elapsed));
    // A shrunk list starts a little lower, clear of the title, with room
    // above it for the line that asks for a name.
    const int above = scale == 1.0 ? 100 : static_cast<int>(std::lround(120.0 * scale - 20.0));

    HighScoreRow row;
    row.top = viewportHeight / 2 - above + scaled(21) * index;
    row.nameLeft = static_cast<int>(left + slide);
    row.scoreRight = static_cast<int>(right - slide);
    // The colours ripple in their upper part only, so that every moment of
    // the cycle is light enough to read on the list's dark backing.
    const auto light = [](double wave) { return RowColourFloor + (1.0 - RowColourFloor) * (wave + 1.0) / 2.0; };
    if (typing) {
        // The name being typed flashes between orange and yellow, fully opaque.
        row.colour = argb(1.0, light(std::sin(10.0 * elapsed)), 0.0, 1.0);
    } else {
        row.colour = argb(light(std::sin(4.0 * phase)), light(std::sin(-2.2 * phase)), light(std::sin(1.6 * phase)),
                          listFade);
    }
    return row;
}
