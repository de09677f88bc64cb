// The keys and pad buttons a player chooses for the moves of play: the
// defaults, a choice refused with the line that says where the key is
// already, and the <keys> and <padbuttons> of settings.xml read by SDL's
// names, every bad value said in one line with the default kept.
#include "app/KeyBindings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/KeyNames.h"
#include "platform/VirtualKeys.h"
#include "xml/XmlDocument.h"

namespace {

int moveOf(Action action) { return bindableMoveOf(action); }

// The bindings a settings document gives, and what reading it said.
CKeyBindings readFrom(const std::string& settings, std::string& said)
{
    CXmlDocument document;
    EXPECT_TRUE(document.loadXml(settings));
    CKeyBindings bindings;
    testing::internal::CaptureStderr();
    bindings.read(document.root(), "keys.xml");
    said = testing::internal::GetCapturedStderr();
    return bindings;
}

} // namespace

TEST(KeyNames, SdlNamesTurnIntoTheGamesKeysAndBack)
{
    for (int key : {vk::Left, vk::Up, vk::Shift, vk::Pause, vk::Escape, vk::Space, vk::Return, vk::LetterA + 22,
                    vk::Digit0 + 7, vk::F1 + 4})
        EXPECT_EQ(keyFromName(keyName(key)), key) << keyName(key);
    EXPECT_EQ(keyName(vk::Shift), "Left Shift");
    EXPECT_EQ(keyFromName("right shift"), vk::Shift);
    EXPECT_EQ(keyFromName("w"), vk::LetterA + 22);
    EXPECT_EQ(keyName(vk::LetterA + 22), "W");
    EXPECT_EQ(keyFromName("Nothing"), 0);
    EXPECT_EQ(keyFromName(""), 0);
    EXPECT_EQ(keyName(vk::PadA), "");
    EXPECT_EQ(padButtonName(vk::PadStart), "start");
    EXPECT_EQ(padButtonFromName("A"), vk::PadA);
    EXPECT_EQ(padButtonFromName("guide"), 0) << "a button the game does not take";
}

TEST(KeyBindings, AChoiceTakenElsewhereIsRefusedWithWhereItIs)
{
    CKeyBindings bindings;
    const int turn = moveOf(Action::TurnClockwise);
    const int left = moveOf(Action::SlideLeft);
    EXPECT_EQ(bindings.actionOf(vk::Up), Action::TurnClockwise);
    EXPECT_EQ(bindings.actionOf(vk::PadA), Action::TurnClockwise);
    EXPECT_TRUE(bindings.keepsDefault(turn));

    // Up belongs to the turn: sliding left cannot have it, nor can it have
    // a key the game uses for something else in play.
    EXPECT_EQ(bindings.bind(left, vk::Up), "Up is already turn clockwise");
    EXPECT_EQ(bindings.bind(left, vk::LetterA + 1, "bloom on or off"), "B already does bloom on or off");
    EXPECT_EQ(bindings.key(left), vk::Left);

    // W for the turn: Up is free again; the pad's A stays.
    EXPECT_EQ(bindings.bind(turn, vk::LetterA + 22), std::nullopt);
    EXPECT_EQ(bindings.actionOf(vk::LetterA + 22), Action::TurnClockwise);
    EXPECT_EQ(bindings.actionOf(vk::Up), std::nullopt);
    EXPECT_EQ(bindings.button(turn), vk::PadA);
    EXPECT_FALSE(bindings.keepsDefault(turn));
    EXPECT_EQ(bindings.bind(left, vk::Up), std::nullopt);

    // A pad button goes to the pad's slot.
    EXPECT_EQ(bindings.bind(turn, vk::PadB), "b is already turn counter-clockwise");
    EXPECT_EQ(bindings.bind(moveOf(Action::Pause), vk::PadBack), "back is already back to the menu");

    bindings.restoreDefaults();
    EXPECT_EQ(bindings, CKeyBindings());
}

TEST(KeyBindings, TheFileNamesKeysBySdlNamesAndBadOnesKeepTheDefault)
{
    std::string said;
    // Two keys swapped, a letter in either case, a shift by its right-hand
    // name, and a pad button.
    const CKeyBindings swapped = readFrom("<settings><keys left='Right' right='Left' turnright='w' turnleft='Right Shift'/>"
                                          "<padbuttons pause='A' turnright='start'/></settings>",
                                          said);
    EXPECT_EQ(said, "");
    EXPECT_EQ(swapped.key(moveOf(Action::SlideLeft)), vk::Right);
    EXPECT_EQ(swapped.key(moveOf(Action::SlideRight)), vk::Left);
    EXPECT_EQ(swapped.key(moveOf(Action::TurnClockwise)), vk::LetterA + 22);
    EXPECT_EQ(swapped.key(moveOf(Action::TurnAnticlockwise)), vk::Shift);
    EXPECT_EQ(swapped.button(moveOf(Action::Pause)), vk::PadA);
    EXPECT_EQ(swapped.button(moveOf(Action::TurnClockwise)), vk::PadStart);
    EXPECT_EQ(boundKeyName(swapped, moveOf(Action::TurnClockwise)), "W");

    // A name of no key, a key another move has by default, a button the game
    // does not take: each said once, with the default kept.
    const CKeyBindings bad = readFrom(
        "<settings><keys down='Nothing' pause='Up' menu='Q' turnleft='Space'/><padbuttons menu='guide'/></settings>",
        said);
    EXPECT_NE(said.find("<keys down=\"Nothing\"> names no key; the default, Down, is used"), std::string::npos) << said;
    EXPECT_NE(said.find("<keys pause=\"Up\">: that is turn clockwise's already; the default, Pause, is used"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("<padbuttons menu=\"guide\"> names no pad button; the default, back, is used"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("<keys turnleft=\"Space\">: that key already does move the light in play; the default, Left "
                        "Shift, is used"),
              std::string::npos)
        << said;
    EXPECT_EQ(bad.key(moveOf(Action::TurnAnticlockwise)), vk::Shift);
    EXPECT_EQ(bad.key(moveOf(Action::DropFaster)), vk::Down);
    EXPECT_EQ(bad.key(moveOf(Action::Pause)), vk::Pause);
    EXPECT_EQ(bad.key(moveOf(Action::LeaveGame)), vk::LetterA + 16);
    EXPECT_EQ(bad.button(moveOf(Action::LeaveGame)), vk::PadBack);

    // No such elements: the defaults, said nothing.
    EXPECT_EQ(readFrom("<settings width='800'/>", said), CKeyBindings());
    EXPECT_EQ(said, "");
}
