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
    // Escape: closes the high-score list while it shows, otherwise quits.
    Quit,
    // The pad's way back: closes the high-score list, and never quits.
    CloseList,
    // While the high-score list shows, points at an entry to watch: the
    // request carries which (see ActionRequest).
    PickEntry,

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

// An action as a key asks for it, with what it points at: the entry of the
// high-score list (0 the best) for PickEntry, nothing for the others. An
// action alone stands for its request, so most callers never see the struct.
struct ActionRequest {
    constexpr ActionRequest(Action action = Action::Unbound, int entry = -1) : action(action), entry(entry) {}
    bool operator==(const ActionRequest&) const = default;

    Action action;
    int entry;
};
