// The left-handed, column-vector matrix and quaternion helpers, checked for
// their layout and where the game relies on them.
#include "render/Math3d.h"
#include "render/ScreenBox.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {
void expectNear(const glm::vec3& actual, const glm::vec3& expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Element (row, column) of the matrix (GLM indexes [column][row]).
float at(const glm::mat4& m, int row, int column) { return m[column][row]; }
}

TEST(Math3d, LookAtAndPerspectiveHaveTheColumnVectorLayout)
{
    // The published formulas, read element by element.
    glm::mat4 view = matrixLookAtLH({1, 2, 3}, {1, 2, 10}, {0, 1, 0});
    EXPECT_FLOAT_EQ(at(view, 0, 0), 1); // x axis along the first row
    EXPECT_FLOAT_EQ(at(view, 1, 1), 1);
    EXPECT_FLOAT_EQ(at(view, 2, 2), 1);
    EXPECT_FLOAT_EQ(at(view, 0, 3), -1); // translation in the last column
    EXPECT_FLOAT_EQ(at(view, 1, 3), -2);
    EXPECT_FLOAT_EQ(at(view, 2, 3), -3);
    EXPECT_FLOAT_EQ(at(view, 3, 3), 1);

    view = matrixLookAtLH({0, 0, 0}, {10, 0, 0}, {0, 1, 0});
    EXPECT_FLOAT_EQ(at(view, 0, 2), -1); // looking along +x, world +z is to the left
    EXPECT_FLOAT_EQ(at(view, 2, 0), 1);

    glm::mat4 p = matrixPerspectiveFovLH(0.5235988f, 2.0f, 40, 140);
    float yScale = 1.0f / std::tan(0.5235988f / 2);
    EXPECT_FLOAT_EQ(at(p, 0, 0), yScale / 2);
    EXPECT_FLOAT_EQ(at(p, 1, 1), yScale);
    EXPECT_FLOAT_EQ(at(p, 2, 2), 1.4f);
    EXPECT_FLOAT_EQ(at(p, 3, 2), 1);
    EXPECT_FLOAT_EQ(at(p, 2, 3), -56);
    EXPECT_FLOAT_EQ(at(p, 3, 3), 0);

    // Degenerate input gives zeros, never NaN.
    glm::mat4 collapsed = matrixLookAtLH({1, 1, 1}, {1, 1, 1}, {0, 1, 0});
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(collapsed[i / 4][i % 4]));
    expectNear(normalizeVector({0, 0, 0}), {0, 0, 0});
}

TEST(Math3d, ComposedTransformsApplyRightToLeft)
{
    glm::mat4 s = matrixScaling(2, 3, 4);
    glm::mat4 t = matrixTranslation(10, 20, 30);
    // Scale then translate.
    expectNear(transformCoord({1, 1, 1}, t * s), {12, 23, 34});
    expectNear(transformCoord({1, 1, 1}, s * t), {22, 63, 124});
    expectNear(transformNormal({1, 1, 1}, t), {1, 1, 1});

    // Roll about z first, then pitch about x, then yaw about y.
    float quarter = static_cast<float>(M_PI / 2);
    glm::mat4 r = matrixRotationYawPitchRoll(quarter, quarter, quarter);
    glm::mat4 yaw = matrixRotationYawPitchRoll(quarter, 0, 0);
    glm::mat4 pitch = matrixRotationYawPitchRoll(0, quarter, 0);
    glm::mat4 roll = matrixRotationYawPitchRoll(0, 0, quarter);
    glm::vec3 v(1, 2, 3);
    expectNear(transformCoord(v, r), transformCoord(transformCoord(transformCoord(v, roll), pitch), yaw));
    // Left-handed yaw: +x turns towards -z.
    expectNear(transformCoord({1, 0, 0}, yaw), {0, 0, -1});

    auto inverse = matrixInverse(t * r * s);
    ASSERT_TRUE(inverse.has_value());
    expectNear(transformCoord(transformCoord(v, t * r * s), *inverse), v, 1e-4f);
    EXPECT_FALSE(matrixInverse(matrixScaling(1, 0, 1)).has_value());
}

