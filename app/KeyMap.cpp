#include "app/KeyMap.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "app/KeyBindings.h"
#include "app/SettingTable.h"

#include "platform/InputSource.h"
#include "platform/VirtualKeys.h"

namespace {

constexpr int letterKey(char letter) { return vk::LetterA + (letter - 'A'); }

// What one key means in each place. The letters of a name arrive as typed
// characters, not as keys, so the picture's letter keys act while a name is
// typed as they do everywhere.
struct KeyMeaning {
    int key;
    std::optional<Action> playing;
    std::optional<Action> menu;
    std::optional<Action> nameEntry;
    std::optional<Action> options;
    std::optional<Action> replay;
    // How the controls page names the key, and what it says the key does in
    // play ("" for nothing). Keys whose texts share a stem before "|" go on
    // one line, two at most ("PgUp / PgDn  camera in / out"); a key that
    // flips a setting says what its row of the setting table says.
    const char* name;
    const char* help;
};

constexpr std::optional<Action> Nothing = std::nullopt;
constexpr Action Unbound = Action::Unbound;
constexpr const char* FromSetting = nullptr;

// A pad's directions (d-pad and left stick) and its four buttons stand for
// what the matching key does in each place, but for the name: the keyboard
// types it, so its arrows do nothing there, while a pad enters it alone: up
// and down pick a letter, A (or right) keeps it, B (or left) drops it, Start
// keeps the name. On the options screen B and Back go back; in the menu Back
// shows the help and B closes the high-score list. P pauses as Pause does:
// many laptops have no Pause key. While a name is typed, letters and Space
// are the name's own: B, F, L, M and Space switch nothing there.
constexpr std::array<KeyMeaning, 34> KeyTable = {{
    // key            playing                     menu                       name entry                     options                    replay                     shown as      what it does on the controls page
    {vk::Left,        Action::SlideLeft,          Action::PreviousItem,      Unbound,                       Action::OptionLeft,        Action::SlowerReplay,      "Left",       "slide the piece"},
    {vk::Right,       Action::SlideRight,         Action::NextItem,          Unbound,                       Action::OptionRight,       Action::FasterReplay,      "Right",      "slide the piece"},
    {vk::Down,        Action::DropFaster,         Action::NextItem,          Unbound,                       Action::OptionDown,        Nothing,                   "Down",       "drop faster (held)"},
    {vk::Up,          Action::TurnClockwise,      Action::PreviousItem,      Unbound,                       Action::OptionUp,          Nothing,                   "Up",         "turn|right"},
    {vk::Shift,       Action::TurnAnticlockwise,  Unbound,                   Unbound,                       Unbound,                   Nothing,                   "Shift",      "turn|left"},
    {vk::Pause,       Action::Pause,              Unbound,                   Unbound,                       Unbound,                   Action::PauseReplay,       "Pause",      "pause, go on"},
    {letterKey('P'),  Action::Pause,              Unbound,                   Unbound,                       Unbound,                   Action::PauseReplay,       "P",          "pause, go on"},
    {vk::Return,      Unbound,                    Action::Choose,            Action::FinishName,            Action::OptionTake,        Nothing,                   "Enter",      ""},
    {vk::Escape,      Action::LeaveGame,          Action::Quit,              Action::FinishName,            Action::OptionBack,        Action::EndReplay,         "Escape",     "back to the menu"},
    {vk::Backspace,   Unbound,                    Unbound,                   Action::EraseLetter,           Action::OptionBack,        Nothing,                   "Backspace",  ""},
    {vk::Space,       Action::MoveLight,          Action::MoveLight,         Unbound,                       Action::MoveLight,         Nothing,                   "Space",      "move the light"},
    {vk::PageUp,      Action::CameraCloser,       Unbound,                   Unbound,                       Unbound,                   Action::CameraCloser,      "PgUp",       "camera|in"},
    {vk::PageDown,    Action::CameraFarther,      Unbound,                   Unbound,                       Unbound,                   Action::CameraFarther,     "PgDn",       "camera|out"},
    {vk::F1,          Action::ShowHelp,           Action::ShowHelp,          Action::ShowHelp,              Action::ShowHelp,          Nothing,                   "F1",         "help (this page)"},
    {vk::F5,          Action::ReloadShaders,      Unbound,                   Unbound,                       Unbound,                   Nothing,                   "F5",         "reload the shaders"},
    {vk::F11,         Action::LevelUp,            Unbound,                   Unbound,                       Unbound,                   Nothing,                   "F11",        "next level"},
    {letterKey('B'),  Action::ToggleBloom,        Action::ToggleBloom,       Unbound,                       Action::ToggleBloom,       Action::ToggleBloom,       "B",          FromSetting},
    {letterKey('F'),  Action::ToggleFilter,       Action::ToggleFilter,      Unbound,                       Action::ToggleFilter,      Action::ToggleFilter,      "F",          FromSetting},
    {letterKey('L'),  Action::ToggleShadow,       Action::ToggleShadow,      Unbound,                       Action::ToggleShadow,      Action::ToggleShadow,      "L",          FromSetting},
    {letterKey('M'),  Action::ToggleMirror,       Action::ToggleMirror,      Unbound,                       Action::ToggleMirror,      Action::ToggleMirror,      "M",          FromSetting},
    {vk::F2,          Action::ToggleFrameRate,    Action::ToggleFrameRate,   Action::ToggleFrameRate,       Action::ToggleFrameRate,   Action::ToggleFrameRate,   "F2",         FromSetting},
    {vk::F6,          Action::ToggleFrameLimit,   Action::ToggleFrameLimit,  Action::ToggleFrameLimit,      Action::ToggleFrameLimit,  Action::ToggleFrameLimit,  "F6",         FromSetting},
    {vk::F3,          Action::CalmSway,           Action::CalmSway,          Action::CalmSway,              Action::CalmSway,          Action::CalmSway,          "F3",         "sway|calmer"},
    {vk::F4,          Action::WidenSway,          Action::WidenSway,         Action::WidenSway,             Action::WidenSway,         Action::WidenSway,         "F4",         "sway|wider"},
    // The screenshot keys belong to the window: a replay can be photographed
    // too, and in the menu they do not click.
    {vk::F12,         Action::Screenshot,         Action::Screenshot,        Action::Screenshot,            Action::Screenshot,        Action::Screenshot,        "F12",        "screenshot"},
    {vk::Snapshot,    Action::Screenshot,         Action::Screenshot,        Action::Screenshot,            Action::Screenshot,        Action::Screenshot,        "PrtSc",      "screenshot"},
    {vk::PadA,        Action::TurnClockwise,      Action::Choose,            Action::KeepLetter,            Action::OptionTake,        Nothing,                   "A",          "turn right; take"},
    {vk::PadB,        Action::TurnAnticlockwise,  Action::CloseList,         Action::DropLetter,            Action::OptionBack,        Nothing,                   "B",          "turn left; back"},
    {vk::PadStart,    Action::Pause,              Action::Choose,            Action::FinishNameWithLetter,  Action::OptionTake,        Action::PauseReplay,       "Start",      "pause; take"},
    {vk::PadBack,     Action::LeaveGame,          Action::ShowHelp,          Nothing,                       Action::OptionBack,        Action::EndReplay,         "Back",       "leave; help in menu"},
    // The pad's directions: one line, "d-pad", on the controls page.
    {vk::PadLeft,     Action::SlideLeft,          Action::PreviousItem,      Action::DropLetter,            Action::OptionLeft,        Action::SlowerReplay,      "left",       ""},
    {vk::PadRight,    Action::SlideRight,         Action::NextItem,          Action::KeepLetter,            Action::OptionRight,       Action::FasterReplay,      "right",      ""},
    {vk::PadDown,     Action::DropFaster,         Action::NextItem,          Action::PreviousLetter,        Action::OptionDown,        Nothing,                   "down",       ""},
    {vk::PadUp,       Action::TurnClockwise,      Action::PreviousItem,      Action::NextLetter,            Action::OptionUp,          Nothing,                   "up",         ""},
}};

// While the high-score list shows, 1 to 9 and 0 pick entry 1 to 10 to watch.
std::optional<ActionRequest> digitAction(int key, KeyContext context)
{
    switch (context) {
    case KeyContext::Menu: {
        const int digit = key - vk::Digit0;
        return ActionRequest{Action::PickEntry, digit == 0 ? 9 : digit - 1}; // 1 the best, 0 the tenth
    }
    case KeyContext::Replay: return Nothing;
    default: return Unbound;
    }
}

bool isPadButton(int key) { return key >= vk::PadA; }

// What the controls page says a row's key does.
std::string helpOf(const KeyMeaning& meaning)
{
    if (meaning.help != FromSetting)
        return meaning.help;
    const std::optional<SettingId> setting = meaning.playing ? settingFlippedBy(*meaning.playing) : std::nullopt;
    return setting ? std::string("switch|") + declarationOf(*setting).help : std::string();
}

// The table's rows for the keyboard or the pad as "keys<TAB>what they do"
// lines, keys that do the same (or share a stem) joined on one line.
// A move the player put on a key (or button) of their own shows on its first
// row with that key, and its other rows go.
std::vector<std::string> helpLines(bool pad, const CKeyBindings& bindings)
{
    struct Line {
        std::string keys, stem;
        std::vector<std::string> tails;
    };
    std::vector<Line> lines;
    std::array<bool, BindableMoveCount> shown{};
    for (const KeyMeaning& meaning : KeyTable) {
        std::string help = helpOf(meaning);
        if (help.empty() || isPadButton(meaning.key) != pad)
            continue;
        std::string name = meaning.name;
        const int move = meaning.playing ? bindableMoveOf(*meaning.playing) : -1;
        const int chosen = move < 0 ? 0 : pad ? bindings.button(move) : bindings.key(move);
        const int byDefault = move < 0 ? 0 : pad ? bindableMoves()[size_t(move)].defaultButton
                                                 : bindableMoves()[size_t(move)].defaultKey;
        if (chosen != byDefault) {
            if (shown[size_t(move)] || chosen == 0)
                continue;
            shown[size_t(move)] = true;
            name = pad ? boundButtonName(bindings, move) : boundKeyName(bindings, move);
            if (pad && !name.empty())
                name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
            // What the table's button does elsewhere ("; take") is not the chosen one's.
            help = help.substr(0, help.find(';'));
        }
        const size_t bar = help.find('|');
        const std::string stem = help.substr(0, bar);
        const std::string tail = bar == std::string::npos ? "" : help.substr(bar + 1);
        Line* last = lines.empty() ? nullptr : &lines.back();
        if (last && last->stem == stem && last->tails.empty() == tail.empty() && last->tails.size() < 2) {
            last->keys += " / " + name;
            if (!tail.empty())
                last->tails.push_back(tail);
            continue;
        }
        lines.push_back({name, stem, tail.empty() ? std::vector<std::string>{} : std::vector{tail}});
    }
    std::vector<std::string> texts;
    for (const Line& line : lines) {
        std::string text = line.keys + "\t" + line.stem;
        for (size_t i = 0; i < line.tails.size(); ++i)
            text += (i == 0 ? " " : " / ") + line.tails[i];
        texts.push_back(text);
    }
    return texts;
}

} // namespace

