#include "physics/PhysicsWorld.h"

#include "game/Random.h"
#include "physics/ImpactSound.h"
#include "view/GameView.h"

#include "RecordingImpactSink.h"
#include "SceneTestContext.h"
#include "game/GameBoard.h"
#include "render/Renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

constexpr double Step = 0.01; // the game's fixed step

// A board grid where every cell has its own colour, so a brick's colour tells
// which cell it came from.
std::array<uint32_t, 200> numberedGrid()
{
    std::array<uint32_t, 200> grid{};
    for (int i = 0; i < 200; ++i)
        grid[i] = 0xFF000000u | uint32_t(i * 1000 + 7);
    return grid;
}

uint32_t cell(const std::array<uint32_t, 200>& grid, int column, int row) { return grid[column * 20 + row]; }

// The colours of one row of such a grid, as the board hands them on.
CPhysicsWorld::RowColours rowOf(const std::array<uint32_t, 200>& grid, int row)
{
    CPhysicsWorld::RowColours colours{};
    for (int column = 0; column < 10; ++column)
        colours[size_t(column)] = cell(grid, column, row);
    return colours;
}

void expectAt(const CDebrisBrick* brick, float x, float y, float z)
{
    ASSERT_NE(brick, nullptr);
    glm::vec3 p = brick->position();
    EXPECT_FLOAT_EQ(p.x, x);
    EXPECT_FLOAT_EQ(p.y, y);
    EXPECT_FLOAT_EQ(p.z, z);
}

int occupiedSlots(const CPhysicsWorld& world)
{
    int count = 0;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i)
        count += world.slot(i) != nullptr;
    return count;
}

} // namespace

// ---- launching a row ----------------------------------------------------------

// Suites named after what they test, on the shared fixture.
using GameViewDebris = SceneTest;

TEST(PhysicsWorldSpawn, CornerBricksStartInFrontOfTheirCells)
{
    auto grid = numberedGrid();
    CPhysicsWorld world;
    CRandom random(1);
    ASSERT_TRUE(world.spawnRow(19, rowOf(grid, 19), random));
    ASSERT_TRUE(world.spawnRow(0, rowOf(grid, 0), random));

    // Bottom row: column 0 in slot 0, column 9 in slot 9.
    expectAt(world.slot(0), 0.0f, 1.0f, -1.6f);
    expectAt(world.slot(9), 9.0f, 1.0f, -1.6f);
    EXPECT_EQ(world.slot(0)->colour, cell(grid, 0, 19));
    EXPECT_EQ(world.slot(9)->colour, cell(grid, 9, 19));
    // Top row follows in slots 10..19.
    expectAt(world.slot(10), 0.0f, 20.0f, -1.6f);
    expectAt(world.slot(19), 9.0f, 20.0f, -1.6f);
    EXPECT_EQ(world.slot(19)->colour, cell(grid, 9, 0));
}

TEST(PhysicsWorldSpawn, DrawsThePushThenTheTumbleOfEachBrickInTurn)
{
    // The draws are part of the replayable random sequence: r1, r2, r3 push
    // the brick, r4 turns it about x, brick by brick.
    const uint32_t seed = 4242;
    CRandom drawn(seed);
    std::array<std::array<float, 4>, 10> draws;
    for (auto& brick : draws)
        for (float& r : brick)
            r = drawn.randomUnit();

    auto grid = numberedGrid();
    CPhysicsWorld world;
    CRandom random(seed);
    world.spawnRow(12, rowOf(grid, 12), random);
    EXPECT_EQ(random.state(), drawn.state()) << "a row takes exactly 40 draws";

    for (int k = 0; k < 10; ++k) {
        glm::mat3 r = world.slot(k)->rotation();
        EXPECT_NEAR(r[0][0], 1.0f, 1e-6f) << "brick " << k << " turns about x only";
        EXPECT_NEAR(std::acos(std::clamp(r[1][1], -1.0f, 1.0f)), draws[k][3], 1e-4f) << "brick " << k;
    }

    for (int k = 0; k < 10; ++k) {
        const dReal* force = dBodyGetForce(world.slot(k)->body);
        const auto& r = draws[k];
        EXPECT_FLOAT_EQ(force[0], r[2] - 0.5f) << "brick " << k;
        EXPECT_FLOAT_EQ(force[1], 2.0f * (r[1] + 1.0f)) << "brick " << k;
        EXPECT_FLOAT_EQ(force[2], -(2.0f * r[0] + 1.0f)) << "brick " << k;
    }

    // The push is a one-time force: the first step uses it up.
    world.update(Step, true);
    for (int k = 0; k < 10; ++k) {
        const dReal* force = dBodyGetForce(world.slot(k)->body);
        EXPECT_EQ(glm::dvec3(force[0], force[1], force[2]), glm::dvec3(0.0)) << "brick " << k;
    }
}

