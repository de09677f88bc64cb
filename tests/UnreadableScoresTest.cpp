// A high-score file the game cannot read is the player's old table all the
// same: it is kept aside before the first save, and every failure is said.
#include "game/HighScoreTable.h"

// GCC 12 at -O2 warns about string concatenations such as "p" + std::to_string(n)
// that cannot overlap (its bug 105329); the warning would fail the -Werror build.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ == 12
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include <csignal>
#include <filesystem>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "files/FileProblems.h"
#include "tests/DataTestFolder.h"
#include "xml/XmlDocument.h"

namespace {

namespace fs = std::filesystem;

// A full table as the game writes it, names "p100" ... "p1000".
std::string savedTable()
{
    CXmlDocument document;
    CHighScoreTable table("");
    for (int score = 100; score <= 1000; score += 100)
        table.insert(score, 1, 60)->name = "p" + std::to_string(score);
    table.write(document);
    return document.text();
}

std::vector<std::string> keptCopies(const CDataTestFolder& folder)
{
    std::vector<std::string> copies;
    for (const auto& entry : fs::directory_iterator(folder.path("")))
        if (entry.path().filename().string().starts_with("hiscore.xml.unreadable-"))
            copies.push_back(entry.path().string());
    return copies;
}

} // namespace

TEST(UnreadableScores, TableCutInHalfIsKeptBeforeTheFirstSave)
{
    CDataTestFolder folder;
    ASSERT_TRUE(folder.valid());
    const std::string whole = savedTable();
    const std::string cut = whole.substr(0, whole.size() / 2);
    const std::string file = folder.write("hiscore.xml", cut);

    testing::internal::CaptureStderr();
    CHighScoreTable table(file);
    const std::string loadMessage = testing::internal::GetCapturedStderr();
    EXPECT_NE(loadMessage.find(file), std::string::npos) << loadMessage;
    EXPECT_TRUE(table.unreadableOnDisk());
    EXPECT_EQ(table.entry(0), HighScoreEntry{});
    EXPECT_TRUE(keptCopies(folder).empty()) << "nothing is moved before a save";

    table.insert(1234, 3, 90)->name = "new";
    testing::internal::CaptureStderr();
    ASSERT_TRUE(table.save());
    const std::string saveMessage = testing::internal::GetCapturedStderr();

    // The new table is on disk ...
    CHighScoreTable reread(file);
    EXPECT_FALSE(reread.unreadableOnDisk());
    EXPECT_EQ(reread.entry(0), (HighScoreEntry{"new", 1234, 3, 90}));
    // ... and so are the old bytes, under a dated name the message gives.
    const std::vector<std::string> copies = keptCopies(folder);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readWholeFile(copies[0]), cut);
    EXPECT_TRUE(std::regex_search(copies[0], std::regex(R"(hiscore\.xml\.unreadable-\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d$)")))
        << copies[0];
    EXPECT_NE(saveMessage.find(copies[0]), std::string::npos) << saveMessage;

    // Later saves write over the game's own file: no second copy.
    table.insert(2000, 4, 100)->name = "newer";
    ASSERT_TRUE(table.save());
    EXPECT_EQ(keptCopies(folder).size(), 1u);
    EXPECT_EQ(CHighScoreTable(file).entry(0).name, "newer");
}

TEST(UnreadableScores, OnlyFilesWithUnreadBytesAreKept)
{
    // A missing, an empty and a readable file hold nothing to lose.
    for (const char* bytes : {static_cast<const char*>(nullptr), "", "<hiscore/>"}) {
        CDataTestFolder folder;
        const std::string file = bytes ? folder.write("hiscore.xml", bytes) : folder.path("hiscore.xml");
        testing::internal::CaptureStderr();
        CHighScoreTable table(file);
        ASSERT_TRUE(table.save());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << (bytes ? bytes : "missing");
        EXPECT_TRUE(keptCopies(folder).empty());
    }
}

TEST(UnreadableScores, NoCopyMeansNoSave)
{
    CDataTestFolder folder;
    const std::string junk = "\x01\x02 not a table \xff" + std::string(2000, '#');
    const std::string file = folder.write("hiscore.xml", junk);
    CHighScoreTable table(file);
    table.insert(5, 1, 1)->name = "x";

    // A file-size limit stops the copy part-way, as a full disk would (root
    // included).
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 512;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const bool saved = table.save();
    const std::string message = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_NE(message.find("not saved"), std::string::npos) << message;
    EXPECT_EQ(readWholeFile(file), junk);
    EXPECT_TRUE(keptCopies(folder).empty()) << "half a copy was left";
    EXPECT_TRUE(table.unreadableOnDisk()) << "the next save tries again";

    ASSERT_TRUE(table.save());
    const std::vector<std::string> copies = keptCopies(folder);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readWholeFile(copies[0]), junk);
}

TEST(UnreadableScores, FailedSaveIsSaidOnceOnStandardError)
{
    CDataTestFolder folder;
    // A folder where the file should be can be neither replaced nor kept.
    const std::string file = folder.path("hiscore.xml");
    fs::create_directory(file);
    CHighScoreTable table(file);
    table.insert(5, 1, 1)->name = "x";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(table.save());
    EXPECT_FALSE(table.save());
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(file + ": the high-score table cannot be saved"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message;
}

TEST(UnreadableScores, CopiesInTheSameSecondGetTheirOwnNames)
{
    CDataTestFolder folder;
    const std::string file = folder.write("hiscore.xml", "first");
    const std::time_t when = 1796646600;
    const std::string first = keepUnreadableCopy(file, when);
    folder.write("hiscore.xml", "second");
    const std::string second = keepUnreadableCopy(file, when);
    EXPECT_EQ(first, unreadableCopyName(file, when));
    EXPECT_EQ(second, first + "-2");
    EXPECT_EQ(readWholeFile(first), "first");
    EXPECT_EQ(readWholeFile(second), "second");
    EXPECT_EQ(keepUnreadableCopy(folder.path("missing.xml"), when), "");
}
