// The test program's entry. Death tests run their statement in a fresh run of
// this program ("threadsafe"), never in a bare fork: a fork of a process whose
// GL driver or sound device has threads running copies locks those threads
// hold, and a child that then exits can wait for them forever. Set here, once,
// so that a new death test cannot forget it.
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
