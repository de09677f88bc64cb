// The recordings in the replays folder are the player's: the game removes
// only the ones it kept for the table itself, and only once no table, the
// one in use or a copy kept aside, names them.
#include "game/KeptRecordings.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "ScriptRunner.h"
#include "game/HighScoreTable.h"
#include "tests/DataTestFolder.h"

namespace fs = std::filesystem;

TEST(KeptRecordings, TheGamesOwnNamesAreToldFromEveryOther)
{
    EXPECT_EQ(keptRecordingName(1700000000, 1110, 1), "game-1700000000-1110.vrp");
    EXPECT_EQ(keptRecordingName(1700000000, 1110, 2), "game-1700000000-1110-2.vrp");
    for (const char* own : {"game-1700000000-1110.vrp", "game-1700000000-1110-2.vrp", "game-1.vrp"})
        EXPECT_TRUE(isKeptRecordingName(own)) << own;
    for (const char* other : {"last.vrp", "mybest.vrp", "game-.vrp", "game-1-.vrp", "game--1.vrp", "game-1a.vrp",
                              "game-1.vrp.tmp", "mygame-1.vrp", "Game-1.vrp", "game-1.VRP"})
        EXPECT_FALSE(isKeptRecordingName(other)) << other;
}

TEST(KeptRecordings, OnlyTheGamesOwnRecordingsThatNoTableNamesAreRemoved)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    fs::create_directories(folder.path("replays/game-6-60.vrp")); // a folder: not a recording
    for (const char* name : {"game-1-10.vrp", "game-2-20.vrp", "game-3-30.vrp", "game-4-40-2.vrp", "last.vrp",
                             "mybest.vrp", "game-x.vrp", "notes.txt"})
        folder.write(std::string("replays/") + name, "recording");
    fs::create_symlink("mybest.vrp", folder.path("replays/game-5-50.vrp"));

    CHighScoreTable table(folder.path("hiscore.xml"));
    table.insert(10, 1, 1)->replay = "game-1-10.vrp";
    ASSERT_TRUE(table.save());
    // A table kept aside and cut in half names its recording in its last line.
    folder.write("hiscore.xml.unreadable-2026-01-01T00-00-00",
                 "<hiscore><Entry name=\"a\" score=\"9\"/><Entry name=\"b\" score=\"5\" replay=\"game-2-20.vrp\"/><En");

    EXPECT_EQ(removeUnnamedRecordings(folder.path("replays"), table), 2);
    for (const char* gone : {"game-3-30.vrp", "game-4-40-2.vrp"})
        EXPECT_FALSE(fs::exists(folder.path(std::string("replays/") + gone))) << gone;
    for (const char* kept : {"game-1-10.vrp", "game-2-20.vrp", "last.vrp", "mybest.vrp", "game-x.vrp", "notes.txt",
                             "game-6-60.vrp"})
        EXPECT_TRUE(fs::exists(folder.path(std::string("replays/") + kept))) << kept;
    EXPECT_TRUE(fs::is_symlink(folder.path("replays/game-5-50.vrp")));

    // A kept copy too large to read through might name anything: nothing goes.
    folder.write("replays/game-7-70.vrp", "recording");
    folder.write("hiscore.xml.unreadable-2026-01-02T00-00-00", "");
    fs::resize_file(folder.path("hiscore.xml.unreadable-2026-01-02T00-00-00"), 5 << 20); // sparse: no disk used
    EXPECT_EQ(removeUnnamedRecordings(folder.path("replays"), table), 0);
    EXPECT_TRUE(fs::exists(folder.path("replays/game-7-70.vrp")));
}

// The real game, a name entered over a table it cannot read as its own: the
// old table is kept aside with its recordings, the player's own recording
// stays, and only a recording of the game's that nothing names goes.
TEST(KeptRecordings, ARealSaveKeepsThePlayersRecordingsAndThoseOfATableKeptAside)
{
    CScriptFolder run;
    run.write("settings.xml", "<settings width=\"320\" height=\"240\"/>");
    std::string unfamiliar = "<hiscore>";
    for (int i = 1; i <= 3; ++i)
        unfamiliar += "<Entry Name=\"old\" Score=\"" + std::to_string(900 - i) + "\" replay=\"game-" +
                      std::to_string(i) + ".vrp\"/>";
    run.write("media/hiscore.xml", unfamiliar + "</hiscore>");
    fs::create_directory(run.path() / "replays");
    for (const char* name : {"game-1.vrp", "game-2.vrp", "game-3.vrp", "mybest.vrp", "game-100-5.vrp"})
        run.write(std::string("replays/") + name, "recording");

    const ScriptResult result =
        run.run("frames 1\npress Return\nhold Down 150\ntype Ada\npress Return\nframes 4\n", "--dt 0.5");
    ASSERT_EQ(result.status, 0) << result.errors;

    const CHighScoreTable table((run.path() / "media" / "hiscore.xml").string());
    ASSERT_EQ(table.entry(0).name, "Ada") << result.errors;
    ASSERT_TRUE(isKeptRecordingName(table.entry(0).replay)) << table.entry(0).replay;
    for (const std::string& kept : {std::string("game-1.vrp"), std::string("game-2.vrp"), std::string("game-3.vrp"),
                                    std::string("mybest.vrp"), std::string("last.vrp"), table.entry(0).replay})
        EXPECT_TRUE(fs::exists(run.path() / "replays" / kept)) << kept;
    EXPECT_FALSE(fs::exists(run.path() / "replays" / "game-100-5.vrp"));
}
