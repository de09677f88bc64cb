#include "render/Camera.h"

#include <cmath>

#include <gtest/gtest.h>

#include "render/Math3d.h"

namespace {
void expectNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-4f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

bool allFinite(const glm::mat4& m)
{
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!std::isfinite(m[i][j]))
                return false;
        }
    }
    return true;
}

// A camera placed at once, with its goals on eye and target.
CCamera placedCamera(const glm::vec3& eye, const glm::vec3& target, bool fixedUp = false)
{
    CCamera camera;
    camera.fixedUp = fixedUp;
    camera.setLookAt(eye, target, glm::vec3(0, 1, 0));
    camera.eyeGoal = eye;
    camera.targetGoal = target;
    return camera;
}
}

TEST(Camera, StartsLookingAtTheOriginWithGoalsInPlace)
{
    CCamera camera;
    expectNear(camera.eye, {0, 0, 1});
    expectNear(camera.direction, {0, 0, -1});
    expectNear(camera.up, {0, 1, 0});
    expectNear(camera.eyeGoal, camera.eye);
    expectNear(camera.targetGoal, camera.target);
    // Stepping a fresh camera leaves it where it is.
    camera.smoothStep(0.01f);
    expectNear(camera.eye, {0, 0, 1});
    expectNear(transformCoord({0, 0, 0}, camera.view), {0, 0, 1});
}

TEST(Camera, SmoothStepGlidesAFortiethOfTheWay)
{
    CCamera camera = placedCamera({-4, 15, -60}, {10, 11, 0}, true);
    glm::mat4 before = camera.view;
    for (int i = 0; i < 10; ++i)
        camera.smoothStep(0.01f);
    // Goals met: nothing moves, and the view is rebuilt to the same matrix.
    EXPECT_EQ(camera.view, before);
    expectNear(camera.eye, {-4, 15, -60});

    camera.eyeGoal = glm::vec3(36, 15, -60);
    camera.targetGoal = glm::vec3(10, 51, 0);
    camera.smoothStep(0.5f); // the length of the step does not matter
    expectNear(camera.eye, {-3, 15, -60});
    expectNear(camera.target, {10, 12, 0});
    // After a second of steps about 8 % of the way is left.
    for (int i = 1; i < 100; ++i)
        camera.smoothStep(0.01f);
    EXPECT_NEAR((36.0f - camera.eye.x) / 40.0f, std::pow(39.0f / 40.0f, 100.0f), 1e-4f);
    EXPECT_NEAR(camera.eye.x, 36.0f - 40.0f * 0.0795f, 0.05f);
}

TEST(Camera, ViewLooksFromTheEyeAlongTheDirection)
{
    CCamera camera = placedCamera({4.5f, 10, -35}, {4.5f, 10, 0});
    expectNear(transformCoord({4.5f, 10, -35}, camera.view), {0, 0, 0});
    expectNear(transformCoord({4.5f, 10, 0}, camera.view), {0, 0, 35});
    // Left-handed: +x in the world is to the right when looking along +z.
    expectNear(transformCoord({5.5f, 11, 0}, camera.view), {1, 1, 35});
    expectNear(camera.direction, {0, 0, 1});
    expectNear(camera.side, {-1, 0, 0});
}

