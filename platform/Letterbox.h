#pragma once
// Where the picture goes in a window of another shape: as large as fits at
// its own aspect ratio, centred, with black bars on the two sides that are
// left over, never stretched.

struct PictureRect {
    int x = 0, y = 0; // from the window's top left
    int width = 0, height = 0;
    bool operator==(const PictureRect&) const = default;
};

// A picture or window without area gives an empty rectangle.
PictureRect fitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);
