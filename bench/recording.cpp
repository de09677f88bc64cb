// Cost of recording a game: what every frame adds to play (the held arrows
// read, the frame and any game keys kept), and the save at the game's end
// for a long game (ten minutes at 60 frames a second), through the atomic
// file write the game uses.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/GameRecorder.h"
#include "app/KeyMap.h"
#include "game/GameBoard.h"
#include "platform/InputSource.h"
#include "platform/VirtualKeys.h"

namespace {

// The keyboard as a player holds it: an arrow every other second.
class HeldArrows : public CInputSource {
public:
    bool poll(InputMessage&) override { return false; }
    bool isHeld(int key) const override { return key == vk::Left && (frame / 120) % 2 == 0; }
    bool isActive() const override { return true; }
    long frame = 0;
};

std::filesystem::path scratchFolder()
{
    char pattern[] = "/tmp/vesbrik-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

// One frame of recording: a turn every thirtieth frame, as a busy player.
void BM_RecordFrame(benchmark::State& state)
{
    const std::filesystem::path folder = scratchFolder();
    CGameRecorder recorder(folder / "replays");
    CGameBoard board(1);
    HeldArrows input;
    recorder.begin(board);
    for (auto _ : state) {
        if (input.frame % 30 == 0)
            recorder.record(Action::TurnClockwise);
        recorder.frame(1.0 / 60.0, heldMoves(input), 0.0f);
        ++input.frame;
        // A game never runs past the recorder's bound; start a new one before.
        if (input.frame % 36000 == 0) {
            state.PauseTiming();
            recorder.begin(board);
            state.ResumeTiming();
        }
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RecordFrame);

// The end of a ten-minute game: encoded and saved as the last game.
void BM_SaveTenMinuteGame(benchmark::State& state)
{
    const std::filesystem::path folder = scratchFolder();
    CGameRecorder recorder(folder / "replays");
    CGameBoard board(1);
    HeldArrows input;
    for (auto _ : state) {
        state.PauseTiming();
        recorder.begin(board);
        for (input.frame = 0; input.frame < 36000; ++input.frame)
            recorder.frame(1.0 / 60.0, heldMoves(input), 0.0f);
        state.ResumeTiming();
        benchmark::DoNotOptimize(recorder.end(board, false));
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveTenMinuteGame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
