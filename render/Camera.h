#pragma once
// A look-at camera that never jumps. Hand moves and the automatic camera
// path only move two goal points, an eye goal and a target goal; once per
// simulation step the eye and the target cover a fixed fraction of the way
// to them. The view matrix it keeps is the one every pass of the frame uses.
//
// Left-handed world, y up; see render/Math3d.h for the matrix layout.
#include <glm/glm.hpp>

// The scene's projection: an eighth of a turn (pi / 4) of
// vertical field of view, square aspect whatever the window's shape (a 4:3
// window shows the scene stretched, as the game has always looked), near
// plane 0.2, far plane 250.
constexpr float SceneFieldOfView = 0.7853982f;
constexpr float SceneAspect = 1.0f;
constexpr float SceneNearPlane = 0.2f;
constexpr float SceneFarPlane = 250.0f;
glm::mat4 sceneProjection();

// The eye never sinks below the floor of the room the well stands in.
constexpr float CameraMinimumHeight = 1.0f;

class CCamera {
public:
    // Eye (0, 0, 1) looking at the origin, up (0, 1, 0), goals on eye and target.
    CCamera();

    // Places the camera at once (no smoothing) and rebuilds the view.
    void setLookAt(const glm::vec3& newEye, const glm::vec3& newTarget, const glm::vec3& newUp);
    // Rebuilds view, direction, side and (unless fixed) up; returns the up vector.
    glm::vec3 updateView();

    // One simulation step towards the goals: a fortieth of the remaining way
    // per step, whatever the step's length.
    void smoothStep(float dt);

    // Hand moves. orbit turns the eye goal about the current target by a
    // about the up axis and b about the side axis (radians), keeping its
    // distance; moveInView shifts both goals by (x right, y up, z forward)
    // in view space.
    void orbit(float a, float b);
    void moveInView(float x, float y, float z);

    // The automatic sway, from the path time t in seconds and an amplitude:
    // a slow drift behind the well during play, a wide swing in the menus.
    void idleCameraPath(float t, float amplitude, bool playing);

    // Lifts the eye back to the minimum height; the goals stay where they are
    // and the view is rebuilt at the next step.
    void clampHeight(float minimum = CameraMinimumHeight);

    glm::vec3 eye{0.0f, 0.0f, 1.0f};
    glm::vec3 side{1.0f, 0.0f, 0.0f};       // direction x up, not normalised
    glm::vec3 direction{0.0f, 0.0f, -1.0f}; // unit, from eye to target
    glm::vec3 target{0.0f, 0.0f, 0.0f};
    glm::vec3 up{0.0f, 1.0f, 0.0f};
    glm::vec3 eyeGoal = eye;
    glm::vec3 targetGoal = target;
    float smoothingDivisor = 40.0f;
    bool fixedUp = false;                    // updateView keeps the up vector
    glm::mat4 view{1.0f};
};

// The mouse's hand moves, given dx = last x - x and dy = last y - y in
// pixels: the left button orbits, the right button pans in the view plane,
// the middle button moves forward and back; several buttons apply in that
// order, each followed by a view update. Answers whether any move was made
// (the automatic path then holds off for a while).
bool dragCamera(CCamera& camera, int dx, int dy, bool left, bool right, bool middle);
