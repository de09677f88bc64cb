#pragma once
// The screen the HUD, the menu and their pictures are laid out on, 800 x 600,
// and how that one layout reaches a viewport of any size: scaled evenly (the
// same share across and down, so text and pictures keep their shape) by as
// much as fits, and placed as the window places the picture between its bars
// (platform/Letterbox.h): centred, or held to the edge a part belongs to, so
// that a strip across the top keeps its texts at its two ends on a wide
// screen. On an 800 x 600 viewport every place is its reference place.

constexpr int ReferenceWidth = 800;
constexpr int ReferenceHeight = 600;

// Which part of the viewport a part of the layout keeps to: the left (top)
// edge, the middle, or the right (bottom) edge.
enum class Anchor { Start, Centre, End };

struct ReferenceLayout {
    // A viewport without area is read as one pixel each way.
    ReferenceLayout(int viewportWidth, int viewportHeight);

    int width;
    int height;
    // Viewport pixels per reference pixel, both ways.
    double scale;

    // A reference point in viewport pixels, its screen kept to the anchor.
    double x(double referenceX, Anchor anchor = Anchor::Centre) const;
    double y(double referenceY, Anchor anchor = Anchor::Centre) const;
    // The same, rounded to whole pixels.
    int px(double referenceX, Anchor anchor = Anchor::Centre) const;
    int py(double referenceY, Anchor anchor = Anchor::Centre) const;
    // A reference length in whole viewport pixels.
    int length(double referenceLength) const;
    // A gap between text and the viewport's edge: it grows with the layout
    // but never shrinks below its reference length, so that a small window
    // keeps its text off the edge.
    int margin(int referenceLength) const;

    // Back from a viewport pixel to the reference screen (what lies under
    // the pointer).
    double referenceX(double viewportX, Anchor anchor = Anchor::Centre) const;
    double referenceY(double viewportY, Anchor anchor = Anchor::Centre) const;

private:
    // Where the scaled reference screen starts for each anchor.
    double offsetX(Anchor anchor) const;
    double offsetY(Anchor anchor) const;
};