TEST(Camera, OrbitKeepsTheDistanceToTheTarget)
{
    CCamera camera = placedCamera({0, 0, -10}, {0, 0, 0});
    // A turn about the up axis by a swings the eye by -a (right-hand rule).
    camera.orbit(static_cast<float>(M_PI / 2), 0);
    expectNear(camera.eyeGoal, {10, 0, 0});
    expectNear(camera.targetGoal, {0, 0, 0});
    expectNear(camera.eye, {0, 0, -10}); // only the goal moves

    // A turn about the side axis lifts the eye.
    camera = placedCamera({0, 0, -10}, {0, 0, 0});
    camera.orbit(0, 0.5f);
    expectNear(camera.eyeGoal, {0, 10 * std::sin(0.5f), -10 * std::cos(0.5f)});

    // Drags while the camera is still gliding turn about the current target.
    camera = placedCamera({3, 7, -20}, {4.5f, 10, 0});
    camera.eyeGoal = glm::vec3(-2, 9, -25);
    float distance = glm::length(camera.target - camera.eyeGoal);
    for (int i = 0; i < 50; ++i) {
        camera.orbit(0.03f * static_cast<float>(i % 7) - 0.1f, 0.02f * static_cast<float>(i % 5) - 0.04f);
        ASSERT_NEAR(glm::length(camera.target - camera.eyeGoal), distance, 1e-3f) << "drag " << i;
    }
}

TEST(Camera, MoveInViewFollowsTheViewAxes)
{
    CCamera camera = placedCamera({4.5f, 10, -35}, {4.5f, 10, 0});
    camera.targetGoal = glm::vec3(4.5f, 12, 0);
    camera.moveInView(0, 0, 5);
    expectNear(camera.eyeGoal, {4.5f, 10, -30});
    expectNear(camera.targetGoal, {4.5f, 12, 5});

    // Looking along +x, forward is +x, right is -z and up is +y.
    camera = placedCamera({0, 0, 0}, {10, 0, 0});
    camera.moveInView(0, 0, 2);
    expectNear(camera.eyeGoal, {2, 0, 0});
    camera.moveInView(1, 0, 0);
    expectNear(camera.eyeGoal, {2, 0, -1});
    camera.moveInView(0, 3, 0);
    expectNear(camera.eyeGoal, {2, 3, -1});
    expectNear(camera.targetGoal - camera.eyeGoal, {10, 0, 0});
}

TEST(Camera, FixedUpStaysUpright)
{
    CCamera camera;
    camera.fixedUp = true;
    camera.setLookAt({0, 5, -10}, {4, 0, 3}, {0, 1, 0});
    expectNear(camera.up, {0, 1, 0});
    glm::vec3 d = camera.direction;
    EXPECT_NEAR(glm::length(camera.side), std::sqrt(d.x * d.x + d.z * d.z), 1e-5f);

    // Without the flag the up vector is bent square to the direction.
    CCamera free;
    free.setLookAt({0, 5, -10}, {4, 0, 3}, {0, 1, 0});
    EXPECT_NEAR(glm::dot(free.up, free.direction), 0.0f, 1e-5f);
    EXPECT_GT(free.up.y, 0.0f);

    // Looking straight down with a fixed up vector has no sideways axis; the
    // view degenerates for that moment but never turns into NaN, and the
    // camera recovers once it looks elsewhere.
    camera.setLookAt({0, 10, 0}, {0, 0, 0}, {0, 1, 0});
    EXPECT_TRUE(allFinite(camera.view));
    camera.eyeGoal = glm::vec3(0, 10, -10);
    camera.targetGoal = glm::vec3(0, 0, 0);
    camera.orbit(0.2f, 0.2f);
    camera.moveInView(0, 0, 1);
    camera.smoothStep(0.01f);
    EXPECT_TRUE(allFinite(camera.view));
    EXPECT_TRUE(std::isfinite(camera.eyeGoal.x + camera.eyeGoal.y + camera.eyeGoal.z));
    EXPECT_GT(glm::length(camera.side), 0.0f);
}

TEST(Camera, HeightClampLiftsOnlyTheEye)
{
    CCamera camera = placedCamera({0, 3, -10}, {0, 0, 0});
    camera.eyeGoal = glm::vec3(0, -20, -10);
    for (int i = 0; i < 200; ++i) {
        camera.smoothStep(0.01f);
        camera.clampHeight();
        ASSERT_GE(camera.eye.y, 1.0f);
    }
    EXPECT_EQ(camera.eye.y, 1.0f);
    EXPECT_EQ(camera.eyeGoal.y, -20.0f);
    camera.eye.y = 4.0f;
    camera.clampHeight();
    EXPECT_EQ(camera.eye.y, 4.0f);
}

