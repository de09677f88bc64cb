#include "app/KeyMap.h"

#include <array>

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
};

constexpr std::optional<Action> Nothing = std::nullopt;
constexpr Action Unbound = Action::Unbound;

// A pad's directions (d-pad and left stick) and its four buttons stand for
// what the matching key does in each place, but for the name: the keyboard
// types it, so its arrows do nothing there, while a pad enters it alone: up
// and down pick a letter, A (or right) keeps it, B (or left) drops it, Start
// keeps the name. On the options screen B and Back go back; in the menu Back
// shows the help and B closes the high-score list. P pauses as Pause does:
// many laptops have no Pause key. While a name is typed, letters and Space
// are the name's own: B, F, L, M and Space switch nothing there.
constexpr std::array<KeyMeaning, 35> KeyTable = {{
    // key            playing                    menu                     name entry                    options                   replay
    {vk::Left,        Action::SlideLeft,         Action::PreviousItem,    Unbound,                      Action::OptionLeft,       Action::SlowerReplay},
    {vk::Right,       Action::SlideRight,        Action::NextItem,        Unbound,                      Action::OptionRight,      Action::FasterReplay},
    {vk::Up,          Action::TurnClockwise,     Action::PreviousItem,    Unbound,                      Action::OptionUp,         Nothing},
    {vk::Down,        Action::DropFaster,        Action::NextItem,        Unbound,                      Action::OptionDown,       Nothing},
    {vk::PadLeft,     Action::SlideLeft,         Action::PreviousItem,    Action::DropLetter,           Action::OptionLeft,       Action::SlowerReplay},
    {vk::PadRight,    Action::SlideRight,        Action::NextItem,        Action::KeepLetter,           Action::OptionRight,      Action::FasterReplay},
    {vk::PadUp,       Action::TurnClockwise,     Action::PreviousItem,    Action::NextLetter,           Action::OptionUp,         Nothing},
    {vk::PadDown,     Action::DropFaster,        Action::NextItem,        Action::PreviousLetter,       Action::OptionDown,       Nothing},
    {vk::Shift,       Action::TurnAnticlockwise, Unbound,                 Unbound,                      Unbound,                  Nothing},
    {vk::Pause,       Action::Pause,             Unbound,                 Unbound,                      Unbound,                  Action::PauseReplay},
    {letterKey('P'),  Action::Pause,             Unbound,                 Unbound,                      Unbound,                  Action::PauseReplay},
    {vk::Return,      Unbound,                   Action::Choose,          Action::FinishName,           Action::OptionTake,       Nothing},
    {vk::Escape,      Action::LeaveGame,         Action::Quit,            Action::FinishName,           Action::OptionBack,       Action::EndReplay},
    {vk::Backspace,   Unbound,                   Unbound,                 Action::EraseLetter,          Action::OptionBack,       Nothing},
    {vk::Space,       Action::MoveLight,         Action::MoveLight,       Unbound,                      Action::MoveLight,        Nothing},
    {vk::PageUp,      Action::CameraCloser,      Unbound,                 Unbound,                      Unbound,                  Action::CameraCloser},
    {vk::PageDown,    Action::CameraFarther,     Unbound,                 Unbound,                      Unbound,                  Action::CameraFarther},
    {vk::F1,          Action::ShowHelp,          Action::ShowHelp,        Action::ShowHelp,             Action::ShowHelp,         Nothing},
    {vk::F5,          Action::ReloadShaders,     Unbound,                 Unbound,                      Unbound,                  Nothing},
    {vk::F11,         Action::LevelUp,           Unbound,                 Unbound,                      Unbound,                  Nothing},
    {letterKey('B'),  Action::ToggleBloom,       Action::ToggleBloom,     Unbound,                      Action::ToggleBloom,      Action::ToggleBloom},
    {letterKey('F'),  Action::ToggleFilter,      Action::ToggleFilter,    Unbound,                      Action::ToggleFilter,     Action::ToggleFilter},
    {letterKey('L'),  Action::ToggleShadow,      Action::ToggleShadow,    Unbound,                      Action::ToggleShadow,     Action::ToggleShadow},
    {letterKey('M'),  Action::ToggleMirror,      Action::ToggleMirror,    Unbound,                      Action::ToggleMirror,     Action::ToggleMirror},
    {vk::F2,          Action::ToggleFrameRate,   Action::ToggleFrameRate, Action::ToggleFrameRate,      Action::ToggleFrameRate,  Action::ToggleFrameRate},
    {vk::F3,          Action::CalmSway,          Action::CalmSway,        Action::CalmSway,             Action::CalmSway,         Action::CalmSway},
    {vk::F4,          Action::WidenSway,         Action::WidenSway,       Action::WidenSway,            Action::WidenSway,        Action::WidenSway},
    {vk::F6,          Action::ToggleFrameLimit,  Action::ToggleFrameLimit, Action::ToggleFrameLimit,    Action::ToggleFrameLimit, Action::ToggleFrameLimit},
    // The screenshot keys belong to the window: a replay can be photographed
    // too, and in the menu they do not click.
    {vk::F12,         Action::Screenshot,        Action::Screenshot,      Action::Screenshot,           Action::Screenshot,       Action::Screenshot},
    {vk::Snapshot,    Action::Screenshot,        Action::Screenshot,      Action::Screenshot,           Action::Screenshot,       Action::Screenshot},
    {vk::PadA,        Action::TurnClockwise,     Action::Choose,          Action::KeepLetter,           Action::OptionTake,       Nothing},
    {vk::PadB,        Action::TurnAnticlockwise, Action::CloseList,       Action::DropLetter,           Action::OptionBack,       Nothing},
    {vk::PadStart,    Action::Pause,             Action::Choose,          Action::FinishNameWithLetter, Action::OptionTake,       Action::PauseReplay},
    {vk::PadBack,     Action::LeaveGame,         Action::ShowHelp,        Nothing,                      Action::OptionBack,       Action::EndReplay},
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

} // namespace

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
