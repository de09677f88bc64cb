// Sound files cut short or damaged, made in a fresh folder from the game's own
// sounds: each is named in one line on standard error, once, and the game
// plays on with what decodes (silence where nothing does).
#include "audio/SoundBank.h"
#include "game/Random.h"
#include "sound/SoundFile.h"
#include "tests/DataTestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path Media = VESBRIK_MEDIA_DIR;

// The lines of printed that name file.
std::vector<std::string> linesNaming(const std::string& printed, const std::string& file)
{
    std::vector<std::string> lines;
    std::istringstream in(printed);
    for (std::string line; std::getline(in, line);) {
        if (line.find(file + ":") != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

// The same bytes every run, so a failure can be looked at again.
std::string noise(size_t length)
{
    std::mt19937 random(34);
    std::string bytes(length, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

class SoundFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.valid());
        const std::string wav = readWholeFile((Media / "turn.wav").string());
        const std::string ogg = readWholeFile((Media / "gamemusic.ogg").string());
        ASSERT_GT(wav.size(), 1000u);
        ASSERT_GT(ogg.size(), 100000u);
        goodWav = folder.write("good.wav", wav);
        // The header still promises the whole sound.
        cutWav = folder.write("cut.wav", wav.substr(0, wav.size() / 2));
        headerOnlyWav = folder.write("header.wav", wav.substr(0, 44));
        cutOgg = folder.write("cut.ogg", ogg.substr(0, ogg.size() / 2));
        tailOgg = folder.write("tail.ogg", ogg.substr(0, ogg.size() / 2) + noise(ogg.size() / 2));
        // Its set-up pages are lost: nothing of it decodes.
        brokenOgg = folder.write("broken.ogg", ogg.substr(0, 1000) + noise(50000));
    }

    CDataTestFolder folder;
    std::string goodWav, cutWav, headerOnlyWav, cutOgg, tailOgg, brokenOgg;
};

// Plays the loop through as the music's feeding does, in buffers of 8192
// frames, at most `calls` of them; every frame it gave.
std::vector<short> playThrough(CSoundLoop& loop, int calls, int& silentCalls)
{
    constexpr int Buffer = 8192;
    std::vector<short> played;
    std::vector<short> buffer(static_cast<size_t>(Buffer) * loop.channels());
    silentCalls = 0;
    for (int i = 0; i < calls; ++i) {
        const int got = loop.fill(buffer.data(), Buffer);
        silentCalls += got == 0;
        played.insert(played.end(), buffer.begin(), buffer.begin() + static_cast<size_t>(got) * loop.channels());
    }
    return played;
}

} // namespace

// The whole sound set loaded through the real output (OpenAL's silent one):
// every damaged file is named once with what the game does instead, the
// good ones say nothing, and everything still plays.
TEST_F(SoundFileTest, EachDamagedFileIsNamedOnceAndTheRestLoads)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    const std::string menuMusic = folder.write("menumusic.ogg", readWholeFile(brokenOgg));
    std::string xml = "<sound gamemusic=\"" + tailOgg + "\" menumusic=\"" + menuMusic + "\">";
    for (int i = 0; i < SoundCount; ++i) {
        const Sound sound = static_cast<Sound>(i);
        const std::string file = sound == Sound::Turn       ? cutWav
                                 : sound == Sound::Line1    ? cutOgg
                                 : sound == Sound::Line2    ? brokenOgg
                                 : sound == Sound::LevelUp  ? headerOnlyWav
                                                            : goodWav;
        xml += std::string("<") + soundName(sound) + "><v file=\"" + file + "\"/></" + soundName(sound) + ">";
    }
    const std::string soundXml = folder.write("sound.xml", xml + "<hitframe><v file=\"" + goodWav + "\"/></hitframe></sound>");

    testing::internal::CaptureStderr();
    CSoundBank bank;
    bank.load(soundXml);
    const std::string printed = testing::internal::GetCapturedStderr();
    if (!bank.group(Sound::MenuItem).variant(0))
        GTEST_SKIP() << "OpenAL has no output here";

    EXPECT_EQ(linesNaming(printed, cutWav),
              std::vector<std::string>{"vesbrik: " + cutWav +
                                       ": ends early: 0.08 s of the 0.17 s its header promises decode; the part before plays"});
    const std::vector<std::string> cutOggLines = linesNaming(printed, cutOgg);
    ASSERT_EQ(cutOggLines.size(), 1u) << printed;
    EXPECT_NE(cutOggLines[0].find(": ends early: its end is missing or damaged after 15."), std::string::npos) << cutOggLines[0];
    EXPECT_EQ(linesNaming(printed, brokenOgg),
              std::vector<std::string>{"vesbrik: " + brokenOgg + ": not a readable sound; that sound stays silent"});
    EXPECT_EQ(linesNaming(printed, headerOnlyWav),
              std::vector<std::string>{"vesbrik: " + headerOnlyWav + ": not a readable sound; that sound stays silent"});
    EXPECT_EQ(linesNaming(printed, menuMusic),
              std::vector<std::string>{"vesbrik: " + menuMusic + ": not a readable sound; that music stays silent"});
    EXPECT_TRUE(linesNaming(printed, goodWav).empty()) << printed;
    // The music's lost end is found when its playing reaches it.
    EXPECT_TRUE(linesNaming(printed, tailOgg).empty()) << printed;

    // What decodes plays; what does not keeps its place in silence.
    EXPECT_NE(bank.group(Sound::Turn).variant(0), 0u);
    EXPECT_NE(bank.group(Sound::Line1).variant(0), 0u);
    EXPECT_EQ(bank.group(Sound::Line2).variant(0), 0u);
    EXPECT_EQ(bank.group(Sound::LevelUp).variant(0), 0u);
    CRandom random(1);
    for (int i = 0; i < SoundCount; ++i)
        bank.play(static_cast<Sound>(i), random);
    bank.playMenuMusic();
    bank.playGameMusic();
    bank.shutdown();

    // Loaded again in the same run, nothing is said twice.
    testing::internal::CaptureStderr();
    CSoundBank again;
    again.load(soundXml);
    again.shutdown();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Music that decodes only in part loops that part, said once when its end is
// found; it never falls silent and never reads without end. A file of which
// nothing decodes is refused at once.
TEST_F(SoundFileTest, MusicThatDecodesOnlyInPartLoopsThatPart)
{
    CSoundLoop whole;
    ASSERT_TRUE(whole.open((Media / "gamemusic.ogg").string()));
    const int64_t wholeFrames = whole.length();
    CSoundLoop broken;
    EXPECT_FALSE(broken.open(brokenOgg));

    struct Case {
        std::string file;
        std::string said;
        int64_t promised;
    };
    const Case cases[] = {
        {tailOgg, ": ends early: its end is missing or damaged after 15.", wholeFrames},
        {cutWav, ": ends early: 0.08 s of the 0.17 s its header promises decode; the music loops the part before", 7497},
    };
    for (const Case& c : cases) {
        CSoundLoop loop;
        ASSERT_TRUE(loop.open(c.file)) << c.file;
        // Enough buffers for the whole piece twice over: the damage is met
        // within the first pass, then the part that decoded plays again.
        const int calls = static_cast<int>(2 * c.promised / 8192 + 4);
        int silentCalls = 0;
        testing::internal::CaptureStderr();
        const std::vector<short> played = playThrough(loop, calls, silentCalls);
        const std::vector<std::string> lines = linesNaming(testing::internal::GetCapturedStderr(), c.file);

        ASSERT_EQ(lines.size(), 1u) << c.file;
        EXPECT_NE(lines[0].find(c.said), std::string::npos) << lines[0];
        EXPECT_EQ(silentCalls, 0) << c.file;
        const int64_t loopFrames = loop.length();
        EXPECT_GT(loopFrames, c.promised / 3) << c.file;
        EXPECT_LT(loopFrames, c.promised * 2 / 3) << c.file;
        // The loop's end runs straight into its start.
        const size_t channels = static_cast<size_t>(loop.channels());
        const size_t compared = std::min<size_t>(4096, static_cast<size_t>(loopFrames)) * channels;
        ASSERT_GT(played.size(), static_cast<size_t>(loopFrames) * channels + compared);
        EXPECT_TRUE(std::equal(played.begin(), played.begin() + compared, played.begin() + loopFrames * channels)) << c.file;
    }
}