TEST(Camera, IdlePathSwaysAroundTheWell)
{
    CCamera camera;
    camera.idleCameraPath(0, 1, true);
    expectNear(camera.eyeGoal, {4.5f, 12, -35});
    expectNear(camera.targetGoal, {4.5f, 11, 0});

    float t = 17.0f;
    camera.idleCameraPath(t, 1, true);
    expectNear(camera.eyeGoal, {4.5f + 2 * std::sin(1.7f), 12 + 3 * std::sin(1.19f), -35 + 2 * std::sin(1.53f)});

    // In the menus the swing widens with the amplitude, but not its height.
    camera.idleCameraPath(4, 10, false);
    expectNear(camera.eyeGoal, {4.5f, 3 + 2 * std::sin(0.14f), -10 - 30 * std::cos(0.8f)});
    glm::vec3 wide = camera.eyeGoal;
    camera.idleCameraPath(4, 1, false);
    EXPECT_EQ(camera.eyeGoal.y, wide.y);
    EXPECT_NEAR(camera.eyeGoal.z, -10 - 3 * std::cos(0.8f), 1e-4f);
    expectNear(camera.targetGoal, {4.5f, 11, 0});

    // Followed step by step, the eye glides along the path without jumps.
    camera = placedCamera({0, 1, -30}, {4.5f, 10, 0});
    glm::vec3 last = camera.eye;
    for (int i = 1; i <= 1000; ++i) {
        camera.smoothStep(0.01f);
        camera.idleCameraPath(0.01f * static_cast<float>(i), 10, false);
        camera.clampHeight();
        ASSERT_LT(glm::length(camera.eye - last), 1.0f);
        last = camera.eye;
    }
}

TEST(Camera, SceneProjectionIsSquareWithDepthFromZeroToOne)
{
    glm::mat4 p = sceneProjection();
    expectNear(transformCoord({0, 0, 0.2f}, p), {0, 0, 0});
    expectNear(transformCoord({0, 0, 250}, p), {0, 0, 1});
    float edge = std::tan(0.7853982f / 2) * 10;
    expectNear(transformCoord({edge, edge, 10}, p), {1, 1, transformCoord({0, 0, 10}, p).z});
}

TEST(Camera, MouseDragsMoveTheGoals)
{
    CCamera camera = placedCamera({4.5f, 10, -35}, {4.5f, 10, 0}, true);
    EXPECT_FALSE(dragCamera(camera, 30, 40, false, false, false));
    expectNear(camera.eyeGoal, {4.5f, 10, -35});

    // Dragging the mouse up (dy > 0) with the middle button moves away.
    EXPECT_TRUE(dragCamera(camera, 0, 20, false, false, true));
    expectNear(camera.eyeGoal, {4.5f, 10, -37});
    expectNear(camera.targetGoal, {4.5f, 10, -2});

    // Right button: the mouse moving left (dx > 0) pans right, moving down
    // (dy < 0) pans up.
    camera = placedCamera({4.5f, 10, -35}, {4.5f, 10, 0}, true);
    EXPECT_TRUE(dragCamera(camera, 10, -10, false, true, false));
    expectNear(camera.eyeGoal, {5.5f, 11, -35});
    expectNear(camera.targetGoal, {5.5f, 11, 0});

    // Left button orbits about the target: 100 pixels is one radian.
    camera = placedCamera({4.5f, 10, -35}, {4.5f, 10, 0}, true);
    EXPECT_TRUE(dragCamera(camera, 0, -50, true, false, false));
    expectNear(camera.eyeGoal, {4.5f, 10 + 35 * std::sin(0.5f), -35 * std::cos(0.5f)});
    expectNear(camera.targetGoal, {4.5f, 10, 0});
}
