// The real game with media files taken away or broken: each one is named on
// standard error, once, with what the game does instead, and the game plays
// on. Only a missing effect ends it, and then the message names the file.
#include "ScriptRunner.h"

#include "game/HighScoreTable.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>
#include <stb_image.h>

namespace {

namespace fs = std::filesystem;

int timesFound(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::map<std::string, std::string> readDump(const CScriptFolder& run, const std::string& file)
{
    std::map<std::string, std::string> values;
    std::istringstream in(run.read(file));
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        values[line.substr(0, space)] = space == std::string::npos ? "" : line.substr(space + 1);
    }
    return values;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

Picture readPng(const std::string& bytes)
{
    Picture picture;
    int channels = 0;
    uint8_t* pixels = stbi_load_from_memory(reinterpret_cast<const uint8_t*>(bytes.data()), int(bytes.size()),
                                            &picture.width, &picture.height, &channels, 4);
    if (pixels)
        picture.rgba.assign(pixels, pixels + size_t(picture.width) * size_t(picture.height) * 4);
    stbi_image_free(pixels);
    return picture;
}

// Pixels in the rectangle (fractions of the picture) with a bright channel:
// white or red text on the dark backdrop.
int brightPixels(const Picture& picture, float left, float top, float right, float bottom)
{
    int count = 0;
    for (int y = int(top * float(picture.height)); y < int(bottom * float(picture.height)); ++y)
        for (int x = int(left * float(picture.width)); x < int(right * float(picture.width)); ++x) {
            const uint8_t* p = picture.at(x, y);
            count += std::max({p[0], p[1], p[2]}) > 160;
        }
    return count;
}

// Half-second frames and the down arrow held: the game is over within a
// minute of game time; a name is typed and entered.
// The least window draws fastest.
void useSmallWindow(const CScriptFolder& run) { run.write("settings.xml", "<settings width=\"320\" height=\"240\"/>"); }

const std::string FinishGameAndEnterName = "frames 1\npress Return\nhold Down 150\ntype Ada\npress Return\n"
                                           "frames 4\ndump saved\n";

} // namespace

TEST(MissingMedia, EveryMissingFileIsNamedOnceAndTheGamePlaysOn)
{
    CScriptFolder run;
    const std::vector<std::string> missing = {"chamferbox.lwo", "frame.lwo",     "box.lwo",  "Chrome128.dds",
                                              "back1.tga",      "title.tga",     "play.tga", "highscore.tga",
                                              "exit.tga",       "sound.xml"};
    for (const std::string& file : missing)
        ASSERT_TRUE(fs::remove(run.path() / "media" / file)) << file;

    const ScriptResult result =
        run.run("frames 20\nshot menu.png\npress Return\nframes 60\ndump playing\npress Escape\nframes 20\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const std::string& file : missing)
        EXPECT_EQ(timesFound(result.errors, "media/" + file + ": missing; "), 1) << file << "\n" << result.errors;
    EXPECT_EQ(readDump(run, "playing")["running"], "1");

    // The backdrop is dark instead of white, and the items are written out
    // in light text where their pictures would be.
    const Picture menu = readPng(run.read("menu.png"));
    ASSERT_GT(menu.width, 0);
    const uint8_t* corner = menu.at(menu.width / 10, menu.height / 2);
    EXPECT_LT(corner[0] + corner[1] + corner[2], 3 * 64) << "the backdrop is not dark";
    EXPECT_GT(brightPixels(menu, 0.5f, 0.9f, 0.62f, 0.97f), 20) << "no text for the play item";
    EXPECT_GT(brightPixels(menu, 0.85f, 0.9f, 0.99f, 0.97f), 20) << "no text for the exit item";
    EXPECT_GT(brightPixels(menu, 0.2f, 0.05f, 0.5f, 0.12f), 20) << "no text for the title";
    EXPECT_GT(brightPixels(menu, 0.0f, 0.965f, 0.3f, 1.0f), 20) << "the web address is dark on dark";
}

TEST(MissingMedia, BrokenImagesSoundsAndTexturesAreNamedWithTheirReason)
{
    CScriptFolder run;
    useSmallWindow(run);
    const std::string junk(300, '\x5A');
    run.write("media/back1.tga", junk);
    run.write("media/spot.jpg", junk);
    // Cut in half, a picture would decode with its lower half black.
    const std::string title = run.read("media/title.tga");
    run.write("media/title.tga", title.substr(0, title.size() / 2));
    run.write("media/line1.wav", junk);
    fs::remove(run.path() / "media" / "turn.wav");
    fs::remove(run.path() / "media" / "menumusic.ogg");
    fs::remove(run.path() / "media" / "floor.tga");
    const ScriptResult result = run.run("frames 3\n");
    ASSERT_EQ(result.status, 0) << result.errors;
    for (const char* line : {"media/back1.tga: not a readable image; the menu is drawn over a dark background",
                             "media/spot.jpg: not a readable image; the light shines a plain round pool",
                             "media/title.tga: cut short: its pixels end before the picture does; the title is "
                             "written in text",
                             "media/line1.wav: not a readable sound; that sound stays silent",
                             "media/turn.wav: missing; that sound stays silent",
                             "media/menumusic.ogg: missing; that music stays silent",
                             "media/floor.tga: missing; surface "})
        EXPECT_EQ(timesFound(result.errors, line), 1) << line << "\n" << result.errors;
}

TEST(MissingMedia, BrokenBrickMeshIsNamedAndTheGamePlays)
{
    CScriptFolder run;
    const std::string brick = run.read("media/chamferbox.lwo");
    run.write("media/chamferbox.lwo", brick.substr(0, brick.size() / 2));
    useSmallWindow(run);
    const ScriptResult result = run.run("frames 1\npress Return\nframes 30\ndump playing\n", "--dt 0.1");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(timesFound(result.errors, "media/chamferbox.lwo: not a usable LightWave object; the bricks are drawn "
                                        "as plain cubes"),
              1)
        << result.errors;
    EXPECT_EQ(readDump(run, "playing")["running"], "1");
}

TEST(MissingMedia, MissingEffectNamesTheFileAfterTheMessage)
{
    CScriptFolder run;
    fs::remove(run.path() / "media" / "phong.fx");
    const ScriptResult result = run.run("frames 2\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("error loading shader\nmedia/phong.fx: missing"), std::string::npos) << result.errors;
}

TEST(MissingMedia, AFolderOrAnOversizedFileIsNamedForWhatItIs)
{
    CScriptFolder run;
    // Well-formed settings, but past the size the game reads (16 MB), and a
    // folder where an effect file belongs.
    const std::string padding((16 << 20) + 4096, ' ');
    run.write("settings.xml", "<settings width=\"320\" height=\"240\"/><!--" + padding + "-->");
    fs::remove(run.path() / "media" / "phong.fx");
    fs::create_directory(run.path() / "media" / "phong.fx");
    const ScriptResult result = run.run("frames 2\n");
    fs::remove(run.path() / "settings.xml");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(timesFound(result.errors, "settings.xml: too large: 16.0 MB (16781355 bytes), where the game reads "
                                        "files of at most 16 MB; the defaults are used"),
              1)
        << result.errors;
    EXPECT_NE(result.errors.find("error loading shader\nmedia/phong.fx: a folder, not a file"), std::string::npos)
        << result.errors;
}

TEST(MissingMedia, FailedSaveIsShownOnTheHighScoreScreen)
{
    CScriptFolder run;
    // A folder where the table should be: it can be neither read nor replaced.
    fs::remove(run.path() / "media" / "hiscore.xml");
    fs::create_directory(run.path() / "media" / "hiscore.xml");
    useSmallWindow(run);
    const ScriptResult result = run.run(FinishGameAndEnterName, "--dt 0.5");
    ASSERT_EQ(result.status, 0) << result.errors;
    auto saved = readDump(run, "saved");
    EXPECT_EQ(saved["menu.showScores"], "1");
    EXPECT_EQ(saved["menu.scoresNotice"], "The high scores could not be saved");
    EXPECT_EQ(timesFound(result.errors, "media/hiscore.xml: the high-score table cannot be saved"), 1)
        << result.errors;
}

TEST(MissingMedia, RealTableCutInHalfIsKeptWhenTheNextScoreIsSaved)
{
    CScriptFolder run;
    useSmallWindow(run);
    // A table the game itself wrote, full of scores no game reaches here.
    run.write("media/hiscore.xml", "");
    CHighScoreTable written((run.path() / "media" / "hiscore.xml").string());
    for (int score = 1000000; score <= 10000000; score += 1000000)
        written.insert(score, 9, 999)->name = "old";
    ASSERT_TRUE(written.save());
    const std::string table = run.read("media/hiscore.xml");
    const std::string half = table.substr(0, table.size() / 2);
    run.write("media/hiscore.xml", half);
    const ScriptResult result = run.run(FinishGameAndEnterName, "--dt 0.5");
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(readDump(run, "saved")["menu.scoresNotice"], "");

    EXPECT_NE(run.read("media/hiscore.xml").find("name=\"Ada\""), std::string::npos);
    int copies = 0;
    for (const auto& entry : fs::directory_iterator(run.path() / "media"))
        if (entry.path().filename().string().starts_with("hiscore.xml.unreadable-")) {
            ++copies;
            EXPECT_EQ(run.read("media/" + entry.path().filename().string()), half);
            EXPECT_NE(result.errors.find(entry.path().filename().string()), std::string::npos) << result.errors;
        }
    EXPECT_EQ(copies, 1);
}
