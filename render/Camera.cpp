#include "render/Camera.h"

#include <cmath>

#include "render/Math3d.h"

glm::mat4 sceneProjection()
{
    return matrixPerspectiveFovLH(SceneFieldOfView, SceneAspect, SceneNearPlane, SceneFarPlane);
}

CCamera::CCamera() { updateView(); }

void CCamera::setLookAt(const glm::vec3& newEye, const glm::vec3& newTarget, const glm::vec3& newUp)
{
    eye = newEye;
    target = newTarget;
    up = newUp;
    updateView();
}

glm::vec3 CCamera::updateView()
{
    view = matrixLookAtLH(eye, target, up);
    direction = normalizeVector(target - eye);
    side = glm::cross(direction, up);
    if (!fixedUp)
        up = glm::cross(side, direction);
    return up;
}

void CCamera::smoothStep(float)
{
    target += (targetGoal - target) / smoothingDivisor;
    eye += (eyeGoal - eye) / smoothingDivisor;
    updateView();
}

// The eye goal swings about the current target (not the target goal), so a
// drag while the camera is still gliding turns about what is seen now.
void CCamera::orbit(float a, float b)
{
    glm::vec3 v = target - eyeGoal;
    v = rotateByConjugate(quaternionRotationAxis(up, a), v);
    v = rotateByConjugate(quaternionRotationAxis(side, b), v);
    eyeGoal = target - v;
}

void CCamera::moveInView(float x, float y, float z)
{
    glm::vec3 offset = targetGoal - eyeGoal;
    glm::vec3 scale;
    glm::quat rotation;
    glm::vec3 translation;
    // A view that has collapsed (eye on its target) has no orientation to
    // move along; the move is skipped until it has one again.
    if (!matrixDecompose(view, scale, rotation, translation))
        return;
    eyeGoal += rotateByConjugate(rotation, glm::vec3(x, y, z));
    targetGoal = eyeGoal + offset;
}

void CCamera::idleCameraPath(float t, float amplitude, bool playing)
{
    float a = amplitude;
    if (playing) {
        eyeGoal = glm::vec3(4.5f + 2.0f * a * std::sin(0.1f * t), 12.0f + 3.0f * a * std::sin(0.07f * t),
                            -35.0f + 2.0f * a * std::sin(0.09f * t));
    } else {
        // The height does not follow the amplitude: the menu camera stays low.
        eyeGoal = glm::vec3(4.5f - 4.0f * a * std::sin(0.1f * (t - 4.0f)), 3.0f + 2.0f * std::sin(0.07f * (t - 2.0f)),
                            -10.0f - 3.0f * a * std::cos(0.1f * (t + 4.0f)));
    }
    targetGoal = glm::vec3(4.5f, 11.0f, 0.0f);
}

void CCamera::clampHeight(float minimum)
{
    if (eye.y < minimum)
        eye.y = minimum;
}

bool dragCamera(CCamera& camera, int dx, int dy, bool left, bool right, bool middle)
{
    float x = static_cast<float>(dx);
    float y = static_cast<float>(dy);
    if (left) {
        camera.orbit(0.01f * x, -0.01f * y);
        camera.updateView();
    }
    if (right) {
        camera.moveInView(0.1f * x, -0.1f * y, 0.0f);
        camera.updateView();
    }
    if (middle) {
        camera.moveInView(0.0f, 0.0f, -0.1f * y);
        camera.updateView();
    }
    return left || right || middle;
}
