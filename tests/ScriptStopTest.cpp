// The game stops when told to, wherever it is: a run under `timeout`, one the
// developer interrupts or whose terminal goes must not play on to the end,
// and it ends as leaving through the menu does: the game in play, a name
// being typed and a changed option are all kept.
#include "ScriptRunner.h"

#include <chrono>
#include <functional>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <string_view>
#include <vector>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "game/HighScoreTable.h"
#include "game/Recording.h"

namespace {

using namespace std::chrono_literals;

// A script that starts a game and pauses it so that it cannot end by itself.
const char* const PausedGame = "frames 1\npress Return\npress Pause\nframes 2\n";

// Starts the driver on the script lines (with half-second frames), which then
// dumps its state and has hours of frames left. posix_spawn does the folder,
// the environment and the redirection before the new program runs, so
// nothing of this process's own runs in the child, whatever threads it has.
pid_t startLongScript(const CScriptFolder& run, const std::string& lines)
{
    run.write("script.txt", lines + "dump started.txt\nframes 100000000\n");
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string_view entry(*variable);
        if (!entry.starts_with("SDL_VIDEODRIVER=") && !entry.starts_with("ALSOFT_DRIVERS="))
            environment.emplace_back(entry);
    }
    environment.emplace_back("SDL_VIDEODRIVER=offscreen");
    environment.emplace_back("ALSOFT_DRIVERS=null");
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, run.path().c_str());
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char program[] = VESBRIK_SCRIPT;
    char script[] = "script.txt";
    char dt[] = "--dt";
    char halfSecond[] = "0.5";
    char* argv[] = {program, script, dt, halfSecond, nullptr};
    pid_t child = -1;
    // The stop signals start at their defaults, even where the test itself
    // runs with one ignored (a background job of a shell ignores SIGINT).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stopSignals, signal);
    posix_spawnattr_setsigdefault(&attributes, &stopSignals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    if (posix_spawn(&child, program, &actions, &attributes, argv, envp.data()) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::seconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Sends the signal once the script has played; the status the driver ended with.
int stopWith(int signal, const CScriptFolder& run, const std::string& script)
{
    const pid_t child = startLongScript(run, script);
    EXPECT_GT(child, 0);
    if (child <= 0)
        return -1;
    int status = 0;
    bool ended = false;
    const bool started = waitUntil(
        [&] {
            ended = waitpid(child, &status, WNOHANG) == child;
            return ended || std::filesystem::exists(run.path() / "started.txt");
        },
        60s);
    EXPECT_TRUE(started && !ended) << "the replay never reached its dump: " << run.read("stderr.txt");
    if (ended)
        return status;
    kill(child, signal);
    const bool stopped = waitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 20s);
    EXPECT_TRUE(stopped) << "the replay played on after the signal";
    if (!stopped) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }
    return status;
}

} // namespace

TEST(ScriptDriverStop, TermInterruptAndHangupEndTheRunByThatSignalAndKeepTheGamesRecording)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        CScriptFolder run;
        const int status = stopWith(signal, run, PausedGame);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << ": status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        // The game in play when the signal came is kept, marked as cut short.
        std::string error;
        const std::optional<Recording> kept = readRecordingFile((run.path() / "replays/last.vrp").string(), &error);
        ASSERT_TRUE(kept) << "signal " << signal << ": " << error;
        EXPECT_EQ(kept->end, RecordedEnd::CutShort);
        EXPECT_GE(kept->frames.size(), 2u);
    }
}

namespace {

// The down arrow held over half-second frames stacks the well to the top;
// a name is then half typed.
const char* const NameBeingTyped = "frames 1\npress Return\nhold Down 150\nexpect menu.nameEntry 1\ntype Ann\n";

// The best entry of the run's table is named Ann, and its recording is there,
// whole.
void expectAnnWithHerRecording(const CScriptFolder& run)
{
    CHighScoreTable table((run.path() / "media/hiscore.xml").string());
    const HighScoreEntry& best = table.allEntries().front();
    EXPECT_EQ(best.name, "Ann") << run.read("stderr.txt");
    ASSERT_FALSE(best.replay.empty());
    std::string error;
    const std::optional<Recording> kept = readRecordingFile((run.path() / "replays" / best.replay).string(), &error);
    ASSERT_TRUE(kept) << error;
    EXPECT_EQ(kept->end, RecordedEnd::Played);
    EXPECT_EQ(kept->result.score, best.score);
}

} // namespace

// A name half typed when the signal comes, or when the script ends, is
// entered as Enter would enter it, its game's recording kept and named; an
// option changed on a screen still open is on disk.
TEST(ScriptDriverStop, ANameBeingTypedAndAnOptionChangedAreKept)
{
    CScriptFolder signalled;
    int status = stopWith(SIGTERM, signalled, NameBeingTyped);
    ASSERT_TRUE(WIFSIGNALED(status)) << signalled.read("stderr.txt");
    expectAnnWithHerRecording(signalled);

    CScriptFolder ended;
    ASSERT_EQ(ended.run(NameBeingTyped, "--dt 0.5").status, 0) << ended.read("stderr.txt");
    expectAnnWithHerRecording(ended);

    CScriptFolder options;
    // Options, the Sound page, music one step down: heard at once, and the
    // screen is still open when the signal comes.
    status = stopWith(SIGHUP, options, "frames 2\npress Right\npress Right\npress Return\npress Right\npress Right\n"
                                       "press Down\npress Left\nexpect music 9\n");
    ASSERT_TRUE(WIFSIGNALED(status)) << options.read("stderr.txt");
    EXPECT_NE(options.read("settings.xml").find("musicvolume=\"9\""), std::string::npos) << options.read("settings.xml");
}
