// The throttle on debris impact sounds: depth, cooldown, loudness and pan.
#include "physics/ImpactSound.h"

#include "RecordingImpactSink.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double Step = 0.01; // the game's fixed step

} // namespace

TEST(ImpactSound, ShallowContactsNeverSound)
{
    RecordingSink sink;
    CImpactSound sound(&sink);
    sound.runDown(1.0);
    sound.contact(0.05, 3.0);
    sound.contact(0.0, 3.0);
    sound.contact(-0.05, 3.0);
    EXPECT_TRUE(sink.sounds.empty());
    EXPECT_LE(sound.cooldown(), 0.0f) << "a silent contact leaves the throttle open";

    sound.contact(0.0501, 7.25);
    ASSERT_EQ(sink.sounds.size(), 1u);
    EXPECT_EQ(sink.sounds[0].volume, 20);
    EXPECT_EQ(sink.sounds[0].pan, 22);
}

TEST(ImpactSound, TwoImpactsWithinTheCooldownSoundOnce)
{
    RecordingSink sink;
    CImpactSound sound(&sink);
    sound.contact(0.5, 5.0);
    EXPECT_TRUE(sink.sounds.empty()) << "closed for the first 0.05 s";
    for (int i = 0; i < 5; ++i)
        sound.runDown(Step);
    sound.runDown(0.001);

    sound.contact(0.1, 2.0);
    ASSERT_EQ(sink.sounds.size(), 1u);
    EXPECT_EQ(sink.sounds[0].volume, 40);
    EXPECT_EQ(sink.sounds[0].pan, -30);

    for (int i = 0; i < 4; ++i)
        sound.runDown(Step);
    sound.contact(0.3, 9.0); // 0.04 s later
    EXPECT_EQ(sink.sounds.size(), 1u);

    sound.runDown(Step);
    sound.runDown(Step);
    sound.contact(0.3, 9.0); // 0.06 s after the first
    EXPECT_EQ(sink.sounds.size(), 2u);
}

TEST(ImpactSound, WildContactsGiveBoundedValues)
{
    RecordingSink sink;
    CImpactSound sound(&sink);
    sound.runDown(1.0);
    sound.contact(1e300, std::nan(""));
    ASSERT_EQ(sink.sounds.size(), 1u);
    EXPECT_EQ(sink.sounds[0].volume, 1000000);
    EXPECT_EQ(sink.sounds[0].pan, 0);

    CImpactSound silent(nullptr);
    silent.runDown(1.0);
    silent.contact(1.0, 5.0); // no sink: nothing to play, no crash
    EXPECT_GT(silent.cooldown(), 0.0f);
}

