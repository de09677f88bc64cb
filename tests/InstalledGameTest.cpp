// The game where a player's desktop puts it: installed into a prefix and
// started from any folder, it reads its media from the data folder, its
// settings from the player's config folder and keeps the high scores in the
// player's data folder; screenshots land in the pictures folder; the focus
// setting is honoured. Each test runs the real game through the script
// driver.
#include "ScriptRunner.h"

#include <gtest/gtest.h>

#include <stb_image.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "DataTestFolder.h"

namespace fs = std::filesystem;

namespace {

int runShell(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A finished game at half-second frames with the down arrow held, then a
// name typed and saved.
std::string gameOverWithName(const std::string& name)
{
    return "frames 1\npress Return\nhold Down 150\nexpect menu.nameEntry 1\ntype " + name +
           "\npress Return\nframes 1\nexpect menu.nameEntry 0\n";
}

// An install of the built game into a fresh prefix, with the script driver
// beside the game's binary so that it finds the data the same way.
class InstalledGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.valid());
        prefix = temp.path("prefix");
        const std::string install = std::string("'") + VESBRIK_CMAKE + "' --install '" + VESBRIK_BUILD_DIR +
                                    "' --prefix '" + prefix.string() + "' > /dev/null";
        ASSERT_EQ(runShell(install), 0);
        games = prefix / VESBRIK_GAMES_DIR;
        fs::copy_file(VESBRIK_SCRIPT, games / "vesbrik-script");
        fs::create_directories(temp.path("start"));
        fs::create_directories(temp.path("home"));
    }

    // Runs a script from the empty start folder with HOME in the test folder
    // and the given extra environment.
    int play(const std::string& script, const std::string& environment = "", const std::string& arguments = "")
    {
        temp.write("script.txt", script);
        const std::string command = "cd '" + temp.path("start") + "' && env -u XDG_CONFIG_HOME -u XDG_DATA_HOME " +
                                    "HOME='" + temp.path("home") + "' " + environment + " '" +
                                    (games / "vesbrik-script").string() + "' '" + temp.path("script.txt") +
                                    "' " + arguments + " 2> '" + temp.path("errors.txt") + "' > /dev/null";
        return runShell(command);
    }
    std::string errors() const { return readWholeFile(temp.path("errors.txt")); }

    CDataTestFolder temp;
    fs::path prefix;
    fs::path games; // where the game's binary is installed
};

} // namespace

TEST_F(InstalledGame, ReadsSettingsFromTheConfigFolderAndKeepsScoresInTheDataFolder)
{
    // Bloom off in the player's own settings: the game must have read them.
    fs::create_directories(temp.path("config/vesbrik"));
    temp.write("config/vesbrik/settings.xml", "<settings enablebloom=\"0\"/>");
    const std::string environment = "XDG_CONFIG_HOME='" + temp.path("config") + "'";

    ASSERT_EQ(play("frames 2\nexpect enablebloom 0\nexpect enablemirror 1\n", environment), 0) << errors();
    // Nothing was saved yet, so no folder was made.
    EXPECT_FALSE(fs::exists(temp.path("home/.local/share/vesbrik")));

    ASSERT_EQ(play(gameOverWithName("Ada"), environment, "--dt 0.5"), 0) << errors();
    const fs::path table = temp.path("home/.local/share/vesbrik/hiscore.xml");
    ASSERT_TRUE(fs::exists(table)) << errors();
    EXPECT_NE(readText(table).find("name=\"Ada\""), std::string::npos);
    // The finished games are kept with the table, not in the data folder.
    EXPECT_TRUE(fs::is_directory(temp.path("home/.local/share/vesbrik/replays")));
    EXPECT_FALSE(fs::exists(prefix / "share/vesbrik/replays"));

    // The next game adds to the kept table; nothing lands where it started.
    ASSERT_EQ(play(gameOverWithName("Bo"), environment, "--dt 0.5"), 0) << errors();
    const std::string kept = readText(table);
    EXPECT_NE(kept.find("name=\"Ada\""), std::string::npos) << kept;
    EXPECT_NE(kept.find("name=\"Bo\""), std::string::npos) << kept;
    EXPECT_TRUE(fs::is_empty(temp.path("start")));
}

TEST_F(InstalledGame, ARecordingNamedFromTheStartFolderIsFoundAndChecks)
{
    ASSERT_EQ(play(gameOverWithName("Fay"), "", "--dt 0.5"), 0) << errors();
    const fs::path last = fs::path(temp.path("home/.local/share/vesbrik/replays")) / "last.vrp";
    ASSERT_TRUE(fs::exists(last));
    fs::copy_file(last, temp.path("start/kept.vrp"));

    // The installed game moves to its data folder; the relative name still
    // means the file beside the player.
    const std::string command = "cd '" + temp.path("start") + "' && HOME='" + temp.path("home") + "' '" +
                                (games / "vesbrik").string() + "' --replay kept.vrp --verify > '" +
                                temp.path("out.txt") + "' 2>&1";
    EXPECT_EQ(runShell(command), 0) << readWholeFile(temp.path("out.txt"));
    EXPECT_NE(readWholeFile(temp.path("out.txt")).find("matches the recording"), std::string::npos)
        << readWholeFile(temp.path("out.txt"));
}

