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

TEST(UnreadableScores, WellFormedFilesTheTableDoesNotRecogniseAreKeptAsWell)
{
    // Each parses, but reading it as ten empty entries and saving over it
    // would lose every score it holds.
    struct Case {
        const char* what;
        std::string bytes;
        int readEntries;
    };
    std::string capitalised = "<hiscore>";
    std::string wrapped = "<hiscore><scores>";
    for (int i = 0; i < 10; ++i) {
        capitalised += "<Entry Name=\"n" + std::to_string(i) + "\" Score=\"" + std::to_string(900 - i) + "\"/>";
        wrapped += "<Entry name=\"n" + std::to_string(i) + "\" score=\"" + std::to_string(900 - i) + "\"/>";
    }
    const Case cases[] = {
        {"attributes spelt otherwise", capitalised + "</hiscore>", 0},
        {"entries wrapped in one more element", wrapped + "</scores></hiscore>", 0},
        {"a lone entry as the whole file", "<Entry name=\"Solo\" score=\"77\"/>", 0},
        {"another program's file", "<settings width=\"1024\" height=\"768\"/>", 0},
        {"some entries among others", "<hiscore><Entry name=\"a\" score=\"9\"/><Entry Name=\"b\"/>"
                                      "<Entry name=\"c\" score=\"5\"/></hiscore>", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDataTestFolder folder;
        const std::string file = folder.write("hiscore.xml", c.bytes);

        testing::internal::CaptureStderr();
        CHighScoreTable table(file);
        const std::string loadMessage = testing::internal::GetCapturedStderr();
        EXPECT_NE(loadMessage.find("vesbrik: " + file + ": "), std::string::npos) << loadMessage;
        EXPECT_NE(loadMessage.find("kept aside"), std::string::npos) << loadMessage;
        EXPECT_EQ(loadMessage.find('\n'), loadMessage.size() - 1) << "one line: " << loadMessage;
        EXPECT_TRUE(table.unreadableOnDisk());
        // What was recognised is read, in order; the rest stays as it was.
        for (int i = 0; i < CHighScoreTable::EntryCount; ++i)
            EXPECT_EQ(table.entry(i).name == "-", i >= c.readEntries) << i;

        table.insert(100000, 1, 1)->name = "new";
        ASSERT_TRUE(table.save());
        const std::vector<std::string> copies = keptCopies(folder);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(readWholeFile(copies[0]), c.bytes);
        EXPECT_EQ(CHighScoreTable(file).entry(0).name, "new");
    }
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
    // The line names what is in the way.
    EXPECT_NE(message.find(file + ": the high-score table cannot be saved: a folder named " + file + " is in the way"),
              std::string::npos)
        << message;
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
