// The Direct3D-style maths: the formulas the frame relies on, checked where
// the game uses them.
#include "render/Math3d.h"

#include <gtest/gtest.h>

namespace {
void expectNear(const glm::vec3& a, const glm::vec3& b, float tolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}
} // namespace

TEST(Maths, ReflectionThroughTheFloorNegatesY)
{
    const glm::mat4 mirror = matrixReflect(planeFromPointNormal({0, 0, 0}, {0, -1, 0}));
    expectNear(transformCoord({3, 5, -2}, mirror), {3, -5, -2});
}

TEST(Maths, LightTextureMatrixMapsTheLightTargetToTheMapCentre)
{
    // The shadow map's light at (-4, 38, -44) looking at (4.5, 0, 0).
    const glm::mat4 view = matrixLookAtLH({-4, 38, -44}, {4.5f, 0, 0}, {0, 1, 0});
    const glm::mat4 projection = matrixPerspectiveFovLH(0.5235988f, 1.0f, 40.0f, 140.0f);
    const glm::mat4 texture = matrixMultiply(
        matrixMultiply(matrixMultiply(view, projection), matrixScaling(0.5f, -0.5f, 1.0f)),
        matrixTranslation(0.5f, 0.5f, 0.0f));
    const glm::vec3 centre = transformCoord({4.5f, 0, 0}, texture);
    EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
}

TEST(Maths, PerspectiveMapsNearAndFarToZeroAndOne)
{
    const glm::mat4 p = matrixPerspectiveFovLH(0.8f, 4.0f / 3.0f, 1.0f, 100.0f);
    EXPECT_NEAR(transformCoord({0, 0, 1}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(transformCoord({0, 0, 100}, p).z, 1.0f, 1e-5f);
}

TEST(Maths, LookAtPutsTheTargetStraightAhead)
{
    const glm::mat4 v = matrixLookAtLH({4.5f, 10, -30}, {4.5f, 10, 0}, {0, 1, 0});
    expectNear(transformCoord({4.5f, 10, 0}, v), {0, 0, 30});
    // Left-handed: +x of the world stays to the right.
    EXPECT_GT(transformCoord({5.5f, 10, 0}, v).x, 0.0f);
}

TEST(Maths, WorldMatrixIsScaleThenRotationThenTranslation)
{
    const glm::mat4 world = matrixMultiply(matrixMultiply(matrixScaling(2, 2, 2), matrixRotationYawPitchRoll(0, 0, 1.5707963f)),
                                           matrixTranslation(10, 0, 0));
    // (1, 0, 0) scaled to (2, 0, 0), rolled a quarter turn to (0, 2, 0), moved by 10 on x.
    expectNear(transformCoord({1, 0, 0}, world), {10, 2, 0});
    glm::vec3 scale, translation;
    glm::quat rotation;
    ASSERT_TRUE(matrixDecompose(world, scale, rotation, translation));
    expectNear(scale, {2, 2, 2});
    expectNear(translation, {10, 0, 0});
    expectNear(transformCoord({1, 0, 0}, glm::mat4_cast(rotation)), {0, 1, 0});
}

TEST(Maths, QuaternionsMatchTheMatrixRotations)
{
    const glm::quat yaw = quaternionRotationAxis({0, 1, 0}, 0.7f);
    const glm::quat pitch = quaternionRotationAxis({1, 0, 0}, 0.3f);
    const glm::mat4 fromQuaternions = glm::mat4_cast(quaternionMultiply(pitch, yaw));
    const glm::mat4 fromAngles = matrixRotationYawPitchRoll(0.7f, 0.3f, 0.0f);
    expectNear(transformCoord({1, 2, 3}, fromQuaternions), transformCoord({1, 2, 3}, fromAngles));
    // Yaw by a quarter turn takes +z to +x in the left-handed world.
    expectNear(transformCoord({0, 0, 1}, matrixRotationYawPitchRoll(1.5707963f, 0, 0)), {1, 0, 0});
}
