#include "app/Settings.h"
#include "app/SettingsStore.h"

#include <filesystem>
#include <unistd.h>

#include <algorithm>
#include <set>

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
    EXPECT_EQ(s.width(), 800);
    EXPECT_EQ(s.height(), 600);
    EXPECT_FALSE(s.isOn(SettingId::FullScreen));
    EXPECT_TRUE(s.isOn(SettingId::Bloom));
    EXPECT_TRUE(s.isOn(SettingId::Shadow));
    EXPECT_TRUE(s.isOn(SettingId::Mirror));
    EXPECT_TRUE(s.isOn(SettingId::FilteredCopy));
    EXPECT_TRUE(s.isOn(SettingId::PauseOnFocusLoss));
    EXPECT_FALSE(s.renderScale().has_value()) << "auto";
    EXPECT_EQ(s.frameLimit().perSecond, 0);
    EXPECT_FALSE(s.isOn(SettingId::ShowFrameRate));
    EXPECT_EQ(s.value(SettingId::MusicVolume), 10);
    EXPECT_EQ(s.value(SettingId::EffectsVolume), 10);
    EXPECT_FALSE(s.isOn(SettingId::Mute));
}

} // namespace

// ---- values ---------------------------------------------------------------

TEST(SettingsValues, FullFileSetsEveryField)
{
    const CSettings s = settingsFrom("<settings width=\"1024\" height=\"768\" fullscreen=\"1\" enablebloom=\"0\" "
                                     "enableshadow=\"0\" enablemirror=\"0\" filterframebuffer=\"0\"/>");
    EXPECT_EQ(s.width(), 1024);
    EXPECT_EQ(s.height(), 768);
    EXPECT_TRUE(s.isOn(SettingId::FullScreen));
    EXPECT_FALSE(s.isOn(SettingId::Bloom));
    EXPECT_FALSE(s.isOn(SettingId::Shadow));
    EXPECT_FALSE(s.isOn(SettingId::Mirror));
    EXPECT_FALSE(s.isOn(SettingId::FilteredCopy));
}

TEST(SettingsValues, OnlyFullscreenKeepsEveryOtherDefault)
{
    const CSettings s = settingsFrom("<settings fullscreen=\"1\"/>");
    EXPECT_TRUE(s.isOn(SettingId::FullScreen));
    CSettings expected;
    expected.set(SettingId::FullScreen, 1);
    EXPECT_EQ(s.width(), expected.width());
    EXPECT_EQ(s.height(), expected.height());
    EXPECT_TRUE(s.isOn(SettingId::Bloom) && s.isOn(SettingId::Shadow) && s.isOn(SettingId::Mirror) && s.isOn(SettingId::FilteredCopy));
}

TEST(SettingsValues, SwitchesReadAsAPlayerWritesThem)
{
    for (const char* on : {"1", "yes", "YES", "true", "True", "on", " On ", "2", "-1"})
        EXPECT_TRUE(settingsFrom(std::string("<s enablebloom=\"0\" fullscreen=\"") + on + "\"/>").isOn(SettingId::FullScreen)) << on;
    for (const char* off : {"0", "no", "No", "false", "FALSE", "off", " 0 ", "+0"})
        EXPECT_FALSE(settingsFrom(std::string("<s enablebloom=\"") + off + "\"/>").isOn(SettingId::Bloom)) << off;
    // Not understood: the default stands (said, see below).
    EXPECT_TRUE(settingsFrom("<s enablebloom=\"maybe\"/>").isOn(SettingId::Bloom));
    EXPECT_FALSE(settingsFrom("<s fullscreen=\"1x\"/>").isOn(SettingId::FullScreen));
    EXPECT_TRUE(settingsFrom("<s enablebloom=\"\"/>").isOn(SettingId::Bloom));
}

TEST(SettingsValues, NumbersAreReadUpToTheFirstNonDigit)
{
    EXPECT_EQ(settingsFrom("<s width=\" 640\"/>").width(), 640);
    EXPECT_EQ(settingsFrom("<s width=\"640px\"/>").width(), 640);
    EXPECT_EQ(settingsFrom("<s height=\"+480\"/>").height(), 480);
}

