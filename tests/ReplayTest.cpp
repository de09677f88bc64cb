// The replay driver itself, and how the game starts and fails to start.
#include "ReplayRunner.h"

#include <gtest/gtest.h>

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