TEST(PhysicsWorldSpawn, BadRowOrMissingGridLaunchesNothing)
{
    auto grid = numberedGrid();
    CPhysicsWorld world;
    CRandom random(9);
    EXPECT_FALSE(world.spawnRow(-1, rowOf(grid, 0), random));
    EXPECT_FALSE(world.spawnRow(20, rowOf(grid, 19), random));
    EXPECT_EQ(occupiedSlots(world), 0);
    EXPECT_EQ(world.nextSlot(), 0);
    EXPECT_EQ(random.state(), 9u) << "a refused row draws nothing";
    EXPECT_EQ(world.slot(-1), nullptr);
    EXPECT_EQ(world.slot(40), nullptr);
}

// ---- the ring of slots ------------------------------------------------------

TEST(PhysicsWorldRing, FourRowsFillEverySlotAndTheFifthRecyclesTheOldest)
{
    auto grid = numberedGrid();
    CPhysicsWorld world;
    CRandom random(1);
    EXPECT_EQ(occupiedSlots(world), 0);
    for (int row = 16; row < 20; ++row)
        world.spawnRow(row, rowOf(grid, row), random);
    EXPECT_EQ(occupiedSlots(world), 40);
    EXPECT_EQ(world.nextSlot(), 0);

    std::array<const CDebrisBrick*, 40> before;
    for (int i = 0; i < 40; ++i)
        before[i] = world.slot(i);
    world.update(Step, true);

    world.spawnRow(3, rowOf(grid, 3), random);
    EXPECT_EQ(occupiedSlots(world), 40);
    EXPECT_EQ(world.nextSlot(), 10);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(world.slot(k)->colour, cell(grid, k, 3));
        expectAt(world.slot(k), float(k), 17.0f, -1.6f);
    }
    for (int i = 10; i < 40; ++i) {
        EXPECT_EQ(world.slot(i), before[i]) << "slot " << i << " keeps its brick";
        EXPECT_EQ(world.slot(i)->colour, cell(grid, i % 10, 16 + i / 10));
    }
}

// ---- pausing --------------------------------------------------------------------

TEST(PhysicsWorldPause, BricksFreezeAndStaySilentWhileTheCooldownRunsDown)
{
    RecordingSink sink;
    auto grid = numberedGrid();
    CRandom random(31);
    CPhysicsWorld world(&sink);
    EXPECT_FLOAT_EQ(world.impactCooldown(), 0.05f);
    world.spawnRow(19, rowOf(grid, 19), random);

    // Play until the bricks hit the floor and an impact sounds.
    for (int i = 0; i < 500 && sink.sounds.empty(); ++i)
        world.update(Step, true);
    ASSERT_FALSE(sink.sounds.empty());
    ASSERT_GT(world.impactCooldown(), 0.0f);

    std::array<glm::vec3, 10> positions;
    std::array<glm::mat3, 10> rotations;
    bool anyMoving = false;
    for (int k = 0; k < 10; ++k) {
        positions[k] = world.slot(k)->position();
        rotations[k] = world.slot(k)->rotation();
        const dReal* v = dBodyGetLinearVel(world.slot(k)->body);
        anyMoving |= std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]) > 0.5;
    }
    ASSERT_TRUE(anyMoving);

    const size_t soundsBefore = sink.sounds.size();
    float cooldown = world.impactCooldown();
    for (int i = 0; i < 100; ++i) {
        world.update(Step, false);
        if (cooldown > 0.0f) {
            EXPECT_LT(world.impactCooldown(), cooldown);
        }
        cooldown = world.impactCooldown();
    }
    EXPECT_LE(world.impactCooldown(), 0.0f);
    EXPECT_EQ(sink.sounds.size(), soundsBefore);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(world.slot(k)->position(), positions[k]) << "brick " << k;
        EXPECT_EQ(world.slot(k)->rotation(), rotations[k]) << "brick " << k;
    }
}

