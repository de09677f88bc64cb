#include "app/Settings.h"
#include "app/SettingsStore.h"

#include <filesystem>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "tests/DataTestFolder.h"
#include "xml/XmlDocument.h"

namespace {

CSettings settingsFrom(const std::string& bytes)
{
    CDataTestFolder folder;
    CSettings settings;
    settings.load(folder.write("settings.xml", bytes));
    return settings;
}

void expectDefaults(const CSettings& s)
{
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_TRUE(s.enableBloom);
    EXPECT_TRUE(s.enableShadow);
    EXPECT_TRUE(s.enableMirror);
    EXPECT_TRUE(s.filterFrameBuffer);
    EXPECT_TRUE(s.pauseOnFocusLoss);
    EXPECT_FALSE(s.renderScale.has_value()) << "auto";
    EXPECT_EQ(s.frameLimit, 0);
    EXPECT_FALSE(s.showFrameRate);
    EXPECT_EQ(s.musicVolume, 10);
    EXPECT_EQ(s.effectsVolume, 10);
    EXPECT_FALSE(s.mute);
}

} // namespace

// ---- values ---------------------------------------------------------------

TEST(SettingsValues, FullFileSetsEveryField)
{
    const CSettings s = settingsFrom("<settings width=\"1024\" height=\"768\" fullscreen=\"1\" enablebloom=\"0\" "
                                     "enableshadow=\"0\" enablemirror=\"0\" filterframebuffer=\"0\"/>");
    EXPECT_EQ(s.width, 1024);
    EXPECT_EQ(s.height, 768);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_FALSE(s.enableBloom);
    EXPECT_FALSE(s.enableShadow);
    EXPECT_FALSE(s.enableMirror);
    EXPECT_FALSE(s.filterFrameBuffer);
}

TEST(SettingsValues, OnlyFullscreenKeepsEveryOtherDefault)
{
    const CSettings s = settingsFrom("<settings fullscreen=\"1\"/>");
    EXPECT_TRUE(s.fullscreen);
    CSettings expected;
    expected.fullscreen = true;
    EXPECT_EQ(s.width, expected.width);
    EXPECT_EQ(s.height, expected.height);
    EXPECT_TRUE(s.enableBloom && s.enableShadow && s.enableMirror && s.filterFrameBuffer);
}

TEST(SettingsValues, SwitchesReadAsAPlayerWritesThem)
{
    for (const char* on : {"1", "yes", "YES", "true", "True", "on", " On ", "2", "-1"})
        EXPECT_TRUE(settingsFrom(std::string("<s enablebloom=\"0\" fullscreen=\"") + on + "\"/>").fullscreen) << on;
    for (const char* off : {"0", "no", "No", "false", "FALSE", "off", " 0 ", "+0"})
        EXPECT_FALSE(settingsFrom(std::string("<s enablebloom=\"") + off + "\"/>").enableBloom) << off;
    // Not understood: the default stands (said, see below).
    EXPECT_TRUE(settingsFrom("<s enablebloom=\"maybe\"/>").enableBloom);
    EXPECT_FALSE(settingsFrom("<s fullscreen=\"1x\"/>").fullscreen);
    EXPECT_TRUE(settingsFrom("<s enablebloom=\"\"/>").enableBloom);
}

TEST(SettingsValues, NumbersAreReadUpToTheFirstNonDigit)
{
    EXPECT_EQ(settingsFrom("<s width=\" 640\"/>").width, 640);
    EXPECT_EQ(settingsFrom("<s width=\"640px\"/>").width, 640);
    EXPECT_EQ(settingsFrom("<s height=\"+480\"/>").height, 480);
}

TEST(SettingsValues, AttributeNamesAreCaseSensitive)
{
    const CSettings s = settingsFrom("<s Width=\"1024\" FULLSCREEN=\"1\" EnableBloom=\"0\"/>");
    EXPECT_EQ(s.width, 800);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_TRUE(s.enableBloom);
}