std::vector<std::string> keyboardControls(const CKeyBindings& bindings)
{
    std::vector<std::string> lines = helpLines(false, bindings);
    // What the window and the mouse do, and the digits of the score list,
    // which are not rows of the table.
    for (const char* line : {"1 .. 9, 0\twatch score 1 .. 10", "drag\tmove the camera", "Alt+Enter\tfull screen"})
        lines.push_back(line);
    return lines;
}

std::vector<std::string> padControls(const CKeyBindings& bindings)
{
    std::vector<std::string> lines = {"d-pad\tslide, drop, turn"};
    for (const std::string& line : helpLines(true, bindings))
        lines.push_back(line);
    // Naming a score with the pad alone: the name entry's column of the
    // table; and what the keyboard does there, where only these keys act.
    for (const char* line : {"", "A name, with the pad:", "up / down\tpick a letter", "A / right\tnext letter",
                             "B / left\tdelete", "Start\tkeep the name", "", "A name, on the keyboard:",
                             "letters, Space\ttype it", "Backspace\tdelete", "Enter / Esc\tkeep the name",
                             "arrows\tnothing"})
        lines.push_back(line);
    return lines;
}

std::optional<ActionRequest> actionForKey(int key, KeyContext context)
{
    // The help hides at any key or button, which does nothing else; the
    // screenshot keys still take a picture of it.
    const bool screenshotKey = key == vk::F12 || key == vk::Snapshot;
    if (context == KeyContext::Help)
        return screenshotKey ? Action::Screenshot : Action::HideHelp;
    if (context == KeyContext::GameOver)
        return screenshotKey ? std::optional<ActionRequest>(Action::Screenshot) : Nothing;
    for (const KeyMeaning& meaning : KeyTable) {
        if (meaning.key != key)
            continue;
        std::optional<Action> action;
        switch (context) {
        case KeyContext::Playing: action = meaning.playing; break;
        case KeyContext::Menu: action = meaning.menu; break;
        case KeyContext::NameEntry: action = meaning.nameEntry; break;
        case KeyContext::Options: action = meaning.options; break;
        case KeyContext::Replay: action = meaning.replay; break;
        case KeyContext::Help:
        case KeyContext::GameOver: break;
        }
        if (!action)
            return Nothing;
        return ActionRequest{*action};
    }
    if (key >= vk::Digit0 && key <= vk::Digit0 + 9)
        return digitAction(key, context);
    return context == KeyContext::Replay ? Nothing : Unbound;
}

