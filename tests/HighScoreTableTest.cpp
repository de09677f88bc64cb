#include "game/HighScoreTable.h"

// GCC 12 at -O2 warns about string concatenations such as "p" + std::to_string(n)
// that cannot overlap (its bug 105329); the warning would fail the -Werror build.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/DataTestFolder.h"
#include "xml/XmlDocument.h"

namespace {

// The table 900, 800, ..., 0 with the names "p900" ... "p0".
std::string descendingFile()
{
    std::string text = "<hiscore>";
    for (int i = 0; i < 10; ++i) {
        const int score = 900 - 100 * i;
        text += "<Entry name=\"p" + std::to_string(score) + "\" score=\"" + std::to_string(score) +
                "\" level=\"" + std::to_string(i) + "\" seconds=\"" + std::to_string(60 * i) + "\"/>";
    }
    return text + "</hiscore>";
}

void expectDefaultEntries(const CHighScoreTable& table, int from = 0)
{
    for (int i = from; i < CHighScoreTable::EntryCount; ++i)
        EXPECT_EQ(table.entry(i), HighScoreEntry{}) << "entry " << i;
}

// A score file in a folder of its own, with the tests' access to both.
struct ScoreFolder {
    CDataTestFolder folder;
    std::string file = folder.path("hiscore.xml");
};

} // namespace

// ---- inserting ------------------------------------------------------------

TEST(HighScoreInsert, DefaultTableTakesAnyPositiveScore)
{
    CHighScoreTable table("/tmp/vesbrik-no-such-folder/hiscore.xml");
    expectDefaultEntries(table);
    EXPECT_EQ(table.insert(0, 1, 10), nullptr);
    expectDefaultEntries(table);

    HighScoreEntry* entry = table.insert(1, 2, 33);
    ASSERT_EQ(entry, &table.entry(0));
    EXPECT_EQ(entry->score, 1);
    EXPECT_EQ(entry->level, 2);
    EXPECT_EQ(entry->seconds, 33);
    EXPECT_EQ(entry->name, "");
    expectDefaultEntries(table, 1);
}

TEST(HighScoreInsert, EqualScoreGoesBelowTheOlderOne)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", descendingFile());
    CHighScoreTable table(f.file);
    HighScoreEntry* entry = table.insert(800, 4, 99);
    ASSERT_EQ(entry, &table.entry(2));
    EXPECT_EQ(table.entry(0).name, "p900");
    EXPECT_EQ(table.entry(1).name, "p800");
    // Everything below moved down one place with all four fields.
    for (int i = 3; i < 10; ++i) {
        const int score = 900 - 100 * (i - 1);
        EXPECT_EQ(table.entry(i), (HighScoreEntry{"p" + std::to_string(score), score, i - 1, 60 * (i - 1)})) << i;
    }
    // The old last entry (score 0) is gone.
    for (const HighScoreEntry& e : table.allEntries())
        EXPECT_NE(e.name, "p0");
}

TEST(HighScoreInsert, ScoreNotAboveTheLastChangesNothing)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", descendingFile());
    CHighScoreTable table(f.file);
    const auto before = table.allEntries();
    EXPECT_EQ(table.insert(0, 9, 9), nullptr);
    EXPECT_EQ(table.insert(-50, 9, 9), nullptr);
    EXPECT_EQ(table.allEntries(), before);

    // Just above the last: only the last entry changes.
    HighScoreEntry* entry = table.insert(1, 3, 4);
    ASSERT_EQ(entry, &table.entry(9));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(table.entry(i), before[i]);
    EXPECT_EQ(table.entry(9), (HighScoreEntry{"", 1, 3, 4}));
}

TEST(HighScoreInsert, OutOfOrderFileIsUsedAsItIs)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", "<hiscore><Entry score=\"5\"/><Entry score=\"50\"/></hiscore>");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(1).score, 50);
    // 10 is not below 5 at index 0 ... but is above 5: it goes first.
    EXPECT_EQ(table.insert(10, 0, 0), &table.entry(0));
    EXPECT_EQ(table.entry(1).score, 5);
    EXPECT_EQ(table.entry(2).score, 50);
}

// ---- reading files --------------------------------------------------------

TEST(HighScoreRead, ShortFileFillsOnlyWhatItHas)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", "<hiscore>\n  <Entry name=\"Ann\" score=\"70\" level=\"3\" seconds=\"95\"/>\n"
                                  "  <Entry seconds=\"12\" name=\"Bo\"/>\n</hiscore>\n");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(0), (HighScoreEntry{"Ann", 70, 3, 95}));
    // Attributes in any order; a missing one reads as "" or 0.
    EXPECT_EQ(table.entry(1), (HighScoreEntry{"Bo", 0, 0, 12}));
    expectDefaultEntries(table, 2);
}

TEST(HighScoreRead, MissingNameReadsEmptyNotDash)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", "<hiscore><Entry score=\"7\"/></hiscore>");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(0), (HighScoreEntry{"", 7, 0, 0}));
}

