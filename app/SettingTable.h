#pragma once
// Every setting of settings.xml declared once: its attribute, the kind of
// value it holds with its range and default, the row of the options screen
// that shows it, and the key that flips it with the line the controls page
// gives that key. The reader (CSettings), the writer (CSettingsStore), the
// options screen, the controls page and the script driver's state are all
// made from this one table.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "game/Action.h"
#include "game/OptionsMenu.h"

enum class SettingId {
    Width,
    Height,
    FullScreen,
    Bloom,
    Shadow,
    Mirror,
    FilteredCopy,
    PauseOnFocusLoss,
    RenderScale,
    FrameLimit,
    ShowFrameRate,
    MusicVolume,
    EffectsVolume,
    Mute,
    DropGuide,
    KindMarks,
};
constexpr int SettingCount = 16;

// What a setting's whole number means, and so how the file writes it.
enum class SettingKind {
    Size,   // a window side in pixels, above 0
    Switch, // 0 off, 1 on
    Level,  // a whole number from least to most
    Limit,  // 0 for none, or the one limit there is: most
    Share,  // 0 for "auto", or a share of the window in thousandths, least to most
};

struct SettingDeclaration {
    SettingId id;
    // As the file names it; case matters.
    const char* attribute;
    SettingKind kind;
    int least;
    int most;
    int byDefault;
    // Where the options screen shows it: the page, the row on it (1 the
    // first) and the row's label; row 0 for a setting the screen leaves to
    // the file.
    OptionsPage page;
    int row;
    const char* label;
    // The key that flips it (Action::Unbound for none) and what the controls
    // page says that key does.
    Action key;
    const char* help;
};

// The table, in the order a new file lists the attributes.
const std::array<SettingDeclaration, SettingCount>& settingTable();
const SettingDeclaration& declarationOf(SettingId id);
// The setting a key's action flips, or none.
std::optional<SettingId> settingFlippedBy(Action action);

// The value held to what the setting can be (a limit is on or off, a level
// within its range).
int heldToRange(const SettingDeclaration& setting, int value);

// The value as the file writes it: "1", "30", "0.7", "auto". Where the file
// already spells a switch its own way ("yes", "Off", "TRUE"), written is that
// text and the new value keeps the player's words.
std::string settingText(const SettingDeclaration& setting, int value, const std::string& written = "");

// Reads the attribute's text. Text that is not understood keeps `current`,
// a value out of range is held to it, and both say one line on standard
// error naming the file, the attribute as written and the value used
// instead. Numbers are read as every data file reads them (see parseDecimal);
// switches take 1/0, yes/no, true/false and on/off in any case.
int readSettingText(const SettingDeclaration& setting, const std::string& text, int current, const std::string& file);

// The options screen's choices for a setting with a row (the window size's
// are the desktop's, see CPlayerSettings), the choice that shows a value and
// the value a choice stands for.
std::vector<std::string> settingChoices(const SettingDeclaration& setting);
int choiceOfValue(const SettingDeclaration& setting, int value);
int valueOfChoice(const SettingDeclaration& setting, int choice);

// The loop's frame limit as the settings hold it: frames a second, 0 for none.
struct FrameLimit {
    // The one limit the game offers.
    static constexpr int Rate = 30;
    int perSecond = 0;
};
