// Files replaced whole: when something stands in the way the refusal names
// it, and the leftovers of a save killed halfway are cleared under the
// game's own names only.
#include "files/AtomicFile.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/DataTestFolder.h"

namespace fs = std::filesystem;

namespace {

// Tries to replace name in the folder; why it could not, or "" when it did.
std::string whyNotReplaced(const CDataTestFolder& folder, const std::string& name)
{
    std::string whyNot;
    if (replaceFileAtomically(folder.path(name), "new", &whyNot))
        return "";
    EXPECT_FALSE(whyNot.empty());
    return whyNot;
}

} // namespace

TEST(AtomicFile, WhatStandsInTheWayIsNamedAndTheOldFileStays)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    folder.write("scores.xml", "old");

    fs::create_directory(folder.path("scores.xml.tmp"));
    EXPECT_EQ(whyNotReplaced(folder, "scores.xml"),
              "a folder named " + folder.path("scores.xml.tmp") + " is in the way");
    EXPECT_EQ(readWholeFile(folder.path("scores.xml")), "old");
    EXPECT_TRUE(fs::is_directory(folder.path("scores.xml.tmp"))) << "a folder is not the save's to remove";

    fs::create_directory(folder.path("settings.xml"));
    EXPECT_EQ(whyNotReplaced(folder, "settings.xml"),
              "a folder named " + folder.path("settings.xml") + " is in the way");

    folder.write("replays", "a file where the folder should be");
    EXPECT_EQ(whyNotReplaced(folder, "replays/last.vrp"),
              folder.path("replays") + " is in the way: a file where a folder should be");
    EXPECT_EQ(whyNotReplaced(folder, "replays/deeper/last.vrp"),
              folder.path("replays") + " is in the way: a file where a folder should be");
    EXPECT_EQ(whyNotReplaced(folder, "gone/last.vrp"), "the folder " + folder.path("gone") + " is missing");

    // A write stopped part-way, as by a full disk (the limit binds root too).
    fs::remove(folder.path("scores.xml.tmp"));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 2;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string tooLarge = whyNotReplaced(folder, "scores.xml");
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(tooLarge, folder.path("scores.xml.tmp") + " would be larger than the system allows");

    // Names are shown safely.
    const std::string hostile = "\x1b[2J";
    fs::create_directory(folder.path(hostile + ".tmp"));
    EXPECT_EQ(whyNotReplaced(folder, hostile), "a folder named " + folder.path("\\x1b[2J.tmp") + " is in the way");

    EXPECT_FALSE(fs::exists(folder.path("scores.xml.tmp")));
    EXPECT_EQ(readWholeFile(folder.path("scores.xml")), "old");
    EXPECT_EQ(whyNotReplaced(folder, "scores.xml"), "");
    EXPECT_EQ(readWholeFile(folder.path("scores.xml")), "new");
}

TEST(AtomicFile, LeftoversOfKilledSavesAreClearedAndNothingElse)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    fs::create_directories(folder.path("replays/game-1.vrp.tmp")); // a folder: not ours
    for (const char* name : {"hiscore.xml.tmp", "replays/last.vrp.tmp", "replays/game-2-10.vrp.tmp",
                             "replays/notes.txt.tmp", "replays/.vrp.tmp", "replays/mine.vrp.tmp", "replays/last.vrp",
                             "hiscore.xml.tmpx"})
        folder.write(name, "x");
    fs::create_symlink(folder.path("hiscore.xml"), folder.path("replays/linked.vrp.tmp"));
    fs::create_directory(folder.path("settings.xml.tmp"));

    EXPECT_TRUE(removeLeftoverTemporary(folder.path("hiscore.xml")));
    EXPECT_FALSE(removeLeftoverTemporary(folder.path("settings.xml")));
    const auto recordings = [](const std::string& name) { return name == "last.vrp" || name.starts_with("game-"); };
    EXPECT_EQ(removeLeftoverTemporaries(folder.path("replays"), recordings), 2);
    EXPECT_EQ(removeLeftoverTemporaries(folder.path("missing"), recordings), 0);

    for (const char* gone : {"hiscore.xml.tmp", "replays/last.vrp.tmp", "replays/game-2-10.vrp.tmp"})
        EXPECT_FALSE(fs::exists(folder.path(gone))) << gone;
    for (const char* kept : {"settings.xml.tmp", "replays/game-1.vrp.tmp", "replays/notes.txt.tmp", "replays/.vrp.tmp",
                             "replays/mine.vrp.tmp", "replays/last.vrp", "hiscore.xml.tmpx"})
        EXPECT_TRUE(fs::exists(folder.path(kept))) << kept;
    EXPECT_TRUE(fs::is_symlink(folder.path("replays/linked.vrp.tmp")));
}