TEST(Math3d, ReflectionThroughTheFloorPlane)
{
    Plane floor = planeFromPointNormal({0, 0, 0}, {0, -1, 0});
    EXPECT_EQ(floor, Plane(0, -1, 0, 0));
    glm::mat4 mirror = matrixReflect(floor);
    expectNear(transformCoord({3, 5, -2}, mirror), {3, -5, -2});

    // An unnormalised plane y = 2 reflects about that height.
    glm::mat4 raised = matrixReflect(planeFromPointNormal({0, 2, 0}, {0, 3, 0}));
    expectNear(transformCoord({1, 5, 1}, raised), {1, -1, 1});
}

TEST(Math3d, QuaternionsAndDecompose)
{
    // (axis sin(a/2), cos(a/2)) with the axis normalised.
    glm::quat q = quaternionRotationAxis({0, 2, 0}, 1.0f);
    EXPECT_NEAR(q.y, std::sin(0.5f), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(0.5f), 1e-6f);

    // "p, then q" is the Hamilton product q * p.
    glm::quat quarter = quaternionRotationAxis({0, 1, 0}, static_cast<float>(M_PI / 2));
    glm::quat tilt = quaternionRotationAxis({1, 0, 0}, 0.3f);
    glm::quat both = quarter * tilt;
    glm::vec3 v(1, 2, 3);
    expectNear(rotateByConjugate(both, v), rotateByConjugate(tilt, rotateByConjugate(quarter, v)));
    // The conjugate sandwich turns by minus the angle (right-hand rule).
    expectNear(rotateByConjugate(quarter, {0, 0, 1}), {-1, 0, 0});

    glm::mat4 rotation = matrixRotationYawPitchRoll(0.4f, -0.7f, 1.1f);
    glm::mat4 world = matrixTranslation(5, -6, 7) * rotation * matrixScaling(2, 0.5f, 3);
    glm::vec3 scale, translation;
    glm::quat found;
    ASSERT_TRUE(matrixDecompose(world, scale, found, translation));
    expectNear(scale, {2, 0.5f, 3});
    expectNear(translation, {5, -6, 7});
    // The quaternion's matrix is the rotation part.
    glm::mat4 rebuilt = glm::mat4_cast(found);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(rebuilt[i / 4][i % 4], rotation[i / 4][i % 4], 1e-5f);

    EXPECT_FALSE(matrixDecompose(matrixScaling(0, 1, 1), scale, found, translation));
}

// ---- where the game relies on them ------------------------------------------

TEST(Math3d, LightTextureMatrixMapsTheLightTargetToTheMapCentre)
{
    // The shadow map's light at (-4, 38, -44) looking at (4.5, 0, 0).
    const glm::mat4 view = matrixLookAtLH({-4, 38, -44}, {4.5f, 0, 0}, {0, 1, 0});
    const glm::mat4 projection = matrixPerspectiveFovLH(0.5235988f, 1.0f, 40.0f, 140.0f);
    const glm::mat4 texture =
        matrixTranslation(0.5f, 0.5f, 0.0f) * matrixScaling(0.5f, -0.5f, 1.0f) * projection * view;
    const glm::vec3 centre = transformCoord({4.5f, 0, 0}, texture);
    EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
}

TEST(Math3d, PerspectiveMapsNearAndFarToZeroAndOne)
{
    const glm::mat4 p = matrixPerspectiveFovLH(0.8f, 4.0f / 3.0f, 1.0f, 100.0f);
    EXPECT_NEAR(transformCoord({0, 0, 1}, p).z, 0.0f, 1e-6f);
    EXPECT_NEAR(transformCoord({0, 0, 100}, p).z, 1.0f, 1e-5f);
}

TEST(Math3d, LookAtPutsTheTargetStraightAhead)
{
    const glm::mat4 v = matrixLookAtLH({4.5f, 10, -30}, {4.5f, 10, 0}, {0, 1, 0});
    expectNear(transformCoord({4.5f, 10, 0}, v), {0, 0, 30}, 1e-4f);
    // Left-handed: +x of the world stays to the right.
    EXPECT_GT(transformCoord({5.5f, 10, 0}, v).x, 0.0f);
}

