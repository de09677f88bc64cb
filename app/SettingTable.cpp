#include "app/SettingTable.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "files/FileProblems.h"
#include "render/ReferenceLayout.h"
#include "xml/XmlDocument.h"

namespace {

using enum SettingId;
using K = SettingKind;
using P = OptionsPage;

// Share steps the options screen offers: 50 % to 100 % by tens.
constexpr int ShareStep = 100;

// A window opens at the size the HUD and the menu are laid out on.
constexpr int RefW = ReferenceWidth, RefH = ReferenceHeight;

constexpr std::array<SettingDeclaration, SettingCount> Table = {{
    // id             attribute            kind       least most              default  page         row label              key                       help
    {Width,           "width",             K::Size,   1,    INT_MAX,          RefW,    P::Display,  1,  "Window size",     Action::Unbound,          ""},
    {Height,          "height",            K::Size,   1,    INT_MAX,          RefH,    P::Display,  0,  "",                Action::Unbound,          ""},
    {FullScreen,      "fullscreen",        K::Switch, 0,    1,                0,       P::Display,  2,  "Full screen",     Action::Unbound,          ""},
    {Bloom,           "enablebloom",       K::Switch, 0,    1,                1,       P::Effects,  1,  "Bloom",           Action::ToggleBloom,      "bloom"},
    {Shadow,          "enableshadow",      K::Switch, 0,    1,                1,       P::Effects,  2,  "Shadows",         Action::ToggleShadow,     "shadow"},
    {Mirror,          "enablemirror",      K::Switch, 0,    1,                1,       P::Effects,  3,  "Mirror",          Action::ToggleMirror,     "mirror"},
    {FilteredCopy,    "filterframebuffer", K::Switch, 0,    1,                1,       P::Effects,  4,  "Filtered copy",   Action::ToggleFilter,     "filter"},
    {PauseOnFocusLoss,"pauseonfocusloss",  K::Switch, 0,    1,                1,       P::Display,  0,  "",                Action::Unbound,          ""},
    {RenderScale,     "renderscale",       K::Share,  500,  1000,             0,       P::Display,  5,  "Render scale",    Action::Unbound,          ""},
    {FrameLimit,      "framelimit",        K::Limit,  0,    ::FrameLimit::Rate, 0,     P::Display,  3,  "Frame limit",     Action::ToggleFrameLimit, "frame limit"},
    {ShowFrameRate,   "showframerate",     K::Switch, 0,    1,                0,       P::Display,  4,  "Show frame rate", Action::ToggleFrameRate,  "frame rate"},
    {MusicVolume,     "musicvolume",       K::Level,  0,    10,               10,      P::Sound,    1,  "Music",           Action::Unbound,          ""},
    {EffectsVolume,   "effectsvolume",     K::Level,  0,    10,               10,      P::Sound,    2,  "Effects",         Action::Unbound,          ""},
    {Mute,            "mute",              K::Switch, 0,    1,                0,       P::Sound,    3,  "Mute",            Action::Unbound,          ""},
    // Helps a player may ask for: where the piece would land, and a mark on
    // every brick for its kind, for players who tell its colours apart poorly.
    {DropGuide,       "dropguide",         K::Switch, 0,    1,                0,       P::Effects,  5,  "Drop guide",      Action::Unbound,          ""},
    {KindMarks,       "kindmarks",         K::Switch, 0,    1,                0,       P::Effects,  6,  "Piece marks",     Action::Unbound,          ""},
}};

constexpr bool tableInIdOrder()
{
    for (int i = 0; i < SettingCount; ++i)
        if (static_cast<int>(Table[static_cast<size_t>(i)].id) != i)
            return false;
    return true;
}
static_assert(tableInIdOrder(), "a setting's row in the table is its id");

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The length of an optional sign and the digits after it at the start of text.
size_t numberLength(const std::string& text)
{
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const size_t digitsFrom = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    return i == digitsFrom ? 0 : i;
}

// The words a player may write for a switch, off first.
constexpr const char* SwitchWords[][2] = {{"0", "1"}, {"no", "yes"}, {"false", "true"}, {"off", "on"}};

std::optional<int> switchWord(const std::string& text)
{
    const std::string word = lowerCase(trimmed(text));
    for (const auto& pair : SwitchWords)
        for (int on = 0; on < 2; ++on)
            if (word == pair[on])
                return on;
    return std::nullopt;
}

// The word for a switch's value in the family and the case the player wrote
// ("Yes" becomes "No", "OFF" becomes "ON").
std::string switchText(int value, const std::string& written)
{
    const std::string word = trimmed(written);
    const std::string lower = lowerCase(word);
    for (const auto& pair : SwitchWords) {
        if (lower != pair[0] && lower != pair[1])
            continue;
        std::string text = pair[value != 0 ? 1 : 0];
        const bool allUpper = word.size() > 1 && std::none_of(word.begin(), word.end(), [](unsigned char c) {
                                  return std::islower(c) != 0;
                              });
        for (size_t i = 0; i < text.size(); ++i)
            if (allUpper || (i == 0 && std::isupper(static_cast<unsigned char>(word[0]))))
                text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        return text;
    }
    return value != 0 ? "1" : "0";
}

// How a value is named in a message.
std::string spoken(const SettingDeclaration& setting, int value)
{
    if (setting.kind == SettingKind::Switch)
        return value != 0 ? "on" : "off";
    return settingText(setting, value);
}

// One line about an attribute: `attribute="text" PROBLEM; INSTEAD`.
struct Teller {
    const SettingDeclaration& setting;
    const std::string& text;
    const std::string& file;

