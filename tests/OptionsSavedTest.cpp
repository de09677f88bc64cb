// The options screen in the running game keeps what the player changed in
// settings.xml, with the player's own comment and attributes, and never
// writes over a file it could not read.
#include "ScriptRunner.h"

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "platform/VirtualKeys.h"

#include <filesystem>

namespace {

// Into the options (third item), the effects page, bloom off; the sound
// page, music down two; back, which saves; then F2 in the menu, kept at once.
const std::string ChangeAndLeave = "frames 2\npress Right\npress Right\npress Return\n"
                                   "press Right\npress Down\npress Right\n"
                                   "press Up\npress Right\npress Down\npress Left\npress Left\n"
                                   "press Escape\npress F2\nframes 1\n";

CSettings settingsIn(const CScriptFolder& run)
{
    CSettings settings;
    settings.load((run.path() / "settings.xml").string());
    return settings;
}

} // namespace

TEST(OptionsSaved, ChangesAreKeptBesideTheHandEdit)
{
    CScriptFolder run;
    run.write("settings.xml", "<!-- set up by hand -->\n"
                              "<settings width=\"640\" height=\"480\" enableshadow=\"0\" joystick=\"left\"/>\n");
    const ScriptResult result = run.run(ChangeAndLeave);
    ASSERT_EQ(result.status, 0) << result.errors;

    // The hand edit stays byte for byte; the values changed are added after
    // the last attribute, in the order of a new file.
    EXPECT_EQ(run.read("settings.xml"), "<!-- set up by hand -->\n"
                                        "<settings width=\"640\" height=\"480\" enableshadow=\"0\" joystick=\"left\" "
                                        "enablebloom=\"0\" musicvolume=\"8\" showframerate=\"1\"/>\n");
    const CSettings saved = settingsIn(run);
    EXPECT_FALSE(saved.isOn(SettingId::Bloom));
    EXPECT_FALSE(saved.isOn(SettingId::Shadow));
    EXPECT_EQ(saved.value(SettingId::MusicVolume), 8);
    EXPECT_TRUE(saved.isOn(SettingId::ShowFrameRate));

    // The next start begins from them.
    const ScriptResult again =
        run.run("frames 2\nexpect enablebloom 0\nexpect showframerate 1\nexpect musicvolume 8\n");
    EXPECT_EQ(again.status, 0) << again.errors;
}

TEST(OptionsSaved, AFileThatDoesNotParseIsKeptAside)
{
    CScriptFolder run;
    const std::string broken = "<settings width=\"640\" enablemirror=\"0\"";
    run.write("settings.xml", broken);
    const ScriptResult result = run.run(ChangeAndLeave);
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.errors.find("settings.xml: was not readable settings; kept it as "), std::string::npos)
        << result.errors;
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(run.path())) {
        if (entry.path().filename().string().rfind("settings.xml.unreadable-", 0) == 0) {
            EXPECT_EQ(run.read(entry.path().filename().string()), broken);
            ++copies;
        }
    }
    EXPECT_EQ(copies, 1);
    EXPECT_FALSE(settingsIn(run).isOn(SettingId::Bloom));
}

// A switch flipped while a recording plays changes the picture for the one
// watching, never the player's file, not even when the game ends there.
TEST(OptionsSaved, SwitchesFlippedWatchingAReplayAreNotSaved)
{
    CScriptFolder run;
    ASSERT_EQ(run.run("frames 2\npress Return\nframes 30\npress Escape\nframes 2\n").status, 0);
    const std::string before = run.read("settings.xml");
    const ScriptResult watched =
        run.run("frames 5\npress b\nexpect enablebloom 0\nframes 2\n", "--replay replays/last.vrp");
    EXPECT_EQ(watched.status, 0) << watched.errors;
    EXPECT_EQ(run.read("settings.xml"), before);
}

// A key chosen on the controls page moves the piece and the old one no
// longer does; a key another move has is refused with where it is; the
// choice is kept in settings.xml beside the hand edit, and the default row
// puts it back.
TEST(OptionsSaved, AKeyChosenOnTheControlsPageDrivesTheGame)
{
    CScriptFolder run;
    run.write("settings.xml", "<!-- mine -->\n<settings width=\"640\" height=\"480\"/>\n");
    const std::string toControls = "frames 2\npress Right\npress Right\npress Return\n"
                                   "press Right\npress Right\npress Right\n";
    const ScriptResult chosen = run.run(toControls + "press Down\npress Return\npress a\n"
                                                     "press Down\npress Return\npress Up\n"
                                                     "expect options.line Up is already turn clockwise\n"
                                                     "press Return\npress Escape\nframes 1\n"
                                                     "press Escape\nframes 1\n");
    ASSERT_EQ(chosen.status, 0) << chosen.errors;
    const std::string file = run.read("settings.xml");
    EXPECT_EQ(file.rfind("<!-- mine -->\n<settings width=\"640\" height=\"480\">\n  <keys left=\"A\" right=\"Right\" "
                         "down=\"Down\" turnright=\"Up\"",
                         0),
              0u)
        << file;
    EXPECT_NE(file.find("\"/>\n  <padbuttons left="), std::string::npos) << file;
    EXPECT_EQ(file.substr(file.size() - 15), "/>\n</settings>\n") << file;
    EXPECT_EQ(settingsIn(run).keys.actionOf(settingsIn(run).keys.key(0)), Action::SlideLeft);

    const ScriptResult played = run.run("frames 1\npress Return\nframes 1\npiece 6 5 5 0\nframes 1\n"
                                        "press a\nframes 30\nexpect piece.column 4\n"
                                        "press Left\nframes 30\nexpect piece.column 4\n"
                                        "press Right\nframes 30\nexpect piece.column 5\n");
    EXPECT_EQ(played.status, 0) << played.errors;

    const ScriptResult reset = run.run(toControls + "press Up\npress Return\npress Escape\nframes 1\n");
    ASSERT_EQ(reset.status, 0) << reset.errors;
    EXPECT_NE(run.read("settings.xml").find("<keys left=\"Left\""), std::string::npos) << run.read("settings.xml");

    // A <keys> with text in it is not edited in place: the file is written
    // again by the reader, and the choice is still kept.
    run.write("settings.xml", "<settings><keys>mine</keys></settings>\n");
    ASSERT_EQ(run.run(toControls + "press Down\npress Return\npress a\npress Escape\nframes 1\n").status, 0);
    EXPECT_EQ(settingsIn(run).keys.actionOf(vk::LetterA), Action::SlideLeft) << run.read("settings.xml");
}
