// Where the game finds its media and keeps the player's files, portable and
// installed, with the XDG variables set, unset and malformed.
#include "files/GameFolders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

#include "DataTestFolder.h"

namespace fs = std::filesystem;

namespace {

FolderFacts installedFacts()
{
    FolderFacts facts;
    facts.workingFolder = "/home/ada/Desktop";
    facts.workingFolderHasMedia = false;
    facts.executableFolder = "/opt/games/bin";
    facts.configuredDataFolder = "/usr/share/vesbrik";
    facts.home = "/home/ada";
    return facts;
}

// A disk where only the listed data folders hold media/.
FolderCheck dataFoldersAt(std::set<std::string> folders)
{
    return [folders](const fs::path& folder) { return folders.count(folder.string()) > 0; };
}

const FolderCheck NoDataAnywhere = [](const fs::path&) { return false; };

} // namespace

TEST(GameFolders, FolderWithMediaRunsPortableWithTheRelativeNamesOfOld)
{
    FolderFacts facts = installedFacts();
    facts.workingFolder = "/home/ada/vesbrik/run";
    facts.workingFolderHasMedia = true;
    facts.xdgConfigHome = "/elsewhere/config";
    facts.xdgDataHome = "/elsewhere/data";
    const GameFolders folders = chooseGameFolders(facts, dataFoldersAt({"/opt/games/share/vesbrik"}));
    EXPECT_TRUE(folders.portable);
    EXPECT_TRUE(folders.mediaFound);
    EXPECT_EQ(folders.workingFolder, "/home/ada/vesbrik/run");
    EXPECT_EQ(folders.settingsFile, "settings.xml");
    EXPECT_EQ(folders.highScoreFile, "media/hiscore.xml");
    EXPECT_EQ(folders.replayFolder, "replays");
}

TEST(GameFolders, InstalledTakesTheDataBesideTheBinaryAndTheXdgFolders)
{
    FolderFacts facts = installedFacts();
    facts.xdgConfigHome = "/cfg";
    facts.xdgDataHome = "/data";
    const GameFolders folders =
        chooseGameFolders(facts, dataFoldersAt({"/opt/games/share/vesbrik", "/usr/share/vesbrik"}));
    EXPECT_FALSE(folders.portable);
    EXPECT_TRUE(folders.mediaFound);
    EXPECT_EQ(folders.workingFolder, "/opt/games/share/vesbrik");
    EXPECT_EQ(folders.settingsFile, "/cfg/vesbrik/settings.xml");
    EXPECT_EQ(folders.highScoreFile, "/data/vesbrik/hiscore.xml");
    EXPECT_EQ(folders.replayFolder, "/data/vesbrik/replays");
}

TEST(GameFolders, UnsetEmptyOrRelativeXdgVariablesMeanTheDefaultsUnderHome)
{
    for (const std::string value : {"", "relative/config", "~/.config"}) {
        FolderFacts facts = installedFacts();
        facts.xdgConfigHome = value;
        facts.xdgDataHome = value;
        const GameFolders folders = chooseGameFolders(facts, NoDataAnywhere);
        EXPECT_EQ(folders.settingsFile, "/home/ada/.config/vesbrik/settings.xml") << "'" << value << "'";
        EXPECT_EQ(folders.highScoreFile, "/home/ada/.local/share/vesbrik/hiscore.xml") << "'" << value << "'";
    }
}

TEST(GameFolders, DataFolderFallsBackToTheConfiguredPrefixThenToNone)
{
    FolderFacts facts = installedFacts();
    GameFolders folders = chooseGameFolders(facts, dataFoldersAt({"/usr/share/vesbrik"}));
    EXPECT_TRUE(folders.mediaFound);
    EXPECT_EQ(folders.workingFolder, "/usr/share/vesbrik");

    folders = chooseGameFolders(facts, NoDataAnywhere);
    EXPECT_FALSE(folders.portable);
    EXPECT_FALSE(folders.mediaFound);
    EXPECT_EQ(folders.workingFolder, "/home/ada/Desktop");
    EXPECT_EQ(folders.searchedDataFolders,
              (std::vector<fs::path>{"/opt/games/share/vesbrik", "/usr/share/vesbrik"}));

    facts.executableFolder.clear(); // /proc not mounted
    folders = chooseGameFolders(facts, dataFoldersAt({"/usr/share/vesbrik"}));
    EXPECT_EQ(folders.workingFolder, "/usr/share/vesbrik");
}