    void operator()(const std::string& problem, const std::string& instead) const
    {
        reportFileProblem(file, std::string(setting.attribute) + "=\"" + printableText(text, 40) + "\"" + problem,
                          instead);
    }
    std::string keeps(int current) const { return "the default, " + spoken(setting, current) + ", is used"; }
};

constexpr const char* SwitchHint = " (1/0, yes/no, true/false, on/off)";

int readSwitch(const Teller& say, const std::string& word, int current)
{
    if (const std::optional<int> value = switchWord(word))
        return *value;
    // Any other whole number was on unless it was 0, and files keep such values.
    if (numberLength(word) == word.size()) {
        const int value = parseDecimal(word);
        if (value == 0 || value == 1)
            return value;
        say(std::string(" is not on or off") + SwitchHint, "it is read as on");
        return 1;
    }
    say(std::string(" is not on or off") + SwitchHint, say.keeps(current));
    return current;
}

int readShare(const Teller& say, const SettingDeclaration& setting, const std::string& word)
{
    if (word == "auto")
        return 0;
    char* end = nullptr;
    const double share = std::strtod(word.c_str(), &end);
    const int value = std::isfinite(share) && *end == '\0' ? static_cast<int>(std::lround(share * 1000.0)) : -1;
    if (value >= setting.least && value <= setting.most)
        return value;
    say(" is neither auto nor a share from 0.5 to 1", "the scene's scale follows the frame rate (auto)");
    return 0;
}

int readNumber(const Teller& say, const SettingDeclaration& setting, const std::string& word, int current)
{
    const size_t length = numberLength(word);
    if (length == 0) {
        say(" is not a number", say.keeps(current));
        return current;
    }
    const int value = parseDecimal(word);
    if (setting.kind == SettingKind::Size && value < setting.least) {
        say(" is not a size above 0", say.keeps(current));
        return current;
    }
    const int used = heldToRange(setting, value);
    if (used != value) {
        const std::string problem = setting.kind == SettingKind::Limit
                                        ? " is neither 0 nor " + std::to_string(setting.most)
                                    : value < setting.least ? " is below " + std::to_string(setting.least)
                                                            : " is above " + std::to_string(setting.most);
        say(problem, std::to_string(used) + " is used");
        return used;
    }
    if (length < word.size())
        say(" has text after its number", "it is read as " + std::to_string(value));
    return value;
}

} // namespace

