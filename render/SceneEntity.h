#pragma once
// A mesh placed in the world: position, rotation, scale, a tint colour and
// the world matrix made from them.
#include <optional>

#include <glm/glm.hpp>

class CMesh;

class CSceneEntity {
public:
    enum Kind { Permanent = 0, OneFrame = 1 };

    // world = translation * rotation * scale: scaled first, then turned,
    // then moved. The rotation is the given matrix, or else the
    // yaw-pitch-roll of `rotation`.
    void updateWorld(const std::optional<glm::mat4>& rotationMatrix = std::nullopt);

    glm::vec3 position{0.0f};
    glm::vec3 rotation{0.0f}; // yaw, pitch, roll in radians
    glm::vec3 scale{1.0f};
    glm::mat4 world{1.0f};
    const CMesh* mesh = nullptr; // not owned
    int kind = Permanent;
    // Stands where it stood last frame (a settled cell, made anew each frame
    // in the same place): the spot light's shadow map keeps such casters
    // drawn from frame to frame and redraws them only when one of them, or
    // the light, has moved. Permanent entities count as settled too.
    bool settled = false;
    glm::vec4 colour{1.0f};
    // How much the entity stands out from those around it, 0 to 1: the glass
    // draws the falling piece's bricks lighter and with a bright rim.
    float highlight = 0.0f;
    // The mark engraved on every face of a brick, 0 for none or 1..7, one per
    // kind of piece: the kinds told apart without their colours.
    int mark = 0;
    // Drawn as the faint outline of its mesh alone, casting no shadow: where
    // the falling piece would land.
    bool outline = false;
};
