#include "platform/Letterbox.h"

#include <algorithm>
#include <cmath>

PictureRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || windowWidth <= 0 || windowHeight <= 0)
        return {};
    // Compare the two aspect ratios exactly in integers; the side that
    // touches the window's edge keeps the window's own length, so a window of
    // the picture's shape gets the picture pixel for pixel and no bar at all.
    PictureRect rect;
    const long long wide = static_cast<long long>(windowWidth) * pictureHeight;
    const long long tall = static_cast<long long>(windowHeight) * pictureWidth;
    if (wide >= tall) {
        rect.height = windowHeight;
        rect.width = static_cast<int>(std::llround(static_cast<double>(tall) / pictureHeight));
    } else {
        rect.width = windowWidth;
        rect.height = static_cast<int>(std::llround(static_cast<double>(wide) / pictureWidth));
    }
    rect.width = std::clamp(rect.width, 1, windowWidth);
    rect.height = std::clamp(rect.height, 1, windowHeight);
    rect.x = (windowWidth - rect.width) / 2;
    rect.y = (windowHeight - rect.height) / 2;
    return rect;
}
