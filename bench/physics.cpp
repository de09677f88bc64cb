// Cost of one debris step (CPhysicsWorld::update) with a full ring of 40
// bricks: tumbling right after four rows were cleared, lying at rest on the
// floor, and the same resting pile put to sleep by hand, which is what the
// library's auto-disable would give if the soft contacts let the bricks fall
// still enough for it.
#include "game/Random.h"
#include "physics/PhysicsWorld.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

constexpr double Step = 0.01;

std::array<uint32_t, 200> fullGrid()
{
    std::array<uint32_t, 200> grid;
    grid.fill(0xFF80C040u);
    return grid;
}

CPhysicsWorld::RowColours rowOf(const std::array<uint32_t, 200>& grid, int row)
{
    CPhysicsWorld::RowColours colours{};
    for (int column = 0; column < BoardColumns; ++column)
        colours[size_t(column)] = grid[size_t(CGameBoard::cellIndex(column, row))];
    return colours;
}

void launchFourRows(CPhysicsWorld& world, const std::array<uint32_t, 200>& grid, CRandom& random)
{
    for (int row = 16; row < 20; ++row)
        world.spawnRow(row, rowOf(grid, row), random);
}

int awakeBricks(const CPhysicsWorld& world)
{
    int awake = 0;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i)
        awake += world.slot(i) && world.slot(i)->isAwake();
    return awake;
}

void settle(CPhysicsWorld& world)
{
    // 20 s of game time; every brick lies still by then.
    for (int i = 0; i < 2000; ++i)
        world.update(Step, true);
}

} // namespace

// Forty bricks in their first 0.75 s of game time: flying, landing, bouncing.
void BM_UpdateTumbling(benchmark::State& state)
{
    auto grid = fullGrid();
    CRandom random(1);
    CPhysicsWorld world;
    int sinceLaunch = 0;
    launchFourRows(world, grid, random);
    for (auto _ : state) {
        if (sinceLaunch == 75) {
            state.PauseTiming();
            launchFourRows(world, grid, random); // recycles all forty
            sinceLaunch = 0;
            state.ResumeTiming();
        }
        world.update(Step, true);
        ++sinceLaunch;
    }
    state.counters["awake"] = awakeBricks(world);
}
BENCHMARK(BM_UpdateTumbling);

void BM_UpdateResting(benchmark::State& state)
{
    auto grid = fullGrid();
    CRandom random(1);
    CPhysicsWorld world;
    launchFourRows(world, grid, random);
    settle(world);
    for (auto _ : state)
        world.update(Step, true);
    state.counters["awake"] = awakeBricks(world);
}
BENCHMARK(BM_UpdateResting);

void BM_UpdateRestingAsleep(benchmark::State& state)
{
    auto grid = fullGrid();
    CRandom random(1);
    CPhysicsWorld world;
    launchFourRows(world, grid, random);
    settle(world);
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i)
        dBodyDisable(world.slot(i)->body);
    for (auto _ : state)
        world.update(Step, true);
    state.counters["awake"] = awakeBricks(world);
}
BENCHMARK(BM_UpdateRestingAsleep);

void BM_UpdatePaused(benchmark::State& state)
{
    auto grid = fullGrid();
    CRandom random(1);
    CPhysicsWorld world;
    launchFourRows(world, grid, random);
    for (auto _ : state)
        world.update(Step, false);
}
BENCHMARK(BM_UpdatePaused);

void BM_SpawnRow(benchmark::State& state)
{
    auto grid = fullGrid();
    CRandom random(1);
    CPhysicsWorld world;
    for (auto _ : state)
        world.spawnRow(19, rowOf(grid, 19), random); // steady state: each replaces ten bricks
}
BENCHMARK(BM_SpawnRow);

BENCHMARK_MAIN();
