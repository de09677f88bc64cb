// The one table from keys to actions, and how a recording writes the moves.
#include "app/KeyMap.h"

#include <set>

#include <gtest/gtest.h>

#include "app/KeyBindings.h"
#include "app/SettingTable.h"
#include "game/RecordedInput.h"
#include "platform/InputSource.h"
#include "platform/VirtualKeys.h"

namespace {

class HeldSet : public CInputSource {
public:
    explicit HeldSet(std::set<int> keys) : keys(std::move(keys)) {}
    bool poll(InputMessage&) override { return false; }
    bool isHeld(int key) const override { return keys.contains(key); }
    bool isActive() const override { return true; }

private:
    std::set<int> keys;
};

} // namespace

// Recordings made before the keys became actions hold the keys' own codes:
// every move a key makes in play is written as that key's code, the pad's
// as the key it stands for, and read back as the same move.
TEST(KeyMap, MovesAreRecordedAsTheKeysThatFirstMadeThem)
{
    int moves = 0;
    for (int key = 1; key < 0x100; ++key) {
        const std::optional<ActionRequest> request = actionForKey(key, KeyContext::Playing);
        const std::optional<Action> action = request ? std::optional<Action>(request->action) : std::nullopt;
        const std::optional<uint16_t> code = action ? recordedCode(*action) : std::nullopt;
        if (!code)
            continue;
        ++moves;
        // P stands for Pause, as the pad's buttons stand for their keys.
        if (key < vk::PadA && key != vk::LetterA + ('P' - 'A')) {
            EXPECT_EQ(*code, key) << key;
        }
        EXPECT_EQ(recordedAction(*code), action) << key;
    }
    EXPECT_EQ(moves, 16); // eight keys, P, and the pad's A, B, Start and four directions
    EXPECT_EQ(*recordedCode(Action::TurnClockwise), vk::Up);
    EXPECT_EQ(*recordedCode(Action::TurnAnticlockwise), vk::Shift);
    EXPECT_FALSE(recordedCode(Action::CameraCloser));
    EXPECT_FALSE(recordedAction(vk::Escape)); // no game records it: passed over
    EXPECT_EQ(heldFromRecording(recordedHeld({true, false, true})).down, true);
    EXPECT_EQ(recordedHeld(heldFromRecording(7)), 7);
}