bool CPressFilter::counts(int key, bool repeat, KeyContext context, Action action)
{
    if (context != KeyContext::NameEntry)
        pressedWhileNaming.clear();
    bool counted = true;
    if (context == KeyContext::Playing && repeat)
        counted = action != Action::SlideLeft && action != Action::SlideRight && action != Action::DropFaster;
    if (context == KeyContext::NameEntry) {
        if (!repeat)
            pressedWhileNaming.insert(key);
        counted = pressedWhileNaming.count(key) > 0;
    }
    lastPressCounted = counted;
    return counted;
}

HeldKeys heldMoves(const CInputSource& input)
{
    HeldKeys held;
    for (const KeyMeaning& meaning : KeyTable) {
        if (!input.isHeld(meaning.key))
            continue;
        held.left |= meaning.playing == Action::SlideLeft;
        held.right |= meaning.playing == Action::SlideRight;
        held.down |= meaning.playing == Action::DropFaster;
    }
    return held;
}

std::optional<ActionRequest> actionForKey(int key, KeyContext context, const CKeyBindings& bindings)
{
    const std::optional<ActionRequest> fromTable = actionForKey(key, context);
    if (context != KeyContext::Playing)
        return fromTable;
    const std::optional<Action> action = bindings.inPlay(key, fromTable ? std::optional(fromTable->action) : std::nullopt);
    return action ? std::optional<ActionRequest>(*action) : std::nullopt;
}

HeldKeys heldMoves(const CInputSource& input, const CKeyBindings& bindings)
{
    HeldKeys held;
    auto take = [&](int key) {
        if (key == 0 || !input.isHeld(key))
            return;
        const std::optional<ActionRequest> request = actionForKey(key, KeyContext::Playing, bindings);
        const Action action = request ? request->action : Action::Unbound;
        held.left |= action == Action::SlideLeft;
        held.right |= action == Action::SlideRight;
        held.down |= action == Action::DropFaster;
    };
    for (const KeyMeaning& meaning : KeyTable)
        take(meaning.key);
    for (int move = 0; move < BindableMoveCount; ++move) {
        take(bindings.key(move));
        take(bindings.button(move));
    }
    return held;
}

std::string playUseOf(int key)
{
    for (const KeyMeaning& meaning : KeyTable) {
        if (meaning.key != key || !meaning.playing || *meaning.playing == Action::Unbound ||
            bindableMoveOf(*meaning.playing) >= 0)
            continue;
        std::string help = helpOf(meaning);
        std::replace(help.begin(), help.end(), '|', ' ');
        return help.empty() ? "something else" : help;
    }
    return {};
}
