// Keys already down when the window gains the keyboard count only from their
// next press: a held Escape must not end a replay, a held arrow must not
// slide the piece, a held letter must not type into a name.
#include "platform/KeysAtFocus.h"

#include <array>

#include <gtest/gtest.h>

namespace {

// SDL's scancodes for the keys the test holds.
constexpr int Escape = 41;
constexpr int Space = 44;
constexpr int Left = 80;
constexpr int Right = 79;
constexpr int LetterA = 4;

} // namespace

TEST(KeysAtFocus, KeysDownWhenTheKeyboardArrivesCountFromTheirNextPress)
{
    std::array<uint8_t, CKeysAtFocus::KeyCount> down{};
    down[Escape] = down[Left] = down[LetterA] = 1;
    CKeysAtFocus keys;
    keys.focusGained(down.data(), static_cast<int>(down.size()));

    // Their press, its repeats and the text it types are dropped; they do
    // not read as held.
    EXPECT_FALSE(keys.pressCounts(Escape));
    EXPECT_FALSE(keys.pressCounts(LetterA));
    EXPECT_FALSE(keys.textCounts());
    EXPECT_FALSE(keys.pressCounts(LetterA));
    EXPECT_FALSE(keys.textCounts());
    EXPECT_FALSE(keys.heldCounts(Left));
    // Keys that were up count at once, with their text.
    EXPECT_TRUE(keys.pressCounts(Space));
    EXPECT_TRUE(keys.textCounts());
    EXPECT_TRUE(keys.heldCounts(Right));

    // Once up, the next press is the player's.
    keys.released(Escape);
    keys.released(Left);
    EXPECT_TRUE(keys.pressCounts(Escape));
    EXPECT_TRUE(keys.heldCounts(Left));
    EXPECT_FALSE(keys.pressCounts(LetterA));

    // Losing the keyboard lets go of everything; codes out of range are no
    // keys of the snapshot and never dropped.
    keys.focusLost();
    EXPECT_TRUE(keys.pressCounts(LetterA));
    EXPECT_TRUE(keys.pressCounts(-1));
    EXPECT_TRUE(keys.pressCounts(CKeysAtFocus::KeyCount + 5));
    EXPECT_TRUE(keys.heldCounts(CKeysAtFocus::KeyCount));

    // A snapshot longer than the keys kept is read only as far as they go.
    std::array<uint8_t, CKeysAtFocus::KeyCount + 64> longer{};
    longer.fill(1);
    keys.focusGained(longer.data(), static_cast<int>(longer.size()));
    EXPECT_FALSE(keys.pressCounts(CKeysAtFocus::KeyCount - 1));
}