const std::array<SettingDeclaration, SettingCount>& settingTable() { return Table; }

const SettingDeclaration& declarationOf(SettingId id) { return Table[static_cast<size_t>(id)]; }

std::optional<SettingId> settingFlippedBy(Action action)
{
    for (const SettingDeclaration& setting : Table)
        if (action != Action::Unbound && setting.key == action)
            return setting.id;
    return std::nullopt;
}

int heldToRange(const SettingDeclaration& setting, int value)
{
    switch (setting.kind) {
    case SettingKind::Switch: return value != 0 ? 1 : 0;
    case SettingKind::Limit: return value != 0 ? setting.most : 0;
    case SettingKind::Share: return value == 0 ? 0 : std::clamp(value, setting.least, setting.most);
    case SettingKind::Size:
    case SettingKind::Level: break;
    }
    return std::clamp(value, setting.least, setting.most);
}

std::string settingText(const SettingDeclaration& setting, int value, const std::string& written)
{
    switch (setting.kind) {
    case SettingKind::Switch: return switchText(value, written);
    case SettingKind::Share: {
        if (value == 0)
            return "auto";
        char text[16];
        std::snprintf(text, sizeof text, "%g", value / 1000.0);
        return text;
    }
    case SettingKind::Size:
    case SettingKind::Level:
    case SettingKind::Limit: break;
    }
    return std::to_string(value);
}

int readSettingText(const SettingDeclaration& setting, const std::string& text, int current, const std::string& file)
{
    const Teller say{setting, text, file};
    const std::string word = trimmed(text);
    if (word.empty()) {
        say(std::string(" is empty") + (setting.kind == SettingKind::Switch ? SwitchHint : ""), say.keeps(current));
        return current;
    }
    switch (setting.kind) {
    case SettingKind::Switch: return readSwitch(say, word, current);
    case SettingKind::Share: return readShare(say, setting, word);
    case SettingKind::Size:
    case SettingKind::Level:
    case SettingKind::Limit: break;
    }
    return readNumber(say, setting, word, current);
}

std::vector<std::string> settingChoices(const SettingDeclaration& setting)
{
    switch (setting.kind) {
    case SettingKind::Switch: return {"off", "on"};
    case SettingKind::Limit: return {"off", std::to_string(setting.most) + " a second"};
    case SettingKind::Share: {
        std::vector<std::string> choices = {"auto"};
        for (int share = setting.least; share <= setting.most; share += ShareStep)
            choices.push_back(std::to_string(share / 10) + " %");
        return choices;
    }
    case SettingKind::Level: {
        std::vector<std::string> choices;
        for (int level = setting.least; level <= setting.most; ++level)
            choices.push_back(std::to_string(level));
        return choices;
    }
    case SettingKind::Size: break;
    }
    return {};
}

int choiceOfValue(const SettingDeclaration& setting, int value)
{
    switch (setting.kind) {
    case SettingKind::Switch:
    case SettingKind::Limit: return value != 0 ? 1 : 0;
    case SettingKind::Share: {
        if (value == 0)
            return 0;
        // A hand-written share shows as the nearest step.
        const int steps = (setting.most - setting.least) / ShareStep;
        return 1 + std::clamp(static_cast<int>(std::lround((value - setting.least) / double(ShareStep))), 0, steps);
    }
    case SettingKind::Level: return std::clamp(value, setting.least, setting.most) - setting.least;
    case SettingKind::Size: break;
    }
    return 0;
}

int valueOfChoice(const SettingDeclaration& setting, int choice)
{
    switch (setting.kind) {
    case SettingKind::Switch: return choice != 0 ? 1 : 0;
    case SettingKind::Limit: return choice != 0 ? setting.most : 0;
    case SettingKind::Share: return choice <= 0 ? 0 : heldToRange(setting, setting.least + ShareStep * (choice - 1));
    case SettingKind::Level: return heldToRange(setting, setting.least + choice);
    case SettingKind::Size: break;
    }
    return choice;
}
