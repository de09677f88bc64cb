// The saving game that ScoreSaveKillTest kills: loads the table FILE, says so
// on the pipe FD, then saves ever higher scores, each one reported on the pipe
// once save() has returned. Scores grow by one per save, so the top score on
// disk tells which save wrote it. A program of its own rather than a fork of
// the test, so that no lock of the test's threads is ever copied into it.
//   vesbrik_save_until_killed FILE FD
#include "game/HighScoreTable.h"

#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict" // GCC bug 105329 on "s" + std::to_string(n)
#endif

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool report(int fd, int value)
{
    return write(fd, &value, sizeof value) == sizeof value;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int fd = std::atoi(argv[2]);
    CHighScoreTable table(argv[1]);
    if (!report(fd, 0))
        return 4;
    int score = table.entry(0).score;
    for (int saves = 0; saves < 1000000; ++saves) {
        ++score;
        table.insert(score, 1, 1)->name = "s" + std::to_string(score);
        if (!table.save())
            return 3;
        if (!report(fd, score))
            return 4;
    }
    return 0;
}
