#include "render/ReferenceLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Where the scaled reference screen, `scaled` pixels long, starts when kept
// to an anchor of a viewport side `side` pixels long.
double anchoredOffset(Anchor anchor, int side, double scaled)
{
    switch (anchor) {
    case Anchor::Start: return 0.0;
    case Anchor::Centre: return (side - scaled) / 2.0;
    case Anchor::End: return side - scaled;
    }
    return 0.0;
}

} // namespace

ReferenceLayout::ReferenceLayout(int viewportWidth, int viewportHeight)
    : width(std::max(1, viewportWidth)), height(std::max(1, viewportHeight)),
      scale(std::min(static_cast<double>(width) / ReferenceWidth, static_cast<double>(height) / ReferenceHeight))
{
}

double ReferenceLayout::offsetX(Anchor anchor) const { return anchoredOffset(anchor, width, ReferenceWidth * scale); }

double ReferenceLayout::offsetY(Anchor anchor) const
{
    return anchoredOffset(anchor, height, ReferenceHeight * scale);
}

double ReferenceLayout::x(double referenceX, Anchor anchor) const { return offsetX(anchor) + referenceX * scale; }

double ReferenceLayout::y(double referenceY, Anchor anchor) const { return offsetY(anchor) + referenceY * scale; }

int ReferenceLayout::px(double referenceX, Anchor anchor) const
{
    return static_cast<int>(std::lround(x(referenceX, anchor)));
}

int ReferenceLayout::py(double referenceY, Anchor anchor) const
{
    return static_cast<int>(std::lround(y(referenceY, anchor)));
}

int ReferenceLayout::length(double referenceLength) const
{
    return static_cast<int>(std::lround(referenceLength * scale));
}

int ReferenceLayout::margin(int referenceLength) const { return std::max(referenceLength, length(referenceLength)); }

double ReferenceLayout::referenceX(double viewportX, Anchor anchor) const
{
    return (viewportX - offsetX(anchor)) / scale;
}

double ReferenceLayout::referenceY(double viewportY, Anchor anchor) const
{
    return (viewportY - offsetY(anchor)) / scale;
}