TEST(SettingsValues, AttributeNamesAreCaseSensitive)
{
    const CSettings s = settingsFrom("<s Width=\"1024\" FULLSCREEN=\"1\" EnableBloom=\"0\"/>");
    EXPECT_EQ(s.width(), 800);
    EXPECT_FALSE(s.isOn(SettingId::FullScreen));
    EXPECT_TRUE(s.isOn(SettingId::Bloom));
}

TEST(SettingsValues, SizeOfZeroOrBelowFallsBackPerDimension)
{
    CSettings s = settingsFrom("<s width=\"0\" height=\"480\"/>");
    EXPECT_EQ(s.width(), 800);
    EXPECT_EQ(s.height(), 480);
    s = settingsFrom("<s width=\"1280\" height=\"-720\"/>");
    EXPECT_EQ(s.width(), 1280);
    EXPECT_EQ(s.height(), 600);
    s = settingsFrom("<s width=\"wide\" height=\"-2147483649\"/>");
    EXPECT_EQ(s.width(), 800);
    EXPECT_EQ(s.height(), 600);
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

TEST(SettingsMessages, EachValueNotUnderstoodOrOutOfRangeIsOneLineWithTheValueUsed)
{
    struct Case {
        const char* bytes;
        const char* line;
        SettingId setting;
        int used;
    };
    const Case cases[] = {
        {"<s width=\"-640\"/>", "width=\"-640\" is not a size above 0; the default, 800, is used", SettingId::Width, 800},
        {"<s width=\"0\"/>", "width=\"0\" is not a size above 0; the default, 800, is used", SettingId::Width, 800},
        {"<s height=\"tall\"/>", "height=\"tall\" is not a number; the default, 600, is used", SettingId::Height, 600},
        {"<s width=\"\"/>", "width=\"\" is empty; the default, 800, is used", SettingId::Width, 800},
        {"<s width=\"1e5\"/>", "width=\"1e5\" has text after its number; it is read as 1", SettingId::Width, 1},
        {"<s width=\"640px\"/>", "width=\"640px\" has text after its number; it is read as 640", SettingId::Width, 640},
        {"<s width=\"640.9\"/>", "width=\"640.9\" has text after its number; it is read as 640", SettingId::Width, 640},
        {"<s framelimit=\"45\"/>", "framelimit=\"45\" is neither 0 nor 30; 30 is used", SettingId::FrameLimit, 30},
        {"<s framelimit=\"-1\"/>", "framelimit=\"-1\" is neither 0 nor 30; 30 is used", SettingId::FrameLimit, 30},
        {"<s musicvolume=\"11\"/>", "musicvolume=\"11\" is above 10; 10 is used", SettingId::MusicVolume, 10},
        {"<s effectsvolume=\"-3\"/>", "effectsvolume=\"-3\" is below 0; 0 is used", SettingId::EffectsVolume, 0},
        {"<s musicvolume=\"7x\"/>", "musicvolume=\"7x\" has text after its number; it is read as 7", SettingId::MusicVolume, 7},
        {"<s musicvolume=\"loud\"/>", "musicvolume=\"loud\" is not a number; the default, 10, is used", SettingId::MusicVolume, 10},
        {"<s enableshadow=\"-1\"/>", "enableshadow=\"-1\" is not on or off (1/0, yes/no, true/false, on/off); it is read as on",
         SettingId::Shadow, 1},
        {"<s mute=\"2\"/>", "mute=\"2\" is not on or off (1/0, yes/no, true/false, on/off); it is read as on", SettingId::Mute, 1},
        {"<s enablebloom=\"maybe\"/>", "enablebloom=\"maybe\" is not on or off (1/0, yes/no, true/false, on/off); the "
                                       "default, on, is used", SettingId::Bloom, 1},
        {"<s fullscreen=\"\"/>", "fullscreen=\"\" is empty (1/0, yes/no, true/false, on/off); the default, off, is used",
         SettingId::FullScreen, 0},
        {"<s renderscale=\"0.3\"/>", "renderscale=\"0.3\" is neither auto nor a share from 0.5 to 1; the scene's scale "
                                     "follows the frame rate (auto)", SettingId::RenderScale, 0},
        // A value is quoted as the file holds it, escaped where a terminal
        // would act on it.
        {"<s width=\"&#x1b;[2J\"/>", "width=\"\\x1b[2J\" is not a number; the default, 800, is used", SettingId::Width, 800},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(saidAbout(c.bytes), std::string("vesbrik: FILE: ") + c.line + "\n") << c.bytes;
        testing::internal::CaptureStderr();
        EXPECT_EQ(settingsFrom(c.bytes).value(c.setting), c.used) << c.bytes;
        testing::internal::GetCapturedStderr();
    }

    // Values understood, and a missing file, say nothing.
    EXPECT_EQ(saidAbout("<s width=\" 640\" height=\"+480\" fullscreen=\"yes\" enablebloom=\"Off\" framelimit=\"30\" "
                        "musicvolume=\" 0 \" mute=\"-0\" renderscale=\"0.75\"/>"),
              "");
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
    EXPECT_EQ(settingsFrom("<hiscore width=\"1024\"><Entry width=\"5\"/></hiscore>").width(), 1024);
    EXPECT_EQ(settingsFrom(deeplyNested(50000, true)).width(), 1024);
    // Attributes of a child are not the root's.
    EXPECT_EQ(settingsFrom("<settings><display width=\"1024\"/></settings>").width(), 800);
}

TEST(SettingsFiles, Latin1DeclarationIsAccepted)
{
    const CSettings s = settingsFrom("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                                     "<settings note=\"\xE9t\xE9\" width=\"1024\" enablemirror=\"0\"/>");
    EXPECT_EQ(s.width(), 1024);
    EXPECT_FALSE(s.isOn(SettingId::Mirror));
}

TEST(SettingsValues, FocusLossPausesUnlessSwitchedOff)
{
    EXPECT_TRUE(settingsFrom("<settings/>").isOn(SettingId::PauseOnFocusLoss));
    EXPECT_TRUE(settingsFrom("<settings pauseonfocusloss=\"1\"/>").isOn(SettingId::PauseOnFocusLoss));
    EXPECT_FALSE(settingsFrom("<settings pauseonfocusloss=\"0\"/>").isOn(SettingId::PauseOnFocusLoss));
    EXPECT_FALSE(settingsFrom("<settings pauseonfocusloss=\"no\"/>").isOn(SettingId::PauseOnFocusLoss));
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

    settings.set(SettingId::Shadow, 0);
    settings.set(SettingId::RenderScale, 600);
    settings.set(SettingId::MusicVolume, 3);
    settings.set(SettingId::Mute, 1);
    settings.set(SettingId::FrameLimit, 30);
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
    EXPECT_FALSE(again.isOn(SettingId::Shadow));
    EXPECT_FALSE(again.isOn(SettingId::Mirror));
    EXPECT_TRUE(again.isOn(SettingId::Bloom));
    EXPECT_EQ(again.value(SettingId::MusicVolume), 3);
    EXPECT_EQ(again.value(SettingId::EffectsVolume), 10);
    EXPECT_EQ(root.attribute("renderscale"), "0.6");
    ASSERT_TRUE(again.renderScale());
    EXPECT_FLOAT_EQ(*again.renderScale(), 0.6f);
    EXPECT_TRUE(again.isOn(SettingId::Mute));
    EXPECT_EQ(again.frameLimit().perSecond, 30);
    EXPECT_EQ(again.width(), 1024);

    // A second change goes on from the first; nothing changed writes nothing.
    settings.set(SettingId::MusicVolume, 7);
    ASSERT_TRUE(store.save(settings));
    EXPECT_EQ(loaded(file).value(SettingId::MusicVolume), 7);
    EXPECT_TRUE(loaded(file).isOn(SettingId::Mute));
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
    settings.set(SettingId::ShowFrameRate, 1);
    settings.set(SettingId::Width, 1280);
    ASSERT_TRUE(store.save(settings));
    const CSettings again = loaded(file);
    EXPECT_TRUE(again.isOn(SettingId::ShowFrameRate));
    EXPECT_EQ(again.width(), 1280);
    EXPECT_EQ(again.height(), 600);
}

TEST(SettingsSaved, UnreadableFileIsKeptAsideNeverLost)
{
    CDataTestFolder folder;
    const std::string broken = "<settings width=\"1024\" enablemirror=\"0\"";
    const std::string file = folder.write("settings.xml", broken);
    CSettings settings = loaded(file);
    CSettingsStore store(file, settings);

    settings.set(SettingId::Bloom, 0);
    ASSERT_TRUE(store.save(settings));
    EXPECT_FALSE(loaded(file).isOn(SettingId::Bloom));
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
    settings.set(SettingId::Bloom, 0);
    EXPECT_FALSE(store.save(settings));
    std::filesystem::permissions(folder.path(""), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(readWholeFile(file), HandWritten);
    // Tried again once the folder can be written: the change is not forgotten.
    EXPECT_TRUE(store.save(settings));
    EXPECT_FALSE(loaded(file).isOn(SettingId::Bloom));
}

TEST(SettingsValues, VolumesAndLimitAreKeptInRange)
{
    const CSettings s = settingsFrom("<s musicvolume=\"25\" effectsvolume=\"-3\" framelimit=\"60\"/>");
    EXPECT_EQ(s.value(SettingId::MusicVolume), 10);
    EXPECT_EQ(s.value(SettingId::EffectsVolume), 0);
    EXPECT_EQ(s.frameLimit().perSecond, 30);
    EXPECT_EQ(settingsFrom("<s/>").frameLimit().perSecond, 0);
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
        return s.renderScale();
    };
    std::string said;
    EXPECT_EQ(scaleOf("auto", &said), std::nullopt);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleOf(" 0.75 ", &said), 0.75f);
    EXPECT_EQ(said, "");
    EXPECT_EQ(scaleOf("0.5"), 0.5f);
    EXPECT_EQ(scaleOf("1"), 1.0f);
    EXPECT_EQ(settingsFrom("<settings/>").renderScale(), std::nullopt);
    for (const char* broken : {"0.49", "1.01", "2", "-1", "half", "0.7x", "nan", "inf", "AUTO"}) {
        EXPECT_EQ(scaleOf(broken, &said), std::nullopt) << broken;
        EXPECT_NE(said.find("renderscale"), std::string::npos) << broken;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

// ---- changed in place ---------------------------------------------------------

namespace {

// A player's file: a declaration, comments (one that looks like the
// element), a document type, attributes over several lines with odd spacing
// and quotes, switches in words and cases of their own, an attribute of a
// later version, a child, and no line break at the end.
const std::string PlayersFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<!-- my laptop: <settings width=\"1\"/> was too small -->\n"
                                "<!DOCTYPE settings>\n"
                                "<settings\n"
                                "    width = '1024'  height=\"768\"\n"
                                "    fullscreen=\"no\" enablebloom=\"Yes\" enableshadow=\" 1 \" enablemirror=\"OFF\"\n"
                                "\tfilterframebuffer=\"true\" pauseonfocusloss=\"on\" renderscale=\"auto\"\n"
                                "    framelimit=\"0\" showframerate=\"0\" musicvolume=\"10\" effectsvolume=\"7\"\n"
                                "    mute=\"False\" dropguide=\"0\" kindmarks=\"off\" theme=\"dark\">\n"
                                "  <!-- nothing in here is read -->\n"
                                "</settings>";

// The file's bytes with one attribute's value, found by its name in the
// element (past the comment), replaced.
std::string withValue(const std::string& bytes, const std::string& attribute, const std::string& value)
{
    size_t name = bytes.find("<settings\n");
    do
        name = bytes.find(attribute, name + 1);
    while (!std::isspace(static_cast<unsigned char>(bytes[name - 1])) ||
           bytes[bytes.find_first_not_of(" ", name + attribute.size())] != '=');
    const size_t open = bytes.find_first_of("\"'", name);
    const size_t close = bytes.find(bytes[open], open + 1);
    return bytes.substr(0, open + 1) + value + bytes.substr(close);
}

} // namespace

// Every setting of the table, changed alone: the file is the player's byte
// for byte but for that one value, written in the player's own words where
// the player wrote a switch in words, and it reads back as changed.
TEST(SettingsSaved, EverySettingChangedAloneChangesOnlyItsOwnValue)
{
    const std::pair<int, const char*> changes[SettingCount] = {
        {1040, "1040"}, {784, "784"}, {1, "yes"}, {0, "No"}, {0, "0"}, {1, "ON"}, {0, "false"},
        {0, "off"}, {700, "0.7"}, {30, "30"}, {1, "1"}, {9, "9"}, {8, "8"}, {1, "True"}, {1, "1"}, {1, "on"},
    };
    for (const SettingDeclaration& setting : settingTable()) {
        CDataTestFolder folder;
        const std::string file = folder.write("settings.xml", PlayersFile);
        const CSettings original = loaded(file);
        CSettings settings = original;
        CSettingsStore store(file, settings);
        const auto& [value, text] = changes[static_cast<size_t>(setting.id)];
        ASSERT_NE(settings.value(setting.id), value) << setting.attribute;
        settings.set(setting.id, value);
        ASSERT_TRUE(store.save(settings)) << setting.attribute;
        EXPECT_EQ(readWholeFile(file), withValue(PlayersFile, setting.attribute, text)) << setting.attribute;
        EXPECT_TRUE(loaded(file) == settings) << setting.attribute;
        // Changed back, the file is the player's again to the byte, but for
        // a switch written with blanks around it.
        ASSERT_TRUE(store.save(original));
        const std::string back = setting.id == SettingId::Shadow ? withValue(PlayersFile, "enableshadow", "1") : PlayersFile;
        EXPECT_EQ(readWholeFile(file), back) << setting.attribute;
    }
}

// A value the file does not have is added after the last attribute, spaced
// and quoted as that one is; several go in the order of a new file.
TEST(SettingsSaved, NewValuesFollowTheLastAttributeInItsStyle)
{
    const std::pair<const char*, const char*> files[] = {
        {"<settings width=\"800\"\n          height=\"600\"/>\n",
         "<settings width=\"800\"\n          height=\"600\"\n          musicvolume=\"3\"\n          mute=\"1\"/>\n"},
        {"<settings width = '800'></settings>", "<settings width = '800' musicvolume = '3' mute = '1'></settings>"},
        {"<!-- mine --><settings/>", "<!-- mine --><settings musicvolume=\"3\" mute=\"1\"/>"},
    };
    for (const auto& [before, after] : files) {
        CDataTestFolder folder;
        const std::string file = folder.write("settings.xml", before);
        CSettings settings = loaded(file);
        CSettingsStore store(file, settings);
        settings.set(SettingId::Mute, 1);
        settings.set(SettingId::MusicVolume, 3);
        ASSERT_TRUE(store.save(settings));
        EXPECT_EQ(readWholeFile(file), after);
    }
}

// The table itself: one row per setting, a key flips one setting at most,
// and every choice the screen offers stands for a value that shows as it.
TEST(SettingTable, RowsAttributesKeysAndChoicesAreEachOne)
{
    std::set<std::string> attributes;
    std::set<std::pair<OptionsPage, int>> rows;
    std::set<Action> keys;
    for (const SettingDeclaration& setting : settingTable()) {
        EXPECT_TRUE(attributes.insert(setting.attribute).second) << setting.attribute;
        if (setting.row > 0) {
            EXPECT_TRUE(rows.insert({setting.page, setting.row}).second) << setting.attribute;
        }
        if (setting.key != Action::Unbound) {
            EXPECT_TRUE(keys.insert(setting.key).second) << setting.attribute;
            EXPECT_EQ(settingFlippedBy(setting.key), setting.id);
            EXPECT_STRNE(setting.help, "") << setting.attribute;
        }
        EXPECT_EQ(heldToRange(setting, setting.byDefault), setting.byDefault) << setting.attribute;
        const int count = static_cast<int>(settingChoices(setting).size());
        for (int choice = 0; choice < count; ++choice)
            EXPECT_EQ(choiceOfValue(setting, valueOfChoice(setting, choice)), choice) << setting.attribute;
    }
    // A hand-written share shows as the nearest step.
    const SettingDeclaration& scale = declarationOf(SettingId::RenderScale);
    EXPECT_EQ(settingChoices(scale).size(), 7u);
    EXPECT_EQ(choiceOfValue(scale, 0), 0);
    EXPECT_EQ(choiceOfValue(scale, 760), 4);
    EXPECT_EQ(settingChoices(scale)[4], "80 %");
    EXPECT_EQ(settingText(scale, 750), "0.75");
}