// The same key means what the place it is pressed in needs; a pad button with
// no task there does nothing at all, where a keyboard key still clicks in the menu.
TEST(KeyMap, AKeyMeansWhatItsPlaceNeeds)
{
    EXPECT_EQ(actionForKey(vk::Left, KeyContext::Playing), Action::SlideLeft);
    EXPECT_EQ(actionForKey(vk::Left, KeyContext::Menu), Action::PreviousItem);
    EXPECT_EQ(actionForKey(vk::Left, KeyContext::Replay), Action::SlowerReplay);
    EXPECT_EQ(actionForKey(vk::PadStart, KeyContext::Playing), Action::Pause);
    EXPECT_EQ(actionForKey(vk::PadA, KeyContext::NameEntry), Action::KeepLetter);
    EXPECT_EQ(actionForKey(vk::PadStart, KeyContext::NameEntry), Action::FinishNameWithLetter);
    EXPECT_EQ(actionForKey(vk::Return, KeyContext::NameEntry), Action::FinishName);
    EXPECT_EQ(actionForKey(vk::PadBack, KeyContext::NameEntry), std::nullopt);
    // The letters and Space of a typed name switch no effect and move no light.
    for (char letter : {'B', 'F', 'L', 'M'})
        EXPECT_EQ(actionForKey(vk::LetterA + (letter - 'A'), KeyContext::NameEntry), Action::Unbound) << letter;
    EXPECT_EQ(actionForKey(vk::Space, KeyContext::NameEntry), Action::Unbound);
    EXPECT_EQ(actionForKey(vk::PadB, KeyContext::Options), Action::OptionBack);
    EXPECT_EQ(actionForKey(vk::Left, KeyContext::Options), Action::OptionLeft);
    EXPECT_EQ(actionForKey(vk::PadBack, KeyContext::Menu), Action::ShowHelp);
    EXPECT_EQ(actionForKey(vk::F1, KeyContext::Playing), Action::ShowHelp);
    // The help hides at any key, which does nothing else; pictures still work.
    EXPECT_EQ(actionForKey(vk::Escape, KeyContext::Help), Action::HideHelp);
    EXPECT_EQ(actionForKey(vk::PadB, KeyContext::Help), Action::HideHelp);
    EXPECT_EQ(actionForKey(vk::F12, KeyContext::Help), Action::Screenshot);
    // B closes the high-score list; unlike Escape it never quits.
    EXPECT_EQ(actionForKey(vk::PadB, KeyContext::Menu), Action::CloseList);
    EXPECT_EQ(actionForKey(vk::Escape, KeyContext::Menu), Action::Quit);
    EXPECT_EQ(actionForKey(vk::LetterA + ('X' - 'A'), KeyContext::Menu), Action::Unbound);
    EXPECT_EQ(actionForKey(vk::Up, KeyContext::Replay), std::nullopt);
    EXPECT_EQ(actionForKey(vk::Digit0 + 1, KeyContext::Menu), ActionRequest(Action::PickEntry, 0));
    EXPECT_EQ(actionForKey(vk::Digit0 + 9, KeyContext::Menu), ActionRequest(Action::PickEntry, 8));
    EXPECT_EQ(actionForKey(vk::Digit0, KeyContext::Menu), ActionRequest(Action::PickEntry, 9));
    // The keyboard types a name and its arrows do nothing there; the pad's
    // directions pick its letters, and mean elsewhere what the arrows mean.
    for (int arrow : {vk::Left, vk::Right, vk::Up, vk::Down})
        EXPECT_EQ(actionForKey(arrow, KeyContext::NameEntry), Action::Unbound) << arrow;
    EXPECT_EQ(actionForKey(vk::PadUp, KeyContext::NameEntry), Action::NextLetter);
    EXPECT_EQ(actionForKey(vk::PadLeft, KeyContext::NameEntry), Action::DropLetter);
    EXPECT_EQ(actionForKey(vk::PadRight, KeyContext::Playing), Action::SlideRight);
    EXPECT_EQ(actionForKey(vk::PadDown, KeyContext::Menu), Action::NextItem);
    // The moment after a game ends takes nothing but a screenshot.
    EXPECT_EQ(actionForKey(vk::Return, KeyContext::GameOver), std::nullopt);
    EXPECT_EQ(actionForKey(vk::F12, KeyContext::GameOver), Action::Screenshot);
    EXPECT_EQ(actionForKey(vk::Digit0 + 1, KeyContext::Playing), Action::Unbound);
    for (KeyContext place : {KeyContext::Playing, KeyContext::Menu, KeyContext::NameEntry, KeyContext::Options,
                             KeyContext::Help, KeyContext::Replay}) {
        EXPECT_EQ(actionForKey(vk::F12, place), Action::Screenshot);
        EXPECT_EQ(actionForKey(vk::Snapshot, place), Action::Screenshot);
    }

    const HeldKeys held = heldMoves(HeldSet({vk::Left, vk::Down, vk::Up, vk::PadA}));
    EXPECT_TRUE(held.left);
    EXPECT_FALSE(held.right);
    EXPECT_TRUE(held.down);
    EXPECT_TRUE(heldMoves(HeldSet({vk::PadRight})).right);
}

// A held key's repeats act as presses, but for the held moves in play and,
// while a name is typed, for the keys that were down before it was asked for.
TEST(KeyMap, RepeatsOfHeldMovesAndOfKeysHeldIntoTheNameDoNotAct)
{
    CPressFilter presses;
    EXPECT_TRUE(presses.counts(vk::Left, false, KeyContext::Playing, Action::SlideLeft));
    EXPECT_FALSE(presses.counts(vk::Left, true, KeyContext::Playing, Action::SlideLeft));
    EXPECT_FALSE(presses.counts(vk::Down, true, KeyContext::Playing, Action::DropFaster));
    EXPECT_TRUE(presses.counts(vk::Up, true, KeyContext::Playing, Action::TurnClockwise));
    EXPECT_TRUE(presses.counts(vk::Down, true, KeyContext::Menu, Action::NextItem));

    // Enter held from play: its repeats neither finish the name nor type.
    EXPECT_FALSE(presses.counts(vk::Return, true, KeyContext::NameEntry, Action::FinishName));
    EXPECT_FALSE(presses.typingCounts());
    // A letter pressed now types, and its repeats type on; Backspace erases on.
    EXPECT_TRUE(presses.counts(vk::LetterA, false, KeyContext::NameEntry, Action::Unbound));
    EXPECT_TRUE(presses.typingCounts());
    EXPECT_TRUE(presses.counts(vk::LetterA, true, KeyContext::NameEntry, Action::Unbound));
    EXPECT_TRUE(presses.counts(vk::Backspace, false, KeyContext::NameEntry, Action::EraseLetter));
    EXPECT_TRUE(presses.counts(vk::Backspace, true, KeyContext::NameEntry, Action::EraseLetter));
    EXPECT_TRUE(presses.counts(vk::Return, false, KeyContext::NameEntry, Action::FinishName));
    // The next name starts afresh: a key held from the game before is held again.
    EXPECT_TRUE(presses.counts(vk::Return, false, KeyContext::Menu, Action::Choose));
    EXPECT_FALSE(presses.counts(vk::LetterA, true, KeyContext::NameEntry, Action::Unbound));
}

