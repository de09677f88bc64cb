// The saving game that SaveKillTest kills: loads what is on disk, says so on
// the pipe FD, then saves over and over, each save reported on the pipe once
// it has returned. Each save holds one more than the last (a score, a
// recorded frame), so what is on disk tells which save wrote it. A program of
// its own rather than a fork of the test, so that no lock of the test's
// threads is ever copied into it.
//   vesbrik_save_until_killed scores FILE FD       the high-score table FILE
//   vesbrik_save_until_killed recording FOLDER FD  the last game in FOLDER
#include "app/GameRecorder.h"
#include "files/AtomicFile.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict" // GCC bug 105329 on "s" + std::to_string(n)
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr int MaxSaves = 1000000;

bool report(int fd, int value)
{
    return write(fd, &value, sizeof value) == sizeof value;
}

int saveScores(const std::string& file, int fd)
{
    CHighScoreTable table(file);
    if (!report(fd, 0))
        return 4;
    int score = table.entry(0).score;
    for (int saves = 0; saves < MaxSaves; ++saves) {
        ++score;
        table.insert(score, 1, 1)->name = "s" + std::to_string(score);
        if (!table.save())
            return 3;
        if (!report(fd, score))
            return 4;
    }
    return 0;
}

// Every game is kept in a file of its own and then dropped, as a game that
// enters the table and is pushed off it again, so a kill also lands in the
// save of a kept game. The start clears what earlier kills left, as the
// game's own start and its table do.
int saveRecordings(const std::filesystem::path& folder, int fd)
{
    removeLeftoverTemporaries(folder, isRecorderFileName);
    CGameRecorder recorder(folder);
    recorder.keepOnly(CHighScoreTable((folder / "no-table.xml").string()));
    std::string error;
    const std::optional<Recording> last = readRecordingFile((folder / CGameRecorder::LastGameFile).string(), &error);
    int frames = last ? static_cast<int>(last->frames.size()) : 0;
    CGameBoard board(1);
    if (!report(fd, 0))
        return 4;
    for (int saves = 0; saves < MaxSaves; ++saves) {
        ++frames;
        recorder.begin(board);
        for (int frame = 0; frame < frames; ++frame)
            recorder.frame(0.01, {}, 0.0f);
        const std::string kept = recorder.end(board, true);
        if (kept.empty())
            return 3;
        std::filesystem::remove(folder / kept);
        if (!report(fd, frames))
            return 4;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const std::string_view what = argv[1];
    const int fd = std::atoi(argv[3]);
    if (what == "scores")
        return saveScores(argv[2], fd);
    if (what == "recording")
        return saveRecordings(argv[2], fd);
    return 2;
}
