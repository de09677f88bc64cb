// The game flow end to end: the real game driven by replay scripts, its state
// read back from dumps and the saved high-score file.
#include "ReplayRunner.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

using Dump = std::map<std::string, std::string>;

Dump readDump(const CReplayFolder& run, const std::string& file)
{
    Dump values;
    std::istringstream in(run.read(file));
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        if (space != std::string::npos)
            values[line.substr(0, space)] = line.substr(space + 1);
    }
    return values;
}

} // namespace

TEST(GameFlow, MenuSelectionWrapsAround)
{
    CReplayFolder run;
    ReplayResult result = run.run("frames 2\ndump start\n"
                                  "press Up\ndump up\n"
                                  "press Down\ndump down\n"
                                  "press Right\npress Right\npress Right\ndump wrapped\n"
                                  "press Left\ndump left\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(readDump(run, "start")["menu.selected"], "0");
    EXPECT_EQ(readDump(run, "up")["menu.selected"], "2");
    EXPECT_EQ(readDump(run, "down")["menu.selected"], "0");
    EXPECT_EQ(readDump(run, "wrapped")["menu.selected"], "0");
    EXPECT_EQ(readDump(run, "left")["menu.selected"], "2");
    EXPECT_EQ(readDump(run, "start")["state"], "0");
    EXPECT_EQ(readDump(run, "start")["menu.visible"], "1");
}

TEST(GameFlow, StartPauseResumeAndLeave)
{
    CReplayFolder run;
    ReplayResult result = run.run("frames 2\npress Return\nframes 5\ndump playing\n"
                                  "press Pause\nframes 30\ndump paused\nframes 30\ndump stillPaused\n"
                                  "press Pause\nframes 5\ndump resumed\n"
                                  "press Escape\nframes 2\ndump left\n"
                                  "press Return\nframes 2\ndump again\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    Dump playing = readDump(run, "playing");
    EXPECT_EQ(playing["state"], "1");
    EXPECT_EQ(playing["running"], "1");
    EXPECT_EQ(playing["menu.visible"], "0");
    EXPECT_EQ(playing["score"], "10"); // the first piece scores as it enters

    Dump paused = readDump(run, "paused");
    EXPECT_EQ(paused["running"], "0");
    // Nothing moves while paused, and pausing never turns the piece.
    EXPECT_EQ(paused["piece"], readDump(run, "stillPaused")["piece"]);
    EXPECT_EQ(paused["piece"].back(), playing["piece"].back());
    EXPECT_EQ(readDump(run, "resumed")["running"], "1");

    Dump left = readDump(run, "left");
    EXPECT_EQ(left["state"], "0");
    EXPECT_EQ(left["menu.visible"], "1");
    EXPECT_EQ(left["menu.showScores"], "0");
    EXPECT_EQ(left["running"], "1"); // the abandoned game stays as it was

    Dump again = readDump(run, "again");
    EXPECT_EQ(again["state"], "1");
    EXPECT_EQ(again["score"], "10"); // a fresh game, not the abandoned one
}

TEST(GameFlow, GlobalKeysWorkInEveryState)
{
    CReplayFolder run;
    ReplayResult result = run.run("frames 1\npress b\npress m\npress F2\npress F6\ndump menu\n"
                                  "press Return\npress F3\npress F3\npress F3\npress l\npress f\ndump play\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    Dump menu = readDump(run, "menu");
    EXPECT_EQ(menu["bloom"], "0");
    EXPECT_EQ(menu["mirror"], "0");
    EXPECT_EQ(menu["frameRate"], "1");
    EXPECT_EQ(menu["frameLimit"], "30");
    EXPECT_EQ(menu["state"], "0"); // B, M, F2 and F6 do not start a game

    Dump play = readDump(run, "play");
    EXPECT_EQ(play["sway"], "0"); // 1, 0.5, 0, then it stays at 0
    EXPECT_EQ(play["shadow"], "0");
    EXPECT_EQ(play["filter"], "0");
}

TEST(GameFlow, FinishedGameTakesTheTypedNameIntoTheTable)
{
    CReplayFolder run;
    // Half-second frames and the down arrow held: the stack reaches the top
    // within a minute of game time.
    ReplayResult result = run.run("frames 1\npress Return\nhold Down 150\ndump over\n"
                                  "type Zoß\npress Backspace\ntype å€!\nframes 1\ndump typing\n"
                                  "press Up\ndump ignored\n"
                                  "press Return\nframes 1\ndump saved\n",
                                  "--dt 0.5");
    ASSERT_EQ(result.status, 0) << result.errors;
    Dump over = readDump(run, "over");
    ASSERT_EQ(over["state"], "0") << "the game did not end";
    EXPECT_EQ(over["menu.showScores"], "1");
    EXPECT_EQ(over["menu.nameEntry"], "1");
    EXPECT_EQ(over["menu.name"], "");

    // Backspace takes the whole two-byte ß; characters past 229 (the euro
    // sign) are not taken.
    EXPECT_EQ(readDump(run, "typing")["menu.name"], "Zoå!");
    // Menu keys do nothing while a name is typed.
    EXPECT_EQ(readDump(run, "ignored")["menu.selected"], "0");
    EXPECT_EQ(readDump(run, "saved")["menu.nameEntry"], "0");

    const std::string table = run.read("media/hiscore.xml");
    EXPECT_NE(table.find("name=\"Zoå!\""), std::string::npos) << table;
    EXPECT_NE(table.find("score=\"" + over["score"] + "\""), std::string::npos) << table;
}