// ---- impact sounds of a real world -----------------------------------------

TEST(PhysicsWorldSounds, RealLandingsSoundOnlyForDeepContactsAndAtMostEveryFiftyMilliseconds)
{
    RecordingSink sink;
    auto grid = numberedGrid();
    CRandom random(77);
    CPhysicsWorld world(&sink);
    for (int row = 16; row < 20; ++row)
        world.spawnRow(row, rowOf(grid, row), random);
    for (int i = 0; i < 2000; ++i) {
        sink.currentUpdate = i;
        world.update(Step, true);
    }
    ASSERT_GT(sink.sounds.size(), 3u);
    for (size_t i = 0; i < sink.sounds.size(); ++i) {
        EXPECT_GE(sink.sounds[i].volume, 20) << "deeper than 0.05";
        EXPECT_GE(sink.sounds[i].pan, -300);
        EXPECT_LE(sink.sounds[i].pan, 300);
        if (i > 0) {
            EXPECT_GE(sink.sounds[i].update - sink.sounds[i - 1].update, 5);
        }
    }
}

// ---- settling --------------------------------------------------------------------

TEST(PhysicsWorldSettling, BricksOfEveryRowComeToRestOnTheFloorInView)
{
    auto grid = numberedGrid();
    for (int row = 0; row < 20; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        CRandom random(1000 + row);
        CPhysicsWorld world;
        world.spawnRow(row, rowOf(grid, row), random);
        // 15 s of simulated time; compare the last second with the rest.
        for (int i = 0; i < 2800; ++i)
            world.update(Step, true);
        std::array<glm::vec3, 10> before;
        for (int k = 0; k < 10; ++k)
            before[k] = world.slot(k)->position();
        for (int i = 0; i < 200; ++i)
            world.update(Step, true);

        std::vector<float> depths;
        for (int k = 0; k < 10; ++k) {
            glm::vec3 p = world.slot(k)->position();
            EXPECT_LT(glm::length(p - before[k]), 0.05f) << "brick " << k << " still moves";
            EXPECT_NEAR(p.y, 0.5f, 0.1f) << "brick " << k << " lies on the floor";
            EXPECT_LT(p.z, -1.4f) << "brick " << k << " is in front of the back wall";
            EXPECT_GT(p.z, -35.0f) << "brick " << k << " stays short of the camera";
            depths.push_back(p.z);
        }
        std::sort(depths.begin(), depths.end());
        float median = 0.5f * (depths[4] + depths[5]);
        EXPECT_GT(median, -20.0f) << "the row lies in view";
        EXPECT_LT(median, -1.0f);
    }
}

TEST(PhysicsWorldSettling, FortyBricksNeverPassThroughTheFloorOrTheWall)
{
    auto grid = numberedGrid();
    CRandom random(5);
    CPhysicsWorld world;
    // Four rows at once, then two more that recycle the oldest bricks while
    // the first ones are still tumbling.
    for (int row = 16; row < 20; ++row)
        world.spawnRow(row, rowOf(grid, row), random);
    float lowest = 1e9f;
    float nearestWall = -1e9f;
    for (int i = 0; i < 10000; ++i) {
        if (i == 150)
            world.spawnRow(0, rowOf(grid, 0), random);
        if (i == 300)
            world.spawnRow(10, rowOf(grid, 10), random);
        world.update(Step, true);
        for (int k = 0; k < CPhysicsWorld::SlotCount; ++k) {
            glm::vec3 p = world.slot(k)->position();
            lowest = std::min(lowest, p.y);
            nearestWall = std::max(nearestWall, p.z);
        }
    }
    // A brick whose centre crossed a plane has gone through it.
    EXPECT_GT(lowest, 0.0f);
    EXPECT_LT(nearestWall, -1.0f);
}

