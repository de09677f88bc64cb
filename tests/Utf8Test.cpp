#include "platform/Utf8.h"

#include <gtest/gtest.h>

TEST(Utf8, RoundTripsAndRemovesWholeCharacters)
{
    std::string name;
    for (char32_t c : std::u32string(U"Zoë ß€😀"))
        appendUtf8(name, c);
    EXPECT_EQ(name, "Zoë ß€😀");
    EXPECT_EQ(decodeUtf8(name), U"Zoë ß€😀");

    removeLastUtf8Character(name); // four bytes
    EXPECT_EQ(name, "Zoë ß€");
    removeLastUtf8Character(name); // three bytes
    removeLastUtf8Character(name); // two bytes
    EXPECT_EQ(name, "Zoë ");
    removeLastUtf8Character(name);
    removeLastUtf8Character(name);
    EXPECT_EQ(name, "Zo");
    removeLastUtf8Character(name);
    removeLastUtf8Character(name);
    removeLastUtf8Character(name); // empty stays empty
    EXPECT_EQ(name, "");
}

TEST(Utf8, SkipsMalformedBytes)
{
    EXPECT_EQ(decodeUtf8("a\xC3"), U"a");      // truncated sequence
    EXPECT_EQ(decodeUtf8("\xFF" "b"), U"b");    // not a lead byte
    EXPECT_EQ(decodeUtf8("\xC3(c"), U"(c");    // lead without continuation
}
