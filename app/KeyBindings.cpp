#include "app/KeyBindings.h"

#include "app/KeyMap.h"
#include "files/FileProblems.h"
#include "platform/KeyNames.h"
#include "platform/VirtualKeys.h"
#include "xml/XmlDocument.h"

namespace {

constexpr std::array<BindableMove, BindableMoveCount> Moves = {{
    // action                     attribute     label                     key          pad button
    {Action::SlideLeft,          "left",      "Slide left",              vk::Left,     vk::PadLeft},
    {Action::SlideRight,         "right",     "Slide right",             vk::Right,    vk::PadRight},
    {Action::DropFaster,         "down",      "Drop faster",             vk::Down,     vk::PadDown},
    {Action::TurnClockwise,      "turnright", "Turn clockwise",          vk::Up,       vk::PadA},
    {Action::TurnAnticlockwise,  "turnleft",  "Turn counter-clockwise",  vk::Shift,    vk::PadB},
    {Action::Pause,              "pause",     "Pause",                   vk::Pause,    vk::PadStart},
    {Action::LeaveGame,          "menu",      "Back to the menu",        vk::Escape,   vk::PadBack},
}};

bool isPadButton(int key) { return !padButtonName(key).empty(); }

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

} // namespace

const std::array<BindableMove, BindableMoveCount>& bindableMoves() { return Moves; }

int bindableMoveOf(Action action)
{
    for (int move = 0; move < BindableMoveCount; ++move)
        if (Moves[static_cast<size_t>(move)].action == action)
            return move;
    return -1;
}

CKeyBindings::CKeyBindings()
{
    for (size_t move = 0; move < Moves.size(); ++move) {
        keys[move] = Moves[move].defaultKey;
        buttons[move] = Moves[move].defaultButton;
    }
}

bool CKeyBindings::keepsDefault(int move) const
{
    const BindableMove& defaults = Moves[static_cast<size_t>(move)];
    return key(move) == defaults.defaultKey && button(move) == defaults.defaultButton;
}

std::optional<Action> CKeyBindings::actionOf(int keyOrButton) const
{
    if (keyOrButton == 0)
        return std::nullopt;
    for (size_t move = 0; move < Moves.size(); ++move)
        if (keys[move] == keyOrButton || buttons[move] == keyOrButton)
            return Moves[move].action;
    return std::nullopt;
}

std::optional<Action> CKeyBindings::inPlay(int keyOrButton, std::optional<Action> fromTable) const
{
    if (const std::optional<Action> bound = actionOf(keyOrButton))
        return bound;
    const int move = fromTable ? bindableMoveOf(*fromTable) : -1;
    if (move < 0)
        return fromTable;
    const BindableMove& defaults = Moves[static_cast<size_t>(move)];
    const bool moved = isPadButton(keyOrButton) ? button(move) != defaults.defaultButton
                                                : key(move) != defaults.defaultKey;
    return moved ? std::optional<Action>(Action::Unbound) : fromTable;
}

std::optional<std::string> CKeyBindings::bind(int move, int keyOrButton, const std::string& takenInPlay)
{
    if (move < 0 || move >= BindableMoveCount)
        return "no such move";
    const bool pad = isPadButton(keyOrButton);
    const std::string name = pad ? padButtonName(keyOrButton) : keyName(keyOrButton);
    if (name.empty())
        return "that key cannot be chosen";
    if (const std::optional<Action> other = actionOf(keyOrButton)) {
        if (*other == Moves[static_cast<size_t>(move)].action)
            return std::nullopt; // already there
        return name + " is already " + lowerFirst(Moves[static_cast<size_t>(bindableMoveOf(*other))].label);
    }
    if (!takenInPlay.empty())
        return name + " already does " + takenInPlay;
    (pad ? buttons : keys)[static_cast<size_t>(move)] = keyOrButton;
    return std::nullopt;
}

// Every value is read first and the clashes found after, so a file may move
// two keys round (left on Right, right on Left). Of two moves on one key, a
// move that has it by default keeps it, or else the first the file gives it
// to; the other is said and keeps its default.
void CKeyBindings::read(const CXmlNode& root, const std::string& file)
{
    if (root.isNull())
        return;
    for (const bool pad : {false, true}) {
        const char* element = pad ? "padbuttons" : "keys";
        const CXmlNode node = root.findChild(element);
        if (node.isNull())
            continue;
        std::array<int, BindableMoveCount>& slots = pad ? buttons : keys;
        std::array<bool, BindableMoveCount> chosen{};
        auto where = [&](int move) {
            const char* attribute = Moves[static_cast<size_t>(move)].attribute;
            return std::string("<") + element + " " + attribute + "=\"" +
                   printableText(node.attribute(attribute), 40) + "\">";
        };
        auto keeps = [&](int move) {
            const BindableMove& bindable = Moves[static_cast<size_t>(move)];
            const int byDefault = pad ? bindable.defaultButton : bindable.defaultKey;
            return byDefault == 0 ? std::string("it is left free")
                                  : "the default, " + (pad ? padButtonName(byDefault) : keyName(byDefault)) +
                                        ", is used";
        };
        for (int move = 0; move < BindableMoveCount; ++move) {
            const char* attribute = Moves[static_cast<size_t>(move)].attribute;
            if (!node.hasAttribute(attribute))
                continue;
            const std::string text = node.attribute(attribute);
            const int code = pad ? padButtonFromName(text) : keyFromName(text);
            if (code == 0) {
                reportFileProblem(file, where(move) + (pad ? " names no pad button" : " names no key"), keeps(move));
                continue;
            }
            if (const std::string use = playUseOf(code); !use.empty()) {
                reportFileProblem(file, where(move) + ": that key already does " + use + " in play", keeps(move));
                continue;
            }
            slots[static_cast<size_t>(move)] = code;
            chosen[static_cast<size_t>(move)] = true;
        }
        for (int move = 0; move < BindableMoveCount; ++move)
            for (int other = 0; other < BindableMoveCount; ++other) {
                const size_t m = static_cast<size_t>(move), o = static_cast<size_t>(other);
                if (other == move || slots[m] == 0 || slots[m] != slots[o] || !chosen[m])
                    continue;
                if (chosen[o] && other > move)
                    continue; // the later one gives way
                reportFileProblem(file, where(move) + ": that is " + lowerFirst(Moves[o].label) + "'s already",
                                  keeps(move));
                const BindableMove& bindable = Moves[m];
                slots[m] = pad ? bindable.defaultButton : bindable.defaultKey;
                chosen[m] = false;
            }
        // A default that the file gave to another move leaves both on it:
        // all go back to their defaults rather than one key doing two moves.
        for (size_t a = 0; a < slots.size(); ++a)
            for (size_t b = a + 1; b < slots.size(); ++b)
                if (slots[a] != 0 && slots[a] == slots[b]) {
                    reportFileProblem(file, std::string("<") + element + ">: " + (pad ? padButtonName(slots[a]) : keyName(slots[a])) +
                                                " would do two moves",
                                      "every move keeps its default");
                    for (size_t m = 0; m < slots.size(); ++m)
                        slots[m] = pad ? Moves[m].defaultButton : Moves[m].defaultKey;
                }
    }
}

std::string boundKeyName(const CKeyBindings& bindings, int move) { return keyName(bindings.key(move)); }

std::string boundButtonName(const CKeyBindings& bindings, int move)
{
    return padButtonName(bindings.button(move));
}
