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

// A pad's directions arrive as the arrow keys; its four buttons stand for
// what the matching key does in each place. A name can be entered with the
// pad alone: up and down pick a letter, A (or right) keeps it, B (or left)
// drops it, Start keeps the name. On the options screen B and Back go back;
// in the menu Back shows the help. P pauses as Pause does: many laptops have
// no Pause key. While a name is typed, letters and Space are the name's own:
// B, F, L, M and Space switch nothing there.
constexpr std::array<KeyMeaning, 31> KeyTable = {{
    // key            playing                    menu                     name entry                    options                   replay
    {vk::Left,        Action::SlideLeft,         Action::PreviousItem,    Action::DropLetter,           Action::OptionLeft,       Action::SlowerReplay},
    {vk::Right,       Action::SlideRight,        Action::NextItem,        Action::KeepLetter,           Action::OptionRight,      Action::FasterReplay},
    {vk::Up,          Action::TurnClockwise,     Action::PreviousItem,    Action::NextLetter,           Action::OptionUp,         Nothing},
    {vk::Down,        Action::DropFaster,        Action::NextItem,        Action::PreviousLetter,       Action::OptionDown,       Nothing},
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
    {vk::PadB,        Action::TurnAnticlockwise, Nothing,                 Action::DropLetter,           Action::OptionBack,       Nothing},
    {vk::PadStart,    Action::Pause,             Action::Choose,          Action::FinishNameWithLetter, Action::OptionTake,       Action::PauseReplay},
    {vk::PadBack,     Action::LeaveGame,         Action::ShowHelp,        Nothing,                      Action::OptionBack,       Action::EndReplay},
}};

// While the high-score list shows, 1 to 9 and 0 pick entry 1 to 10 to watch.
std::optional<Action> digitAction(int key, KeyContext context)
{
    switch (context) {
    case KeyContext::Menu: {
        const int entry = (key - vk::Digit0 + 9) % 10; // 1 the best, 0 the tenth
        return static_cast<Action>(static_cast<int>(Action::PickEntry1) + entry);
    }
    case KeyContext::Replay: return Nothing;
    default: return Unbound;
    }
}

} // namespace

std::optional<Action> actionForKey(int key, KeyContext context)
{
    // The help hides at any key or button, which does nothing else; the
    // screenshot keys still take a picture of it.
    if (context == KeyContext::Help)
        return key == vk::F12 || key == vk::Snapshot ? Action::Screenshot : Action::HideHelp;
    for (const KeyMeaning& meaning : KeyTable) {
        if (meaning.key != key)
            continue;
        switch (context) {
        case KeyContext::Playing: return meaning.playing;
        case KeyContext::Menu: return meaning.menu;
        case KeyContext::NameEntry: return meaning.nameEntry;
        case KeyContext::Options: return meaning.options;
        case KeyContext::Replay: return meaning.replay;
        case KeyContext::Help: return Action::HideHelp;
        }
    }
    if (key >= vk::Digit0 && key <= vk::Digit0 + 9)
        return digitAction(key, context);
    return context == KeyContext::Replay ? Nothing : Unbound;
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
