// A game killed at any moment of a save leaves a whole file on disk, never
// older than the last save that returned: the high-score table and the
// recording of the last game alike. A child program saves over and over and
// reports each save that returned; the test kills it at random moments and
// reads what is left. The child starts as the game does, clearing what the
// kill before left behind, so leftovers never pile up.
#include "game/HighScoreTable.h"

// GCC 12 at -O2 warns about string concatenations such as "p" + std::to_string(n)
// that cannot overlap (its bug 105329); the warning would fail the -Werror build.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "game/Recording.h"
#include "tests/DataTestFolder.h"
#include "tests/ScriptRunner.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int KillCount = 300;
constexpr auto TimeLimit = std::chrono::seconds(15);
// A few saves into the child, short enough that most kills land inside one.
constexpr int LongestDelayMicroseconds = 5000;

// Starts the saving child (runner/SaveUntilKilled.cpp) on what with the
// pipe's write end; its process id, or -1.
pid_t startSaver(const std::string& what, const std::string& file, int pipeFds[2])
{
    char program[] = VESBRIK_SAVE_UNTIL_KILLED;
    std::string kind = what;
    std::string path = file;
    std::string fd = std::to_string(pipeFds[1]);
    char* argv[] = {program, kind.data(), path.data(), fd.data(), nullptr};
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

// Waits until the child has loaded what is on disk and starts to save, so
// that the random delay after it falls among its saves, not in its start-up.
bool reachedItsSaves(int readFd)
{
    pollfd waiting{readFd, POLLIN, 0};
    int ready = -1;
    return poll(&waiting, 1, 10000) == 1 && read(readFd, &ready, sizeof ready) == sizeof ready && ready == 0;
}

// The last number the child reported before it died (each report is one
// atomic pipe write), or `previous` when it reported none.
int lastReported(int readFd, int previous)
{
    int value = previous;
    int got;
    while (read(readFd, &got, sizeof got) == sizeof got)
        value = got;
    return value;
}

// Kills the child saving `what` on `file` at random moments, and after each
// kill hands the last number it reported to check. The number of kills.
int killWhileSaving(const std::string& what, const std::string& file, const std::function<void(int, int)>& check)
{
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delay(0, LongestDelayMicroseconds);
    const auto start = std::chrono::steady_clock::now();
    int kills = 0;
    int acknowledged = 0;
    while (kills < KillCount && std::chrono::steady_clock::now() - start < TimeLimit && !testing::Test::HasFailure()) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            break;
        const pid_t child = startSaver(what, file, pipeFds);
        EXPECT_GT(child, 0) << "the saving child did not start";
        if (child <= 0)
            break;
        const bool ready = reachedItsSaves(pipeFds[0]);
        if (ready)
            usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(ready) << "the saving child never reached its saves";
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended on its own with status " << WEXITSTATUS(status);
        acknowledged = lastReported(pipeFds[0], acknowledged);
        close(pipeFds[0]);
        ++kills;
        check(kills, acknowledged);
    }
    EXPECT_GE(kills, 50) << "too few kills in the time allowed to mean much";
    EXPECT_GT(acknowledged, 0) << "no save ever returned before a kill";
    std::printf("%s: %d kills, %d saves returned before a kill\n", what.c_str(), kills, acknowledged);
    return kills;
}

int temporariesIn(const std::filesystem::path& folder)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        count += entry.path().extension() == ".tmp";
    return count;
}

} // namespace

TEST(SaveKill, TableOnDiskIsAlwaysWholeAndCurrent)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string file = folder.path("hiscore.xml");
    {
        CHighScoreTable table(file);
        ASSERT_TRUE(table.save());
    }
    const int kills = killWhileSaving("scores", file, [&](int kill, int acknowledged) {
        CXmlDocument document;
        ASSERT_TRUE(document.load(file)) << "after kill " << kill << " the table is not whole";
        CHighScoreTable onDisk(file);
        EXPECT_FALSE(onDisk.unreadableOnDisk());
        ASSERT_EQ(document.root().childCount(), CHighScoreTable::EntryCount) << "after kill " << kill;
        ASSERT_GE(onDisk.entry(0).score, acknowledged) << "after kill " << kill << " a returned save is lost";
        // Until the first save lands the starting table (all defaults) stands.
        if (onDisk.entry(0).score > 0) {
            EXPECT_EQ(onDisk.entry(0).name, "s" + std::to_string(onDisk.entry(0).score));
        }
    });
    RecordProperty("kills", kills);
}

TEST(SaveKill, RecordingOnDiskIsAlwaysWholeAndCurrent)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::filesystem::path replays = folder.path("replays");
    const std::string last = (replays / "last.vrp").string();
    const int kills = killWhileSaving("recording", replays.string(), [&](int kill, int acknowledged) {
        if (acknowledged == 0 && !std::filesystem::exists(last))
            return; // killed before its first save
        std::string error;
        const std::optional<Recording> onDisk = readRecordingFile(last, &error);
        ASSERT_TRUE(onDisk) << "after kill " << kill << ": " << error;
        ASSERT_GE(onDisk->frames.size(), static_cast<size_t>(acknowledged))
            << "after kill " << kill << " a returned save is lost";
        // The kill leaves at most the temporary of the save it cut; the
        // next start clears it.
        EXPECT_LE(temporariesIn(replays), 1) << "after kill " << kill;
    });
    RecordProperty("kills", kills);
}

TEST(SaveKill, TheGamesStartClearsWhatKilledSavesLeftAndNothingElse)
{
    CScriptFolder run;
    std::filesystem::create_directories(run.path() / "replays" / "mine.vrp.tmp");
    for (const char* leftover : {"settings.xml.tmp", "media/hiscore.xml.tmp", "replays/last.vrp.tmp",
                                 "replays/game-1765100000-900.vrp.tmp", "replays/notes.tmp"})
        run.write(leftover, "half a save");
    ASSERT_EQ(run.run("frames 1\n").status, 0);
    for (const char* gone : {"settings.xml.tmp", "media/hiscore.xml.tmp", "replays/last.vrp.tmp",
                             "replays/game-1765100000-900.vrp.tmp"})
        EXPECT_FALSE(std::filesystem::exists(run.path() / gone)) << gone;
    EXPECT_TRUE(std::filesystem::is_directory(run.path() / "replays" / "mine.vrp.tmp"));
    EXPECT_EQ(run.read("replays/notes.tmp"), "half a save");
}
