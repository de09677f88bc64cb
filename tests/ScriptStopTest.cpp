// The replay driver stops when told to, wherever its script is: a run under
// `timeout`, or one the developer interrupts, must not play on to the end.
#include "ScriptRunner.h"

#include <chrono>
#include <functional>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Starts the driver on a script that dumps its state once it plays and then
// has hours of frames left.
pid_t startLongReplay(const CScriptFolder& run)
{
    run.write("script.txt", "frames 2\ndump started.txt\nframes 100000000\n");
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(run.path().c_str()) != 0)
            _exit(127);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        if (!freopen("stderr.txt", "w", stderr))
            _exit(127);
        execl(VESBRIK_SCRIPT, VESBRIK_SCRIPT, "script.txt", static_cast<char*>(nullptr));
        _exit(127);
    }
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
int stopWith(int signal)
{
    CScriptFolder run;
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

TEST(ScriptDriverStop, TermAndInterruptEndTheRunByThatSignal)
{
    for (int signal : {SIGTERM, SIGINT}) {
        const int status = stopWith(signal);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << ": status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
    }
}
