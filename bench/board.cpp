// Cost of one fixed step of the board in a game in progress: a half-full
// well with ragged rows, the arrows held so the piece keeps sliding and
// dropping, pieces locking and rows clearing now and then. When a game
// ends, a new one starts on a fresh half-full well.
#include <benchmark/benchmark.h>

#include "game/GameBoard.h"
#include "game/Random.h"

namespace {
// Down always; left and right take turns every half second.
HeldKeys busyKeys(long steps)
{
    const bool leftPhase = (steps / 50) % 2 == 0;
    return {leftPhase, !leftPhase, true};
}

class NullListener : public CGameBoardListener {
public:
    void onBoardEvent(const BoardEvent& event) override { benchmark::DoNotOptimize(static_cast<int>(event.kind) + event.score); }
};

// Rows 10..19 filled except one gap per row; every third row gets a second
// gap so that clears stay possible but not constant.
void startBusyGame(CGameBoard& board)
{
    board.newGame();
    for (int row = 10; row < BoardRows; ++row) {
        int gap = (row * 7) % BoardColumns;
        for (int column = 0; column < BoardColumns; ++column) {
            bool hole = column == gap || (row % 3 == 0 && column == (gap + 4) % BoardColumns);
            if (!hole)
                board.setCell(column, row, 0xFF808080u);
        }
    }
}

void BM_BoardStep(benchmark::State& state)
{
    CGameBoard board(12345);
    NullListener listener;
    board.setListener(&listener);
    long steps = 0;
    startBusyGame(board);
    long games = 1;
    for (auto _ : state) {
        board.pollKeys(busyKeys(steps));
        board.step(0.01f);
        ++steps;
        if (!board.isRunning()) {
            startBusyGame(board);
            ++games;
        }
    }
    state.counters["games"] = static_cast<double>(games);
    state.counters["steps/game"] = static_cast<double>(steps) / static_cast<double>(games);
}
BENCHMARK(BM_BoardStep);
}

BENCHMARK_MAIN();