TEST(GameFolders, ScreenshotsGoToThePicturesFolderFromEnvironmentUserDirsOrHome)
{
    FolderFacts facts = installedFacts();
    EXPECT_EQ(chooseGameFolders(facts, NoDataAnywhere).screenshotFolder, "/home/ada/Pictures/Vesbrik");

    facts.userDirs = "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                     "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(chooseGameFolders(facts, NoDataAnywhere).screenshotFolder, "/home/ada/Bilder/Vesbrik");

    facts.xdgPicturesDir = "/media/photos";
    EXPECT_EQ(chooseGameFolders(facts, NoDataAnywhere).screenshotFolder, "/media/photos/Vesbrik");

    // Portable runs keep their screenshots with the player's pictures too.
    facts.workingFolderHasMedia = true;
    EXPECT_EQ(chooseGameFolders(facts, NoDataAnywhere).screenshotFolder, "/media/photos/Vesbrik");

    facts.xdgPicturesDir = "photos"; // relative: ignored
    EXPECT_EQ(chooseGameFolders(facts, NoDataAnywhere).screenshotFolder, "/home/ada/Bilder/Vesbrik");
}

TEST(GameFolders, UserDirsFileIsReadAsThatFileIsWritten)
{
    const std::string home = "/home/ada";
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"$HOME/Pics\"", home), "/home/ada/Pics");
    EXPECT_EQ(picturesFolderFromUserDirs("  XDG_PICTURES_DIR=\"/srv/pics\"  \r\n", home), "/srv/pics");
    // The home folder itself means the folder is switched off.
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"$HOME/\"", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"$HOME\"", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("# XDG_PICTURES_DIR=\"/old\"\n", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"Pics\"", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"$HOMEWORK/x\"", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_VIDEOS_DIR=\"$HOME/Videos\"", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("", home), "");
    EXPECT_EQ(picturesFolderFromUserDirs("XDG_PICTURES_DIR=\"$HOME/a\"\nXDG_PICTURES_DIR=\"$HOME/b\"", home),
              "/home/ada/b");
}

TEST(GameFolders, ScreenshotNamesSortByTimeAndNeverRepeatWithinASecond)
{
    std::tm time{};
    time.tm_year = 2026 - 1900;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    EXPECT_EQ(screenshotFileName(time, 0), "vesbrik-2026-12-07-090503.png");
    EXPECT_EQ(screenshotFileName(time, 1), "vesbrik-2026-12-07-090503-2.png");
    EXPECT_NE(screenshotFileName(time, 1), screenshotFileName(time, 2));
}

TEST(GameFolders, MakeFolderForCreatesFoldersOnceAndReportsABlockedPath)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    const fs::path file = fs::path(temp.path("data")) / "vesbrik" / "hiscore.xml";
    ASSERT_TRUE(makeFolderFor(file));
    EXPECT_TRUE(fs::is_directory(file.parent_path()));
    EXPECT_TRUE(makeFolderFor(file)); // already there

    temp.write("blocker", "a file where a folder should be");
    EXPECT_FALSE(makeFolderFor(fs::path(temp.path("blocker")) / "vesbrik" / "hiscore.xml"));
    EXPECT_TRUE(makeFolderFor("hiscore.xml")); // the working folder always exists
}

// Puts the variables a test changes back as they were.
class SavedEnvironment {
public:
    explicit SavedEnvironment(std::vector<std::string> names) : names(std::move(names))
    {
        for (const std::string& name : this->names) {
            const char* value = std::getenv(name.c_str());
            values.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~SavedEnvironment()
    {
        for (size_t i = 0; i < names.size(); ++i) {
            if (values[i])
                setenv(names[i].c_str(), values[i]->c_str(), 1);
            else
                unsetenv(names[i].c_str());
        }
    }

private:
    std::vector<std::string> names;
    std::vector<std::optional<std::string>> values;
};

TEST(GameFolders, GatheredFactsSeeTheWorkingFolderAndTheEnvironment)
{
    const SavedEnvironment saved({"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_PICTURES_DIR"});
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    const fs::path before = fs::current_path();
    fs::create_directories(fs::path(temp.path("config")));
    temp.write("config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Shots\"\n");
    setenv("HOME", temp.path("").c_str(), 1);
    setenv("XDG_CONFIG_HOME", temp.path("config").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_PICTURES_DIR");

    fs::current_path(temp.path(""));
    FolderFacts facts = gatherFolderFacts();
    EXPECT_FALSE(facts.workingFolderHasMedia);
    EXPECT_EQ(facts.xdgDataHome, "");
    EXPECT_NE(facts.userDirs.find("Shots"), std::string::npos);
    EXPECT_FALSE(facts.executableFolder.empty());

    // A folder named media is not yet the game's (the root folder has one).
    fs::create_directory(temp.path("media"));
    EXPECT_FALSE(gatherFolderFacts().workingFolderHasMedia);
    temp.write("media/sound.xml", "<sounds/>");
    EXPECT_TRUE(gatherFolderFacts().workingFolderHasMedia);
    fs::remove(temp.path("media/sound.xml"));
    temp.write("media/phong.fx", "");
    EXPECT_TRUE(gatherFolderFacts().workingFolderHasMedia);
    fs::current_path(before);
}