// A player may keep the table or the settings in a folder of their own and
// link them into the game's: saves go through the links to the files, the
// links stay links, and the start-up clean-up stays in the game's folders.
TEST(AtomicFile, LinksAreFollowedAndNeverReplaced)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    fs::create_directories(folder.path("player"));
    fs::create_directories(folder.path("game"));
    folder.write("player/scores.xml", "old");
    // A chain of relative links, as a player would make them.
    fs::create_symlink("../player/scores.xml", folder.path("game/scores-link.xml"));
    fs::create_symlink("scores-link.xml", folder.path("game/hiscore.xml"));
    ASSERT_EQ(whyNotReplaced(folder, "game/hiscore.xml"), "");
    EXPECT_EQ(readWholeFile(folder.path("player/scores.xml")), "new");
    EXPECT_TRUE(fs::is_symlink(folder.path("game/hiscore.xml")));
    EXPECT_EQ(temporaryFileFor(folder.path("game/hiscore.xml")), folder.path("game/../player/scores.xml.tmp"));

    // A link to a file not there yet: the file is made where it points, said once.
    fs::create_symlink(folder.path("player/settings.xml"), folder.path("game/settings.xml"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(whyNotReplaced(folder, "game/settings.xml"), "");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, "vesbrik: " + folder.path("game/settings.xml") + ": is a link to " +
                        folder.path("player/settings.xml") + ", which was missing; the file is made there and the link stays\n");
    EXPECT_EQ(readWholeFile(folder.path("player/settings.xml")), "new");
    EXPECT_TRUE(fs::is_symlink(folder.path("game/settings.xml")));

    // Pointing into a folder that is not there, or round in a loop: nothing is written.
    fs::create_symlink(folder.path("player/gone/scores.xml"), folder.path("game/lost.xml"));
    EXPECT_EQ(whyNotReplaced(folder, "game/lost.xml"), folder.path("game/lost.xml") + " is a link to " +
                                                           folder.path("player/gone/scores.xml") + ", and the folder " +
                                                           folder.path("player/gone") + " is missing");
    EXPECT_TRUE(fs::is_symlink(folder.path("game/lost.xml")));
    EXPECT_FALSE(fs::exists(folder.path("player/gone")));
    fs::create_symlink("loop.xml", folder.path("game/loop.xml"));
    EXPECT_EQ(whyNotReplaced(folder, "game/loop.xml"), folder.path("game/loop.xml") + " is a loop of links");
    EXPECT_TRUE(fs::is_symlink(folder.path("game/loop.xml")));

    // The clean-up: a leftover beside the game's name, or beside a linked file
    // in the same folder, goes; one in the player's folder stays.
    folder.write("player/scores.xml.tmp", "the player's");
    folder.write("game/hiscore.xml.tmp", "half");
    EXPECT_TRUE(removeLeftoverTemporary(folder.path("game/hiscore.xml")));
    EXPECT_FALSE(fs::exists(folder.path("game/hiscore.xml.tmp")));
    EXPECT_EQ(readWholeFile(folder.path("player/scores.xml.tmp")), "the player's");
    folder.write("game/real.xml", "kept");
    fs::create_symlink("real.xml", folder.path("game/same.xml"));
    folder.write("game/real.xml.tmp", "half");
    EXPECT_TRUE(removeLeftoverTemporary(folder.path("game/same.xml")));
    EXPECT_FALSE(fs::exists(folder.path("game/real.xml.tmp")));
}

TEST(AtomicFile, AFolderThatCannotBeMadeSaysWhatStopsIt)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    fs::create_directories(folder.path("game"));
    fs::permissions(folder.path("game"), fs::perms::owner_write, fs::perm_options::remove);
    if (access(folder.path("game").c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with root's rights: a write-protected folder does not stop a write here";
    EXPECT_EQ(whyNotReplaced(folder, "game/replays/last.vrp"),
              "the folder " + folder.path("game/replays") + " is missing and cannot be made: the folder " +
                  folder.path("game") + " is write-protected");
}
