#pragma once
// Where a box of the world can show on the screen: the rectangle of the
// screen (in normalised device coordinates, -1 to 1, y up) that holds every
// point of the box in front of the eye. The mirror uses it to leave out items
// whose reflection cannot fall on the floor, and to lay its image over the
// floor's part of the screen only.
#include <optional>

#include <glm/glm.hpp>

struct ScreenBox {
    glm::vec2 low{-1.0f};  // left, bottom
    glm::vec2 high{1.0f};  // right, top

    bool overlaps(const ScreenBox& other) const
    {
        return low.x <= other.high.x && other.low.x <= high.x && low.y <= other.high.y && other.low.y <= high.y;
    }
};

// The screen's part the box from `lowest` to `highest` (model space) covers,
// seen through toClip (projection x view x world), cut to the screen; nothing
// when no point of it in front of the eye falls on the screen. A box reaching
// behind the eye is cut where it passes the eye's plane, so the rectangle
// never misses a visible point; it may hold more than the box shows.
std::optional<ScreenBox> screenBoxOf(const glm::vec3& lowest, const glm::vec3& highest, const glm::mat4& toClip);
