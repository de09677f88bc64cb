#pragma once
// A flat quad given in pixels of the current viewport, for the panels and
// backings the screens draw under their text.
#include <cstdint>

#include "device/Device.h"
#include "render/ScreenQuad.h"

inline void fillPixels(int left, int top, int right, int bottom, uint32_t colour)
{
    const Viewport& v = device().viewport();
    const float w = static_cast<float>(v.width), h = static_cast<float>(v.height);
    drawScreenQuad(nullptr, left / w, top / h, right / w, bottom / h, colour, false);
}