TEST_F(InstalledGame, XdgDataHomeWinsOverTheDefault)
{
    const std::string environment = "XDG_DATA_HOME='" + temp.path("data") + "'";
    ASSERT_EQ(play(gameOverWithName("Cy"), environment, "--dt 0.5"), 0) << errors();
    EXPECT_TRUE(fs::exists(temp.path("data/vesbrik/hiscore.xml")));
    EXPECT_FALSE(fs::exists(temp.path("home/.local/share/vesbrik")));
}

TEST_F(InstalledGame, AFolderWithMediaStillPlaysPortable)
{
    fs::create_directories(temp.path("start/media"));
    fs::copy(VESBRIK_MEDIA_DIR, temp.path("start/media"), fs::copy_options::recursive);
    temp.write("start/settings.xml", "<settings enablemirror=\"0\"/>");
    ASSERT_EQ(play("frames 2\nexpect enablemirror 0\n" + gameOverWithName("Di"), "", "--dt 0.5"), 0) << errors();
    EXPECT_NE(readText(temp.path("start/media/hiscore.xml")).find("name=\"Di\""), std::string::npos);
    EXPECT_FALSE(fs::exists(temp.path("home/.local/share/vesbrik")));
}

TEST_F(InstalledGame, AFolderThatMerelyHasAMediaFolderIsNoGameFolder)
{
    // Started from / or a home folder with a media/ of its own (photos, say),
    // the game still plays from its installed data.
    fs::create_directories(temp.path("start/media/holiday"));
    ASSERT_EQ(play(gameOverWithName("Eve"), "", "--dt 0.5"), 0) << errors();
    EXPECT_TRUE(fs::exists(temp.path("home/.local/share/vesbrik/hiscore.xml")));
    EXPECT_FALSE(fs::exists(temp.path("start/media/hiscore.xml")));
}

TEST(GameWithoutMedia, EndsWithOneLineNamingWhereItLooked)
{
    CDataTestFolder temp;
    ASSERT_TRUE(temp.valid());
    temp.write("script.txt", "frames 1\n");
    const std::string command = "cd '" + temp.path("") + "' && HOME='" + temp.path("") + "' '" + VESBRIK_SCRIPT +
                                "' script.txt 2> errors.txt";
    EXPECT_EQ(runShell(command), 1);
    const std::string errors = readWholeFile(temp.path("errors.txt"));
    EXPECT_NE(errors.find("vesbrik: cannot start: no media/"), std::string::npos) << errors;
    EXPECT_NE(errors.find("share/vesbrik/media"), std::string::npos) << errors;
}

TEST(Screenshots, F12AndPrintScreenSaveThePictureInThePicturesFolder)
{
    CScriptFolder run;
    const fs::path pictures = run.path() / "pictures";
    const ScriptResult result = run.run("frames 3\npress F12\nframes 1\npress PrintScreen\nframes 1\n"
                                        "expect sound.menuitem\n",
                                        "", "XDG_PICTURES_DIR='" + pictures.string() + "'");
    ASSERT_EQ(result.status, 0) << result.errors;
    std::vector<fs::path> shots;
    for (const auto& entry : fs::directory_iterator(pictures / "Vesbrik"))
        shots.push_back(entry.path());
    ASSERT_EQ(shots.size(), 2u);
    for (const fs::path& shot : shots) {
        EXPECT_EQ(shot.filename().string().rfind("vesbrik-", 0), 0u) << shot;
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(shot.c_str(), &width, &height, &channels, 4);
        ASSERT_NE(pixels, nullptr) << shot;
        EXPECT_EQ(width, 800);
        EXPECT_EQ(height, 600);
        // The menu's picture, not an empty frame: the middle is not black.
        const unsigned char* middle = pixels + (static_cast<size_t>(300) * 800 + 400) * 4;
        EXPECT_GT(middle[0] + middle[1] + middle[2], 30);
        stbi_image_free(pixels);
    }
}

TEST(FocusLoss, TheSettingCanKeepTheGameRunning)
{
    CScriptFolder run;
    run.write("settings.xml", "<settings pauseonfocusloss=\"0\"/>");
    const ScriptResult result = run.run("frames 2\npress Return\nframes 5\nblur\nframes 5\nexpect running 1\n");
    EXPECT_EQ(result.status, 0) << result.errors;
}