TEST(Math3d, WorldMatrixIsScaleThenRotationThenTranslation)
{
    const glm::mat4 world =
        matrixTranslation(10, 0, 0) * matrixRotationYawPitchRoll(0, 0, 1.5707963f) * matrixScaling(2, 2, 2);
    // (1, 0, 0) scaled to (2, 0, 0), rolled a quarter turn to (0, 2, 0), moved by 10 on x.
    expectNear(transformCoord({1, 0, 0}, world), {10, 2, 0}, 1e-4f);
    glm::vec3 scale, translation;
    glm::quat rotation;
    ASSERT_TRUE(matrixDecompose(world, scale, rotation, translation));
    expectNear(scale, {2, 2, 2}, 1e-4f);
    expectNear(translation, {10, 0, 0}, 1e-4f);
    expectNear(transformCoord({1, 0, 0}, glm::mat4_cast(rotation)), {0, 1, 0}, 1e-4f);
}

TEST(Math3d, QuaternionsMatchTheMatrixRotations)
{
    const glm::quat yaw = quaternionRotationAxis({0, 1, 0}, 0.7f);
    const glm::quat pitch = quaternionRotationAxis({1, 0, 0}, 0.3f);
    const glm::mat4 fromQuaternions = glm::mat4_cast(yaw * pitch);
    const glm::mat4 fromAngles = matrixRotationYawPitchRoll(0.7f, 0.3f, 0.0f);
    expectNear(transformCoord({1, 2, 3}, fromQuaternions), transformCoord({1, 2, 3}, fromAngles), 1e-4f);
    // Yaw by a quarter turn takes +z to +x in the left-handed world.
    expectNear(transformCoord({0, 0, 1}, matrixRotationYawPitchRoll(1.5707963f, 0, 0)), {1, 0, 0}, 1e-4f);
}

// A box ahead covers where its corners fall; one behind the eye shows
// nowhere; one reaching from ahead to behind the eye covers at least its
// visible corners and runs off the screen's edge on the side it leaves by.
TEST(ScreenBox, CoversWhatTheEyeSeesOfABoxAndNothingBehindIt)
{
    const glm::mat4 view = matrixLookAtLH({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.0f});
    const glm::mat4 toClip = matrixPerspectiveFovLH(1.0f, 1.0f, 0.1f, 100.0f) * view;
    auto onScreen = [&](const glm::vec3& point) {
        const glm::vec4 clip = toClip * glm::vec4(point, 1.0f);
        return glm::vec2(clip) / clip.w;
    };

    const std::optional<ScreenBox> ahead = screenBoxOf({-1.0f, -1.0f, 9.0f}, {1.0f, 2.0f, 10.0f}, toClip);
    ASSERT_TRUE(ahead);
    EXPECT_NEAR(ahead->low.x, onScreen({-1.0f, -1.0f, 9.0f}).x, 1e-5f);
    EXPECT_NEAR(ahead->high.y, onScreen({1.0f, 2.0f, 9.0f}).y, 1e-5f);

    EXPECT_FALSE(screenBoxOf({-1.0f, -1.0f, -10.0f}, {1.0f, 1.0f, -9.0f}, toClip)) << "behind the eye";
    EXPECT_FALSE(screenBoxOf({-1.0f, 50.0f, 9.0f}, {1.0f, 60.0f, 10.0f}, toClip)) << "above the screen";

    const std::optional<ScreenBox> passing = screenBoxOf({0.5f, -0.5f, -5.0f}, {1.5f, 0.5f, 5.0f}, toClip);
    ASSERT_TRUE(passing);
    EXPECT_LE(passing->low.x, onScreen({0.5f, 0.0f, 5.0f}).x);
    EXPECT_EQ(passing->high.x, 1.0f) << "it leaves the screen by the right";
    EXPECT_EQ(passing->low.y, -1.0f);
    EXPECT_EQ(passing->high.y, 1.0f);
}
