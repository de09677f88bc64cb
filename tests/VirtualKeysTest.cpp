#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

TEST(VirtualKeys, NamesMapToClassicCodes)
{
    EXPECT_EQ(virtualKeyFromName("Left"), 0x25);
    EXPECT_EQ(virtualKeyFromName("return"), 0x0D);
    EXPECT_EQ(virtualKeyFromName("Escape"), 0x1B);
    EXPECT_EQ(virtualKeyFromName("F2"), 0x71);
    EXPECT_EQ(virtualKeyFromName("F11"), 0x7A);
    EXPECT_EQ(virtualKeyFromName("Pause"), 0x13);
    EXPECT_EQ(virtualKeyFromName("b"), 0x42);
    EXPECT_EQ(virtualKeyFromName("7"), 0x37);
    EXPECT_EQ(virtualKeyFromName("F13"), 0);
    EXPECT_EQ(virtualKeyFromName("nosuchkey"), 0);
}