TEST(SettingsValues, SizeOfZeroOrBelowFallsBackPerDimension)
{
    CSettings s = settingsFrom("<s width=\"0\" height=\"480\"/>");
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 480);
    s = settingsFrom("<s width=\"1280\" height=\"-720\"/>");
    EXPECT_EQ(s.width, 1280);
    EXPECT_EQ(s.height, 600);
    s = settingsFrom("<s width=\"wide\" height=\"-2147483649\"/>");
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
}

// ---- what is said ------------------------------------------------------------

namespace {

// What loading the bytes prints, with the file's path written as FILE.
std::string saidAbout(const std::string& bytes)
{
    CDataTestFolder folder;
    const std::string file = folder.write("settings.xml", bytes);
    testing::internal::CaptureStderr();
    CSettings settings;
    settings.load(file);
    std::string said = testing::internal::GetCapturedStderr();
    for (size_t at = said.find(file); at != std::string::npos; at = said.find(file))
        said.replace(at, file.size(), "FILE");
    return said;
}

} // namespace

TEST(SettingsMessages, EachValueNotUnderstoodIsOneLineWithTheValueUsed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<s width=\"-640\"/>", "vesbrik: FILE: width=\"-640\" is not a size above 0; the default, 800, is used\n"},
        {"<s width=\"0\"/>", "vesbrik: FILE: width=\"0\" is not a size above 0; the default, 800, is used\n"},
        {"<s height=\"tall\"/>", "vesbrik: FILE: height=\"tall\" is not a number; the default, 600, is used\n"},
        {"<s width=\"\"/>", "vesbrik: FILE: width=\"\" is empty; the default, 800, is used\n"},
        {"<s width=\"1e5\"/>", "vesbrik: FILE: width=\"1e5\" has text after its number; it is read as 1\n"},
        {"<s enablebloom=\"maybe\"/>", "vesbrik: FILE: enablebloom=\"maybe\" is not on or off (1/0, yes/no, "
                                       "true/false, on/off); the default, on, is used\n"},
        {"<s fullscreen=\"\"/>", "vesbrik: FILE: fullscreen=\"\" is empty (1/0, yes/no, true/false, on/off); the "
                                  "default, off, is used\n"},
        // A value is quoted as the file holds it, escaped where a terminal
        // would act on it.
        {"<s width=\"&#x1b;[2J\"/>", "vesbrik: FILE: width=\"\\x1b[2J\" is not a number; the default, 800, is used\n"},
    };
    for (const auto& [bytes, line] : cases)
        EXPECT_EQ(saidAbout(bytes), line) << bytes;

    // Values understood, and a missing file, say nothing.
    EXPECT_EQ(saidAbout("<s width=\" 640px\" height=\"480\" fullscreen=\"yes\" enablebloom=\"Off\"/>"), "");
    testing::internal::CaptureStderr();
    CSettings().load("/tmp/vesbrik-no-such-folder/settings.xml");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// ---- files that give nothing ----------------------------------------------

TEST(SettingsFiles, MissingFileLeavesDefaults)
{
    CSettings s;
    s.load("/tmp/vesbrik-no-such-folder/settings.xml");
    expectDefaults(s);
}

TEST(SettingsFiles, BrokenFilesLeaveDefaults)
{
    static const char binary[] = "\x7F" "ELF\x02\x01\x01\x00\x00\xFF\xFE\x00<settings width=\"1\"/>";
    const std::string broken[] = {
        "<settings width=\"1024\" height=\"768\"",              // cut off inside the tag
        "<settings width=\"1024\"><child></settings>",          // mismatched end
        std::string(binary, sizeof binary - 1),
        "",
        deeplyNested(50000, false),
    };
    for (const std::string& bytes : broken) {
        expectDefaults(settingsFrom(bytes));
        // One line, naming the file and what is used instead.
        const std::string said = saidAbout(bytes);
        EXPECT_EQ(said.rfind("vesbrik: FILE: not readable XML; the defaults are used (800 x 600", 0), 0u) << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
    }
}

TEST(SettingsFiles, RootNameAndChildrenAreNotExamined)
{
    EXPECT_EQ(settingsFrom("<hiscore width=\"1024\"><Entry width=\"5\"/></hiscore>").width, 1024);
    EXPECT_EQ(settingsFrom(deeplyNested(50000, true)).width, 1024);
    // Attributes of a child are not the root's.
    EXPECT_EQ(settingsFrom("<settings><display width=\"1024\"/></settings>").width, 800);
}

