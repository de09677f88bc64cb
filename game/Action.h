#pragma once
// What a key or a pad button asks of the game, whichever key it was: the one
// table from keys to actions is app/KeyMap.h. The moves in play that change
// the game are what a recording keeps (see RecordedInput.h).
#include <cstdint>

enum class Action : uint8_t {
    // A key with no task where it was pressed; the menu still clicks on it.
    Unbound,

    // ---- moves in play: they change the game, so a recording keeps them ----
    SlideLeft,
    SlideRight,
    DropFaster,
    TurnClockwise,
    TurnAnticlockwise,
    Pause,
    LevelUp,
    MoveLight, // a new goal for the spot light, drawn from the scenery's random stream

    // ---- play, besides the moves ----
    LeaveGame,
    CameraCloser,
    CameraFarther,
    ReloadShaders,

    // ---- the menu ----
    PreviousItem,
    NextItem,
    Choose,
    Quit,
    PickEntry1, // PickEntry1..PickEntry10 point at entries 1..10 of the list
    PickEntry2,
    PickEntry3,
    PickEntry4,
    PickEntry5,
    PickEntry6,
    PickEntry7,
    PickEntry8,
    PickEntry9,
    PickEntry10,

    // ---- typing a high-score name ----
    EraseLetter,
    FinishName,
    // A pad's way: pick a letter, keep or drop it, and finish with it.
    NextLetter,
    PreviousLetter,
    KeepLetter,
    DropLetter,
    FinishNameWithLetter,

    // ---- the options screen ----
    OptionUp,
    OptionDown,
    OptionLeft,
    OptionRight,
    OptionTake,
    OptionBack,

    // ---- help over the game, in every state ----
    ShowHelp,
    HideHelp,

    // ---- the picture, in every state ----
    ToggleBloom,
    ToggleFilter,
    ToggleShadow,
    ToggleMirror,
    ToggleFrameRate,
    CalmSway,
    WidenSway,
    ToggleFrameLimit,
    Screenshot,

    // ---- watching a replay ----
    PauseReplay,
    FasterReplay,
    SlowerReplay,
    EndReplay,
};

// The high-score entry (0 the best) a PickEntry action points at, or -1.
constexpr int pickedEntry(Action action)
{
    const int n = static_cast<int>(action) - static_cast<int>(Action::PickEntry1);
    return n >= 0 && n < 10 ? n : -1;
}
