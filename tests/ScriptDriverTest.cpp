// The script driver itself, and how the game starts and fails to start.
#include "ScriptRunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

TEST(ScriptDriver, UnknownLineIsAnErrorNamingTheLine)
{
    CScriptFolder run;
    ScriptResult result = run.run("frames 2\npress Left\njump 3\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("line 3"), std::string::npos) << result.errors;

    result = run.run("press NoSuchKey\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.errors.find("line 1"), std::string::npos) << result.errors;
}

TEST(ScriptDriver, RunsFramesAndSavesAShot)
{
    CScriptFolder run;
    ScriptResult result = run.run("# menu\nframes 3\nshot first.png\nmouse 10 20 LR\ntype Zoë\nframes 1\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(run.read("first.png").substr(1, 3), "PNG");
}

TEST(ScriptDriver, NoDisplayEndsWithOneClearLineAndStatusOne)
{
    CScriptFolder run;
    // A video driver that cannot exist here: the window cannot be made.
    ScriptResult result = run.run("frames 1\n", "", "SDL_VIDEODRIVER=x11 DISPLAY=:4242");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("vesbrik:"), std::string::npos) << result.errors;
}

TEST(ScriptDriver, GameWithoutAnyDisplayRefusesToRunInvisibly)
{
    // With no display at all SDL would fall back to its off-screen driver
    // and the game would run where nobody can see it.
    CScriptFolder run;
    const std::string command = "cd '" + run.path().string() +
                                "' && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ALSOFT_DRIVERS=null "
                                "timeout 60 '" VESBRIK_GAME "' 2> errors.txt";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string errors = run.read("errors.txt");
    EXPECT_NE(errors.find("vesbrik: cannot start: no display available"), std::string::npos) << errors;
}

namespace {

std::string readSource(const std::string& relative)
{
    std::ifstream in(std::string(VESBRIK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ScriptDriver, DrawingEveryFrameChangesNothingButTheTime)
{
    // A game with a row bursting into debris, the light moving and the
    // camera dragged: whether or not every frame is drawn, the game must
    // come out the same. A small window keeps the drawn run quick.
    const std::string script = "frames 1\npress Return\nframes 1\ncells 19 XXXXXXXXX.\npiece 6 9 5 0\n"
                               "hold Down 45\nmouse 400 300\nmouse 430 310 L\npress Space\nframes 5\ndump state\n";
    CScriptFolder stepped;
    CScriptFolder drawn;
    for (const CScriptFolder* run : {&stepped, &drawn})
        run->write("settings.xml", "<settings width=\"320\" height=\"240\"/>");
    ASSERT_EQ(stepped.run(script).status, 0);
    ASSERT_EQ(drawn.run(script, "--draw-every-frame").status, 0);
    const std::string state = stepped.read("state");
    EXPECT_NE(state.find("debris 10"), std::string::npos) << state;
    EXPECT_EQ(state, drawn.read("state"));
}

TEST(ScriptDriver, ExpectLinesReportEveryMismatchAndFailTheRun)
{
    CScriptFolder run;
    ScriptResult result = run.run("frames 1\nexpect state 0\nexpect state 1\nexpect level 7\nexpect menu.name\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors.find("line 2"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find("line 3: expected state '1', found '0'"), std::string::npos) << result.errors;
    EXPECT_NE(result.errors.find("line 4"), std::string::npos) << result.errors;
    EXPECT_EQ(result.errors.find("line 5"), std::string::npos) << result.errors;
}

TEST(ScriptDriver, FinishedGameSavesTheTypedNameInTheTableFile)
{
    CScriptFolder run;
    const std::string script = readSource("tests/scenarios/name_entry.txt") + "dump final\n";
    ScriptResult result = run.run(script, "--dt 0.5");
    ASSERT_EQ(result.status, 0) << result.errors;
    const std::string table = run.read("media/hiscore.xml");
    EXPECT_NE(table.find("name=\"Zoå!\""), std::string::npos) << table;
    const std::string state = run.read("final");
    const size_t at = state.find("score ");
    ASSERT_NE(at, std::string::npos);
    const std::string score = state.substr(at + 6, state.find('\n', at) - at - 6);
    EXPECT_NE(table.find("score=\"" + score + "\""), std::string::npos) << table;
}