TEST(HighScoreRead, CommentsAndTextTakeNoPlace)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", "<hiscore><!-- best first --><Entry name=\"a\" score=\"3\"/><?note x?>"
                                  "stray text<score name=\"b\" score=\"2\"/><![CDATA[x]]><e name=\"c\"/></hiscore>");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(0).name, "a");
    // Element names are not examined.
    EXPECT_EQ(table.entry(1).name, "b");
    EXPECT_EQ(table.entry(2).name, "c");
    expectDefaultEntries(table, 3);
}

TEST(HighScoreRead, OnlyTheFirstTenOfManyEntriesAreRead)
{
    ScoreFolder f;
    std::string text = "<hiscore>";
    for (int i = 0; i < 10000; ++i)
        text += "<Entry name=\"n" + std::to_string(i) + "\" score=\"" + std::to_string(100000 - i) + "\"/>\n";
    f.folder.write("hiscore.xml", text + "</hiscore>");
    CHighScoreTable table(f.file);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(table.entry(i), (HighScoreEntry{"n" + std::to_string(i), 100000 - i, 0, 0}));
}

TEST(HighScoreRead, BrokenFilesLeaveTheDefaultTable)
{
    const std::string cut = descendingFile().substr(0, descendingFile().size() / 2);
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919) & 0xFF);
    const std::string broken[] = {cut, junk, "", "no markup here", deeplyNested(50000, false)};
    for (const std::string& bytes : broken) {
        ScoreFolder f;
        f.folder.write("hiscore.xml", bytes);
        CHighScoreTable table(f.file);
        expectDefaultEntries(table);
    }
}

TEST(HighScoreRead, OtherRootsAndEncodingsAreRead)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                  "<settings><Entry name=\"Ren\xE9\" score=\"9\"/></settings>");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(0), (HighScoreEntry{"Ren\xC3\xA9", 9, 0, 0}));

    // Deep nesting is read without recursion, and is no entry: the file is
    // kept aside before the first save.
    f.folder.write("hiscore.xml", deeplyNested(50000, true));
    testing::internal::CaptureStderr();
    CHighScoreTable deep(f.file);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not a high-score entry"), std::string::npos);
    EXPECT_TRUE(deep.unreadableOnDisk());
    expectDefaultEntries(deep);
}

// ---- saving -------------------------------------------------------------------

TEST(HighScoreSave, NamesAndNumbersSurviveSaveAndLoad)
{
    ScoreFolder f;
    ASSERT_TRUE(f.folder.valid());
    CHighScoreTable table(f.file);
    const std::string names[] = {
        "Anne Marie",
        "",
        "Jos\xC3\xA9 Stra\xC3\x9F" "e \xC3\x98ystein",
        "<b>&amp; \"quoted\" 'single'",
        "  padded  ",
        "tab\there\nnew line",
        std::string(1000, 'x'),
        "-",
        "\xE2\x98\x85 star",
        "&#38; not an entity",
    };
    for (int i = 0; i < 10; ++i) {
        HighScoreEntry* entry = table.insert(1000 - i, i - 3, 1234567 * i);
        ASSERT_NE(entry, nullptr);
        entry->name = names[i];
    }
    ASSERT_TRUE(table.save());

    CHighScoreTable loaded(f.file);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(loaded.entry(i), table.entry(i)) << i;
    EXPECT_EQ(loaded.entry(0).name, "Anne Marie");
    EXPECT_EQ(loaded.entry(1).name, "");
    EXPECT_EQ(loaded.entry(0).level, -3);
    EXPECT_FALSE(std::filesystem::exists(f.file + ".tmp"));
}

TEST(HighScoreSave, FileHoldsTenEntriesWithTheirFourAttributesInOrder)
{
    ScoreFolder f;
    CHighScoreTable table(f.file);
    table.insert(5, 2, 61)->name = "Al";
    ASSERT_TRUE(table.save());
    const std::string text = readWholeFile(f.file);
    EXPECT_NE(text.find("<hiscore>"), std::string::npos);
    EXPECT_NE(text.find("<Entry name=\"Al\" score=\"5\" level=\"2\" seconds=\"61\""), std::string::npos);
    EXPECT_NE(text.find("<Entry name=\"-\" score=\"0\" level=\"0\" seconds=\"0\""), std::string::npos);
    CXmlDocument document;
    ASSERT_TRUE(document.load(f.file));
    EXPECT_EQ(document.root().name(), "hiscore");
    ASSERT_EQ(document.root().childCount(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(document.root().child(i).name(), "Entry");
}

TEST(HighScoreSave, MissingFolderWritesNothing)
{
    ScoreFolder f;
    // A folder that is missing, and one whose "parent" is a plain file:
    // neither can be created into, not even by root.
    const std::string plain = f.folder.write("plain", "x");
    for (const std::string& path : {f.folder.path("gone/hiscore.xml"), plain + "/hiscore.xml"}) {
        CHighScoreTable table(path);
        table.insert(10, 1, 1)->name = "kept in memory";
        EXPECT_FALSE(table.save());
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_EQ(table.entry(0).name, "kept in memory");
    }
    EXPECT_EQ(readWholeFile(plain), "x");
}

TEST(HighScoreSave, WriteFailingHalfWayLeavesTheOldFileWhole)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", descendingFile());
    const std::string before = readWholeFile(f.file);
    CHighScoreTable table(f.file);
    table.insert(1000, 1, 1)->name = std::string(4000, 'n');

    // A file-size limit makes the write stop part-way, as a full disk would,
    // and it binds root too.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 512;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = table.save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(readWholeFile(f.file), before);
    EXPECT_FALSE(std::filesystem::exists(f.file + ".tmp"));
}

TEST(HighScoreSave, LeftoverTemporaryIsReplaced)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", descendingFile());
    f.folder.write("hiscore.xml.tmp", "<hiscore><Entry name=\"half-writ");
    CHighScoreTable table(f.file);
    EXPECT_EQ(table.entry(0).name, "p900");
    table.insert(950, 1, 1)->name = "new";
    ASSERT_TRUE(table.save());
    EXPECT_FALSE(std::filesystem::exists(f.file + ".tmp"));
    EXPECT_EQ(CHighScoreTable(f.file).entry(0).name, "new");

    // A temporary that cannot be replaced (a folder in its way) stops the save
    // and the old file stays.
    std::filesystem::create_directories(f.file + ".tmp/blocked");
    const std::string before = readWholeFile(f.file);
    table.insert(990, 1, 1)->name = "newer";
    EXPECT_FALSE(table.save());
    EXPECT_EQ(readWholeFile(f.file), before);
}

