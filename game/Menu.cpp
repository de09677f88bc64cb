#include "game/Menu.h"

#include <cmath>

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
    clock += dt;
    pulse = 0.5 * std::sin(25.12 * clock) + 0.5;

    // The selected item pulses between white and red; the others stay a
    // slightly translucent white.
    for (int i = 0; i < ItemCount; ++i) {
        if (i == selected) {
            const uint32_t b = static_cast<uint32_t>(colourByte(1.0 - pulse));
            itemColours[i] = 0xFFFF0000u | (b << 8) | b;
        } else {
            itemColours[i] = 0xDDFFFFFFu;
        }
    }

    // The fades are not clamped here: the draw holds the background at 0.9,
    // and a hidden fade may end slightly below zero.
    if (visible) {
        if (fade < 1.0)
            fade += 3.0 * dt;
    } else if (fade > 0.0) {
        fade -= 3.0 * dt;
    }
    if (showScores) {
        if (scoresFade < 1.0)
            scoresFade += dt;
    } else if (scoresFade > 0.0) {
        scoresFade -= 3.0 * dt;
    }
}
