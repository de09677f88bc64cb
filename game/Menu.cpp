#include "game/Menu.h"

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

// The rows ripple through the colours, each a tenth of a second behind the
// one above, in the upper part of each channel only, so that every moment of
// the cycle is light enough to read on the list's dark backing.
uint32_t CMenu::highScoreColour(int index, bool typing) const
{
    const auto light = [](double wave) { return RowColourFloor + (1.0 - RowColourFloor) * (wave + 1.0) / 2.0; };
    // The name being typed flashes between orange and yellow, fully opaque.
    if (typing)
        return argb(1.0, light(std::sin(10.0 * elapsed)), 0.0, 1.0);
    const double phase = 0.1 * index + elapsed;
    return argb(light(std::sin(4.0 * phase)), light(std::sin(-2.2 * phase)), light(std::sin(1.6 * phase)), listFade);
}
