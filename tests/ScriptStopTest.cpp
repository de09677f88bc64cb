// The replay driver stops when told to, wherever its script is: a run under
// `timeout`, or one the developer interrupts, must not play on to the end.
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

#include "game/Recording.h"

namespace {

using namespace std::chrono_literals;

// Starts the driver on a script that starts a game, pauses it so that it
// cannot end by itself, dumps its state and then has hours of frames left. posix_spawn does the folder, the environment and
// the redirection before the new program runs, so nothing of this process's
// own runs in the child, whatever threads it has.
pid_t startLongReplay(const CScriptFolder& run)
{
    run.write("script.txt", "frames 1\npress Return\npress Pause\nframes 2\ndump started.txt\nframes 100000000\n");
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
    char* argv[] = {program, script, nullptr};
    pid_t child = -1;
    if (posix_spawn(&child, program, &actions, nullptr, argv, envp.data()) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
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

// Sends the signal once the script plays; the status the driver ended with.
int stopWith(int signal, const CScriptFolder& run)
{
    const pid_t child = startLongReplay(run);
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

TEST(ScriptDriverStop, TermAndInterruptEndTheRunByThatSignalAndKeepTheGamesRecording)
{
    for (int signal : {SIGTERM, SIGINT}) {
        CScriptFolder run;
        const int status = stopWith(signal, run);
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