// The controls page is made from the table: the keys of play are on it (F5,
// F11 and the digits too), keys that do the same share a line, and a key
// that flips a setting says what the setting's row says.
TEST(KeyMap, TheControlsPageListsEveryKeyOfPlay)
{
    std::string page;
    for (const std::string& line : keyboardControls(CKeyBindings())) {
        EXPECT_NE(line.find('\t'), std::string::npos) << line;
        page += line + "\n";
    }
    for (const char* shown : {"Left / Right\tslide the piece", "Up / Shift\tturn right / left", "Pause / P\t",
                              "F5\t", "F11\t", "1 .. 9, 0\t", "B / F\tswitch bloom / filter",
                              "F2 / F6\tswitch frame rate / frame limit", "F12 / PrtSc\tscreenshot"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown << "\n" << page;
    for (const SettingDeclaration& setting : settingTable()) {
        if (setting.key != Action::Unbound) {
            EXPECT_NE(page.find(setting.help), std::string::npos) << setting.attribute;
        }
    }
    std::string pad;
    for (const std::string& line : padControls(CKeyBindings()))
        pad += line + "\n";
    for (const char* shown : {"A\tturn right; take", "Start\tpause; take", "Back\tleave; help in menu"})
        EXPECT_NE(pad.find(shown), std::string::npos) << shown << "\n" << pad;
}

// Keys the player chose: in play the chosen key does the move and the key it
// replaced does nothing (nor its companion: P pauses only while Pause does),
// held keys slide and drop alike, the other places keep their keys, a key
// with a use of its own in play says it, and the controls show the choice.
TEST(KeyMap, AChosenKeyDrivesPlayAndTheKeyItReplacedDoesNot)
{
    const int W = vk::LetterA + 22, A = vk::LetterA, Q = vk::LetterA + 16;
    CKeyBindings keys;
    ASSERT_EQ(keys.bind(bindableMoveOf(Action::TurnClockwise), W), std::nullopt);
    ASSERT_EQ(keys.bind(bindableMoveOf(Action::SlideLeft), A), std::nullopt);
    ASSERT_EQ(keys.bind(bindableMoveOf(Action::Pause), Q), std::nullopt);
    ASSERT_EQ(keys.bind(bindableMoveOf(Action::TurnAnticlockwise), vk::PadStart), "start is already pause");

    EXPECT_EQ(actionForKey(W, KeyContext::Playing, keys), Action::TurnClockwise);
    EXPECT_EQ(actionForKey(vk::Up, KeyContext::Playing, keys), Action::Unbound);
    EXPECT_EQ(actionForKey(Q, KeyContext::Playing, keys), Action::Pause);
    EXPECT_EQ(actionForKey(vk::Pause, KeyContext::Playing, keys), Action::Unbound);
    EXPECT_EQ(actionForKey(vk::LetterA + 15, KeyContext::Playing, keys), Action::Unbound) << "P";
    // The pad keeps its buttons; the menu keeps its keys.
    EXPECT_EQ(actionForKey(vk::PadA, KeyContext::Playing, keys), Action::TurnClockwise);
    EXPECT_EQ(actionForKey(vk::PadStart, KeyContext::Playing, keys), Action::Pause);
    EXPECT_EQ(actionForKey(vk::Up, KeyContext::Menu, keys), Action::PreviousItem);
    EXPECT_EQ(actionForKey(W, KeyContext::Menu, keys), Action::Unbound);
    // The defaults change nothing.
    for (int key = 1; key < 0x100; ++key)
        for (KeyContext context : {KeyContext::Playing, KeyContext::Menu, KeyContext::Options})
            ASSERT_EQ(actionForKey(key, context, CKeyBindings()), actionForKey(key, context)) << key;

    const HeldKeys held = heldMoves(HeldSet({A, vk::Left, vk::Down}), keys);
    EXPECT_TRUE(held.left && !held.right && held.down);
    EXPECT_FALSE(heldMoves(HeldSet({vk::Left}), keys).left);

    EXPECT_EQ(playUseOf(vk::Space), "move the light");
    EXPECT_EQ(playUseOf(vk::LetterA + 1), "switch bloom");
    EXPECT_EQ(playUseOf(vk::Up), "");
    EXPECT_EQ(playUseOf(W), "");

    std::string page;
    for (const std::string& line : keyboardControls(keys))
        page += line + "\n";
    for (const char* shown : {"A / Right\tslide the piece", "W / Shift\tturn right / left", "Q\tpause, go on"})
        EXPECT_NE(page.find(shown), std::string::npos) << shown << "\n" << page;
    EXPECT_EQ(("\n" + page).find("\nUp"), std::string::npos) << page;
    EXPECT_EQ(page.find("Pause /"), std::string::npos) << page;
}
