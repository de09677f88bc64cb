// The replay driver itself, and how the game starts and fails to start.
#include "ReplayRunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

TEST(Replay, UnknownLineIsAnErrorNamingTheLine)
{
    CReplayFolder run;
    ReplayResult result = run.run("frames 2\npress Left\njump 3\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("line 3"), std::string::npos) << result.errors;

    result = run.run("press NoSuchKey\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("line 1"), std::string::npos) << result.errors;
}

TEST(Replay, RunsFramesAndSavesAShot)
{
    CReplayFolder run;
    ReplayResult result = run.run("# menu\nframes 3\nshot first.png\nmouse 10 20 LR\ntype Zoë\nframes 1\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(run.read("first.png").substr(1, 3), "PNG");
}

TEST(Replay, NoDisplayEndsWithOneClearLineAndStatusOne)
{
    CReplayFolder run;
    // A video driver that cannot exist here: the window cannot be made.
    ReplayResult result = run.run("frames 1\n", "", "SDL_VIDEODRIVER=x11 DISPLAY=:4242");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("vesbrik:"), std::string::npos) << result.errors;
}

TEST(Replay, GameWithoutAnyDisplayRefusesToRunInvisibly)
{
    // With no display at all SDL would fall back to its off-screen driver
    // and the game would run where nobody can see it.
    CReplayFolder run;
    const std::string command = "cd '" + run.path().string() +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ALSOFT_DRIVERS=null "
                                "timeout 60 '" VESBRIK_GAME "' 2> errors.txt";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string errors = run.read("errors.txt");
    EXPECT_NE(errors.find("vesbrik: cannot start: no display available"), std::string::npos) << errors;
}
