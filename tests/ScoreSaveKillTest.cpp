// A game killed at any moment of a high-score save leaves a whole table on
// disk, never older than the last save that returned. A child program saves
// over and over and reports each save that returned; the test kills it at
// random moments and reads what is left.
#include "game/HighScoreTable.h"

// GCC 12 at -O2 warns about string concatenations such as "p" + std::to_string(n)
// that cannot overlap (its bug 105329); the warning would fail the -Werror build.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/DataTestFolder.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int KillCount = 300;
constexpr auto TimeLimit = std::chrono::seconds(15);
// A few saves into the child, short enough that most kills land inside one.
constexpr int LongestDelayMicroseconds = 5000;

// Starts the saving child (runner/SaveUntilKilled.cpp) on FILE with the pipe's
// write end; its process id, or -1.
pid_t startSaver(const std::string& file, int pipeFds[2])
{
    char program[] = VESBRIK_SAVE_UNTIL_KILLED;
    std::string path = file;
    std::string fd = std::to_string(pipeFds[1]);
    char* argv[] = {program, path.data(), fd.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t child = -1;
    if (posix_spawn(&child, program, &actions, nullptr, argv, environ) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    return child;
}

// Waits until the child has loaded the table and starts to save, so that the
// random delay after it falls among its saves, not in its start-up.
bool reachedItsSaves(int readFd)
{
    pollfd waiting{readFd, POLLIN, 0};
    int ready = -1;
    return poll(&waiting, 1, 10000) == 1 && read(readFd, &ready, sizeof ready) == sizeof ready && ready == 0;
}

// The last score the child reported before it died (each report is one
// atomic pipe write), or `previous` when it reported none.
int lastReported(int readFd, int previous)
{
    int score = previous;
    int value;
    while (read(readFd, &value, sizeof value) == sizeof value)
        score = value;
    return score;
}

} // namespace

TEST(ScoreSaveKill, TableOnDiskIsAlwaysWholeAndCurrent)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string file = folder.path("hiscore.xml");
    {
        CHighScoreTable table(file);
        ASSERT_TRUE(table.save());
    }

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delay(0, LongestDelayMicroseconds);
    const auto start = std::chrono::steady_clock::now();
    int kills = 0;
    int acknowledged = 0;
    while (kills < KillCount && std::chrono::steady_clock::now() - start < TimeLimit) {
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        const pid_t child = startSaver(file, pipeFds);
        ASSERT_GT(child, 0) << "the saving child did not start";
        const bool ready = reachedItsSaves(pipeFds[0]);
        if (!ready)
            kill(child, SIGKILL);
        ASSERT_TRUE(ready) << "the saving child never reached its saves";
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own with status " << WEXITSTATUS(status);
        acknowledged = lastReported(pipeFds[0], acknowledged);
        close(pipeFds[0]);
        ++kills;

        CXmlDocument document;
        ASSERT_TRUE(document.load(file)) << "after kill " << kills << " the table is not whole";
        CHighScoreTable onDisk(file);
        EXPECT_FALSE(onDisk.unreadableOnDisk());
        ASSERT_EQ(document.root().childCount(), CHighScoreTable::EntryCount) << "after kill " << kills;
        ASSERT_GE(onDisk.entry(0).score, acknowledged) << "after kill " << kills << " a returned save is lost";
        // Until the first save lands the starting table (all defaults) stands.
        if (onDisk.entry(0).score > 0) {
            EXPECT_EQ(onDisk.entry(0).name, "s" + std::to_string(onDisk.entry(0).score));
        }
    }
    EXPECT_GE(kills, 50) << "too few kills in the time allowed to mean much";
    EXPECT_GT(acknowledged, 0) << "no save ever returned before a kill";
    RecordProperty("kills", kills);
    RecordProperty("savesAcknowledged", acknowledged);
    std::printf("%d kills, %d saves returned before a kill\n", kills, acknowledged);
}
