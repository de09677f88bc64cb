#pragma once
// The moves of play a player may put on keys and pad buttons of their own
// choosing: slide left and right, drop faster, turn either way, pause, and
// back to the menu. Each has one keyboard key and one pad button. They are
// kept in settings.xml inside <settings> as <keys .../> and <padbuttons
// .../>, one attribute per move named as the help names it, with SDL's key
// and button names as values ("Left", "Left Shift", "A"; "a", "start").
//
// A move that keeps its default key also keeps the key's companions in the
// key table (P pauses as Pause does, the pad's up turns as A does); once the
// player puts it elsewhere, only the chosen key does it.
#include <array>
#include <optional>
#include <string>

#include "game/Action.h"

class CXmlNode;

struct BindableMove {
    Action action;
    // In <keys> and <padbuttons>, and in the help.
    const char* attribute;
    // The row of the controls page.
    const char* label;
    int defaultKey;
    int defaultButton;
};

constexpr int BindableMoveCount = 7;
const std::array<BindableMove, BindableMoveCount>& bindableMoves();
// The move's place in the table, or -1 for an action no key is chosen for.
int bindableMoveOf(Action action);

class CKeyBindings {
public:
    // Every move on its default key and button.
    CKeyBindings();

    int key(int move) const { return keys[static_cast<size_t>(move)]; }
    int button(int move) const { return buttons[static_cast<size_t>(move)]; }
    bool keepsDefault(int move) const;
    // The move a key or pad button is bound to, or none.
    std::optional<Action> actionOf(int keyOrButton) const;
    // What a key or button pressed in play asks for, given what the key
    // table says it does there: a chosen key its move; a key the table gives
    // a move that the player has put on another key (or button) nothing; any
    // other key what the table says.
    std::optional<Action> inPlay(int keyOrButton, std::optional<Action> fromTable) const;

    // Puts the move on the key, or on the pad button if it is one. Refused,
    // with the line that says why ("Up is already turn clockwise"), when
    // another move has it; `takenInPlay` names what else the key does in
    // play, if anything ("" for nothing), and such a key is refused too.
    std::optional<std::string> bind(int move, int keyOrButton, const std::string& takenInPlay = "");
    void restoreDefaults() { *this = CKeyBindings(); }

    // Reads <keys> and <padbuttons> of the settings' root. A value that
    // names no key (or button), one another move has, or a key with a use
    // of its own in play (Space moves the light) says one line on standard
    // error and keeps the default.
    void read(const CXmlNode& root, const std::string& file);

    bool operator==(const CKeyBindings&) const = default;

private:
    std::array<int, BindableMoveCount> keys{};
    std::array<int, BindableMoveCount> buttons{};
};

// The move's key and button as the player reads them: "Left", "Left Shift", "a".
std::string boundKeyName(const CKeyBindings& bindings, int move);
std::string boundButtonName(const CKeyBindings& bindings, int move);
