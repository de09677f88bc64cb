#pragma once
// The one table of what each key and pad button means: keys become actions
// here and nowhere else, and everything above (the flow, the recorder, the
// replay, the loop) reads actions.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "game/Action.h"
#include "game/HeldKeys.h"

class CInputSource;
class CKeyBindings;

// Where a key is pressed: what it means depends on it. GameOver is the
// moment between the end of a game and the menu, where only a screenshot
// can be taken.
enum class KeyContext { Playing, Menu, NameEntry, Options, Help, Replay, GameOver };

// The action a key press asks for here. Unbound for a keyboard key with no
// task here (the menu still clicks on it); none for a press that must do
// nothing at all (a pad button with no task here, any key the replay does
// not take).
// A digit in the menu asks for PickEntry with the entry it points at.
std::optional<ActionRequest> actionForKey(int key, KeyContext context);

// Which presses act: a key held down repeats its press, and most repeats act
// as presses do (a turn, a step through the menu, a letter erased), except
// - in play, the repeats of the held moves (slide, drop faster): holding
//   drives them, and each press of Left or Right is a column of its own;
// - while a name is typed, the repeats of a key that went down before the
//   name was asked for (Enter or Down still held from play), and the
//   characters they type.
class CPressFilter {
public:
    bool counts(int key, bool repeat, KeyContext context, Action action);
    // Whether the characters typed by the last key press go into the name.
    bool typingCounts() const { return lastPressCounted; }

private:
    std::set<int> pressedWhileNaming;
    bool lastPressCounted = true;
};

// The moves held down at this moment (left, right, down), as the board polls
// them: the one way a held key reaches the game.
HeldKeys heldMoves(const CInputSource& input);

// The controls page's tables, made from the key table: the keyboard's and
// the pad's, one "keys<TAB>what they do" line each (see COptionsMenu).
// A move the player put on keys of their own shows with them.
std::vector<std::string> keyboardControls(const CKeyBindings& bindings);
std::vector<std::string> padControls(const CKeyBindings& bindings);

// The same with the keys and pad buttons the player chose for the moves of
// play (app/KeyBindings.h): in play a chosen key does its move, and a key the
// table gives a move the player put elsewhere does nothing.
std::optional<ActionRequest> actionForKey(int key, KeyContext context, const CKeyBindings& bindings);
HeldKeys heldMoves(const CInputSource& input, const CKeyBindings& bindings);
// What a key does in play besides the moves a player chooses keys for, as the
// controls page says it ("move the light"); "" for nothing.
std::string playUseOf(int key);