TEST(SettingsFiles, Latin1DeclarationIsAccepted)
{
    const CSettings s = settingsFrom("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                     "<settings note=\"\xE9t\xE9\" width=\"1024\" enablemirror=\"0\"/>");
    EXPECT_EQ(s.width, 1024);
    EXPECT_FALSE(s.enableMirror);
}

TEST(SettingsValues, FocusLossPausesUnlessSwitchedOff)
{
    EXPECT_TRUE(settingsFrom("<settings/>").pauseOnFocusLoss);
    EXPECT_TRUE(settingsFrom("<settings pauseonfocusloss=\"1\"/>").pauseOnFocusLoss);
    EXPECT_FALSE(settingsFrom("<settings pauseonfocusloss=\"0\"/>").pauseOnFocusLoss);
    EXPECT_FALSE(settingsFrom("<settings pauseonfocusloss=\"no\"/>").pauseOnFocusLoss);
}

TEST(SettingsFiles, ShippedFileHasEveryValue)
{
    CXmlDocument document;
    ASSERT_TRUE(document.load(VESBRIK_SOURCE_DIR "/settings.xml"));
    CXmlNode root = document.root();
    for (const char* name : {"width", "height", "fullscreen", "enablebloom", "enableshadow", "enablemirror",
                             "filterframebuffer", "pauseonfocusloss", "renderscale", "framelimit", "showframerate",
                             "musicvolume", "effectsvolume", "mute"})
        EXPECT_NE(root.attribute(name), "") << name;
    CSettings s;
    s.load(VESBRIK_SOURCE_DIR "/settings.xml");
    expectDefaults(s);
}

// ---- written back ---------------------------------------------------------

namespace {

// A player's file: a comment, values written their own way and an attribute
// of a later version of the game.
const char* HandWritten = "<?xml version=\"1.0\"?>\n"
                          "<!-- my laptop: no mirror, it is slow -->\n"
                          "<settings width=\"1024\" height=\"768\" enablemirror=\"0\" enablebloom=\"2\" "
                          "theme=\"dark\"/>\n";

CSettings loaded(const std::string& file)
{
    CSettings settings;
    settings.load(file);
    return settings;
}

} // namespace

TEST(SettingsSaved, ChangesAreKeptAndTheHandEditWithThem)
{
    CDataTestFolder folder;
    const std::string file = folder.write("settings.xml", HandWritten);
    CSettings settings = loaded(file);
    CSettingsStore store(file, settings);

    settings.enableShadow = false;
    settings.renderScale = 0.6f;
    settings.musicVolume = 3;
    settings.mute = true;
    settings.frameLimit = 30;
    ASSERT_TRUE(store.save(settings));

    const std::string text = readWholeFile(file);
    EXPECT_NE(text.find("<!-- my laptop: no mirror, it is slow -->"), std::string::npos) << text;
    CXmlDocument document;
    ASSERT_TRUE(document.load(file));
    const CXmlNode root = document.root();
    EXPECT_EQ(root.attribute("theme"), "dark");
    // Values the player did not change keep the way they were written.
    EXPECT_EQ(root.attribute("enablebloom"), "2");
    EXPECT_EQ(root.attribute("width"), "1024");
    EXPECT_EQ(root.attribute("fullscreen"), "");

    const CSettings again = loaded(file);
    EXPECT_FALSE(again.enableShadow);
    EXPECT_FALSE(again.enableMirror);
    EXPECT_TRUE(again.enableBloom);
    EXPECT_EQ(again.musicVolume, 3);
    EXPECT_EQ(again.effectsVolume, 10);
    EXPECT_EQ(root.attribute("renderscale"), "0.6");
    ASSERT_TRUE(again.renderScale);
    EXPECT_FLOAT_EQ(*again.renderScale, 0.6f);
    EXPECT_TRUE(again.mute);
    EXPECT_EQ(again.frameLimit, 30);
    EXPECT_EQ(again.width, 1024);

    // A second change goes on from the first; nothing changed writes nothing.
    settings.musicVolume = 7;
    ASSERT_TRUE(store.save(settings));
    EXPECT_EQ(loaded(file).musicVolume, 7);
    EXPECT_TRUE(loaded(file).mute);
    const std::string before = readWholeFile(file);
    ASSERT_TRUE(store.save(settings));
    EXPECT_EQ(readWholeFile(file), before);
}