// ---- the view's wiring ----------------------------------------------------------

// The view needs a renderer to load its scene into, and so a device.
TEST_F(GameViewDebris, GameViewDebrisALaunchedRowHasTheBoardsColours)
{
    auto grid = numberedGrid();
    CGameBoard board(1);
    CRenderer renderer;
    board.setCells(grid);
    CGameView view(board, renderer);
    EXPECT_EQ(occupiedSlots(view.debris()), 0);
    CRandom debrisRandom(1);

    view.launchRow(19, board.rowColours(19), debrisRandom);
    EXPECT_EQ(occupiedSlots(view.debris()), 10);
    EXPECT_EQ(view.debris().slot(4)->colour, cell(grid, 4, 19));
}

TEST_F(GameViewDebris, GameViewDebrisMovesOnlyWhileTheBoardRuns)
{
    auto grid = numberedGrid();
    CGameBoard board(1);
    CRenderer renderer;
    board.setCells(grid);
    CGameView view(board, renderer);
    CRandom debrisRandom(1);
    view.launchRow(10, board.rowColours(10), debrisRandom);
    glm::vec3 start = view.debris().slot(0)->position();
    view.stepUpdate(0.01f, false);
    EXPECT_EQ(view.debris().slot(0)->position(), start);
    view.stepUpdate(0.01f, true);
    EXPECT_NE(view.debris().slot(0)->position(), start);
}

// ---- clearing, as every replay does -----------------------------------------

namespace {

// Four rows launched from one seed, run for three seconds: where every brick
// ends and which impacts sounded.
struct DebrisRun {
    std::vector<glm::vec3> positions;
    std::vector<RecordedImpact> sounds;
    uint32_t randomAfter = 0;
};

DebrisRun runFromClear(CPhysicsWorld& world, RecordingSink& sink)
{
    world.clear();
    sink.sounds.clear();
    CRandom random(99);
    const auto grid = numberedGrid();
    for (int row = 16; row < 20; ++row)
        world.spawnRow(row, rowOf(grid, row), random);
    for (int i = 0; i < 300; ++i) {
        sink.currentUpdate = i;
        world.update(Step, true);
    }
    DebrisRun run;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i)
        if (const CDebrisBrick* brick = world.slot(i))
            run.positions.push_back(brick->position());
    run.sounds = std::move(sink.sounds);
    run.randomAfter = random.state();
    return run;
}

} // namespace

TEST(PhysicsWorldClear, AClearedWorldPlaysExactlyAsANewOne)
{
    RecordingSink freshSink;
    CPhysicsWorld fresh(&freshSink);
    const DebrisRun expected = runFromClear(fresh, freshSink);
    ASSERT_EQ(expected.positions.size(), 40u);
    ASSERT_FALSE(expected.sounds.empty());

    // A world with bricks of its own still tumbling and its impact throttle
    // closed part-way, as an earlier game leaves it.
    RecordingSink usedSink;
    CPhysicsWorld used(&usedSink);
    CRandom random(5);
    const auto grid = numberedGrid();
    for (int row = 10; row < 15; ++row)
        used.spawnRow(row, rowOf(grid, row), random);
    for (int i = 0; i < 37; ++i)
        used.update(Step, true);
    const DebrisRun again = runFromClear(used, usedSink);

    ASSERT_EQ(again.positions.size(), expected.positions.size());
    for (size_t i = 0; i < expected.positions.size(); ++i)
        EXPECT_EQ(again.positions[i], expected.positions[i]) << "brick " << i;
    ASSERT_EQ(again.sounds.size(), expected.sounds.size());
    for (size_t i = 0; i < expected.sounds.size(); ++i) {
        EXPECT_EQ(again.sounds[i].update, expected.sounds[i].update);
        EXPECT_EQ(again.sounds[i].volume, expected.sounds[i].volume);
    }
    EXPECT_EQ(again.randomAfter, expected.randomAfter);
}