TEST(HighScoreSave, ReadOnlyFolderOrFileIsLeftAsItWas)
{
    ScoreFolder f;
    f.folder.write("hiscore.xml", descendingFile());
    const std::string before = readWholeFile(f.file);
    const std::string folder = f.file.substr(0, f.file.rfind('/'));

    // Root writes through permissions; find out before relying on them.
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    const std::string probe = folder + "/probe";
    FILE* probeFile = fopen(probe.c_str(), "w");
    if (probeFile) {
        fclose(probeFile);
        unlink(probe.c_str());
        chmod(folder.c_str(), 0755);
        GTEST_SKIP() << "running with root's rights: folder and file permissions do not stop a write here";
    }
    CHighScoreTable table(f.file);
    table.insert(1000, 1, 1)->name = "x";
    EXPECT_FALSE(table.save());
    EXPECT_EQ(readWholeFile(f.file), before);

    // A write-protected file in a writable folder is not replaced either.
    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(f.file.c_str(), 0444), 0);
    EXPECT_FALSE(table.save());
    EXPECT_EQ(readWholeFile(f.file), before);
}

TEST(HighScoreSave, PermissionsAndLinksOfTheOldFileAreKept)
{
    ScoreFolder f;
    const std::string real = f.folder.write("real.xml", descendingFile());
    ASSERT_EQ(chmod(real.c_str(), 0600), 0);
    std::filesystem::create_symlink(real, f.file);
    CHighScoreTable table(f.file);
    table.insert(1000, 1, 1)->name = "linked";
    ASSERT_TRUE(table.save());
    EXPECT_TRUE(std::filesystem::is_symlink(f.file));
    EXPECT_EQ(CHighScoreTable(real).entry(0).name, "linked");
    struct stat info;
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// ---- the run folder -----------------------------------------------------------

TEST(HighScoreRunFolder, PreparingTheRunFolderKeepsThePlayersFiles)
{
    CDataTestFolder tree;
    ASSERT_TRUE(tree.valid());
    namespace fs = std::filesystem;
    fs::create_directories(tree.path("scripts"));
    fs::create_directories(tree.path("build/media"));
    fs::create_directories(tree.path("run/media"));
    fs::copy_file(VESBRIK_SOURCE_DIR "/scripts/prepare-run", tree.path("scripts/prepare-run"));
    tree.write("settings.xml", "<settings width=\"1\"/>");
    tree.write("build/media/hiscore.xml", "<hiscore/>");
    tree.write("build/media/sound.xml", "<sounds/>");
    tree.write("run/media/hiscore.xml", "players' scores");
    tree.write("run/settings.xml", "players' settings");

    ASSERT_EQ(std::system(("bash " + tree.path("scripts/prepare-run") + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(readWholeFile(tree.path("run/media/hiscore.xml")), "players' scores");
    EXPECT_EQ(readWholeFile(tree.path("run/settings.xml")), "players' settings");
    EXPECT_EQ(readWholeFile(tree.path("run/media/sound.xml")), "<sounds/>");

    // A fresh run folder gets both.
    fs::remove_all(tree.path("run"));
    ASSERT_EQ(std::system(("bash " + tree.path("scripts/prepare-run") + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(readWholeFile(tree.path("run/media/hiscore.xml")), "<hiscore/>");
    EXPECT_EQ(readWholeFile(tree.path("run/settings.xml")), "<settings width=\"1\"/>");

    // Nothing built yet is no reason to fail.
    fs::remove_all(tree.path("build/media"));
    EXPECT_EQ(std::system(("bash " + tree.path("scripts/prepare-run") + " >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(readWholeFile(tree.path("run/media/hiscore.xml")), "<hiscore/>");
}