TEST(SettingsSaved, MissingFileAndFolderAreMade)
{
    CDataTestFolder folder;
    const std::string file = folder.path("config/vesbrik/settings.xml");
    CSettings settings = loaded(file);
    CSettingsStore store(file, settings);
    ASSERT_TRUE(store.save(settings));
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing changed, nothing written";
    settings.showFrameRate = true;
    settings.width = 1280;
    ASSERT_TRUE(store.save(settings));
    const CSettings again = loaded(file);
    EXPECT_TRUE(again.showFrameRate);
    EXPECT_EQ(again.width, 1280);
    EXPECT_EQ(again.height, 600);
}

TEST(SettingsSaved, UnreadableFileIsKeptAsideNeverLost)
{
    CDataTestFolder folder;
    const std::string broken = "<settings width=\"1024\" enablemirror=\"0\"";
    const std::string file = folder.write("settings.xml", broken);
    CSettings settings = loaded(file);
    CSettingsStore store(file, settings);

    settings.enableBloom = false;
    ASSERT_TRUE(store.save(settings));
    EXPECT_FALSE(loaded(file).enableBloom);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path(""))) {
        if (entry.path().filename().string().rfind("settings.xml.unreadable-", 0) == 0) {
            ++copies;
            EXPECT_EQ(readWholeFile(entry.path().string()), broken);
        }
    }
    EXPECT_EQ(copies, 1);
}

TEST(SettingsSaved, FailedSaveLeavesTheOldFileWhole)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    CDataTestFolder folder;
    const std::string file = folder.write("settings.xml", HandWritten);
    CSettings settings = loaded(file);
    CSettingsStore store(file, settings);
    std::filesystem::permissions(folder.path(""), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    settings.enableBloom = false;
    EXPECT_FALSE(store.save(settings));
    std::filesystem::permissions(folder.path(""), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(readWholeFile(file), HandWritten);
    // Tried again once the folder can be written: the change is not forgotten.
    EXPECT_TRUE(store.save(settings));
    EXPECT_FALSE(loaded(file).enableBloom);
}

TEST(SettingsValues, VolumesAndLimitAreKeptInRange)
{
    const CSettings s = settingsFrom("<s musicvolume=\"25\" effectsvolume=\"-3\" framelimit=\"60\"/>");
    EXPECT_EQ(s.musicVolume, 10);
    EXPECT_EQ(s.effectsVolume, 0);
    EXPECT_EQ(s.frameLimit, 30);
    EXPECT_EQ(settingsFrom("<s/>").frameLimit, 0);
}

// The scene's scale: auto, or a share from 0.5 to 1. Anything else is said
// once on standard error and read as auto, never as a scale outside the range.
TEST(SettingsValues, RenderScaleIsAutoOrAShareFromHalfToWhole)
{
    auto scaleOf = [](const std::string& value, std::string* said = nullptr) {
        testing::internal::CaptureStderr();
        const CSettings s = settingsFrom("<settings renderscale=\"" + value + "\"/>");
        const std::string err = testing::internal::GetCapturedStderr();
        if (said)
            *said = err;
        return s.renderScale;
    };
    std::string said;
    EXPECT_EQ(scaleOf("auto", &said), std::nullopt);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleOf(" 0.75 ", &said), 0.75f);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleOf("0.5"), 0.5f);
    EXPECT_EQ(scaleOf("1"), 1.0f);
    EXPECT_EQ(settingsFrom("<settings/>").renderScale, std::nullopt);
    for (const char* broken : {"0.49", "1.01", "2", "-1", "half", "0.7x", "nan", "inf", "AUTO"}) {
        EXPECT_EQ(scaleOf(broken, &said), std::nullopt) << broken;
        EXPECT_NE(said.find("renderscale"), std::string::npos) << broken;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}
