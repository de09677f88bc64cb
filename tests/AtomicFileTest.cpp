// Files replaced whole: when something stands in the way the refusal names
// it, and the leftovers of a save killed halfway are cleared under the
// game's own names only.
#include "files/AtomicFile.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

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
                             "replays/notes.txt.tmp", "replays/.vrp.tmp", "replays/last.vrp", "hiscore.xml.tmpx"})
        folder.write(name, "x");
    fs::create_symlink(folder.path("hiscore.xml"), folder.path("replays/linked.vrp.tmp"));
    fs::create_directory(folder.path("settings.xml.tmp"));

    EXPECT_TRUE(removeLeftoverTemporary(folder.path("hiscore.xml")));
    EXPECT_FALSE(removeLeftoverTemporary(folder.path("settings.xml")));
    EXPECT_EQ(removeLeftoverTemporaries(folder.path("replays"), ".vrp"), 2);
    EXPECT_EQ(removeLeftoverTemporaries(folder.path("missing"), ".vrp"), 0);

    for (const char* gone : {"hiscore.xml.tmp", "replays/last.vrp.tmp", "replays/game-2-10.vrp.tmp"})
        EXPECT_FALSE(fs::exists(folder.path(gone))) << gone;
    for (const char* kept : {"settings.xml.tmp", "replays/game-1.vrp.tmp", "replays/notes.txt.tmp", "replays/.vrp.tmp",
                             "replays/last.vrp", "hiscore.xml.tmpx"})
        EXPECT_TRUE(fs::exists(folder.path(kept))) << kept;
    EXPECT_TRUE(fs::is_symlink(folder.path("replays/linked.vrp.tmp")));

    // Behind a link, the leftover lies beside the file the link points to.
    fs::create_directory(folder.path("real"));
    folder.write("real/hiscore.xml", "scores");
    fs::create_symlink(folder.path("real/hiscore.xml"), folder.path("linked.xml"));
    folder.write("real/hiscore.xml.tmp", "half");
    EXPECT_EQ(temporaryFileFor(folder.path("linked.xml")), folder.path("real/hiscore.xml.tmp"));
    EXPECT_TRUE(removeLeftoverTemporary(folder.path("linked.xml")));
    EXPECT_FALSE(fs::exists(folder.path("real/hiscore.xml.tmp")));
}
