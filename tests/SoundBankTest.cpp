// The sound bank's rules, heard through a stand-in output that records every
// call instead of sounding.
#include "audio/SoundBank.h"
#include "game/Random.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct PlayedSample {
    AudioHandle sample;
    int frequency;
    int volume;
    int pan;
};

struct AudioLog {
    std::vector<std::string> loadedPaths;
    std::vector<std::string> streamPaths;
    std::vector<PlayedSample> played;
    std::vector<std::string> musicCalls;
    bool started = false;
    bool shutDown = false;
};

// Samples whose path names "missing" fail to load, like an absent file.
class CRecordingAudio final : public CAudioBackend {
public:
    explicit CRecordingAudio(AudioLog& log) : log(log) {}

    void start() override { log.started = true; }
    void shutdown() override { log.shutDown = true; }
    AudioHandle loadSample(const std::string& path) override
    {
        log.loadedPaths.push_back(path);
        if (path.empty() || path.find("missing") != std::string::npos)
            return 0;
        return static_cast<AudioHandle>(log.loadedPaths.size());
    }
    AudioHandle playSample(AudioHandle sample, int frequency, int volume, int pan) override
    {
        log.played.push_back({sample, frequency, volume, pan});
        return sample;
    }
    AudioHandle createStream(const std::string& path) override
    {
        if (path.empty())
            return 0;
        log.streamPaths.push_back(path);
        return static_cast<AudioHandle>(log.streamPaths.size());
    }
    void playStream(AudioHandle stream) override { log.musicCalls.push_back("play " + name(stream)); }
    void stopStream(AudioHandle stream) override { log.musicCalls.push_back("stop " + name(stream)); }
    void rewindStream(AudioHandle stream) override { log.musicCalls.push_back("rewind " + name(stream)); }
    void setStreamVolume(AudioHandle stream, int volume) override
    {
        log.musicCalls.push_back("volume " + name(stream) + " " + std::to_string(volume));
    }

private:
    std::string name(AudioHandle stream) const
    {
        return stream == 0 ? "null" : log.streamPaths[stream - 1];
    }
    AudioLog& log;
};

class SoundBankTest : public testing::Test {
protected:
    // Loads a bank from the given XML text written to a file; what the bank
    // said on standard error is kept in `said`.
    void loadXml(const std::string& text)
    {
        std::ofstream(path) << text;
        testing::internal::CaptureStderr();
        bank.load(path);
        said = testing::internal::GetCapturedStderr();
        std::filesystem::remove(path);
    }

    // The path the played sample was loaded from ("" for the null sample).
    std::string pathOf(const PlayedSample& played) const
    {
        return played.sample == 0 ? "" : log.loadedPaths[played.sample - 1];
    }

    AudioLog log;
    CSoundBank bank {std::make_unique<CRecordingAudio>(log)};
    CRandom random {1};
    // ctest runs tests in parallel processes: each needs a file of its own.
    const std::string path = testing::TempDir() + "vesbrik_sound_" + std::to_string(getpid()) + "_" +
                             testing::UnitTest::GetInstance()->current_test_info()->name() + ".xml";
    std::string said;
};

const char* const FullSet = R"(<sound gamemusic="media/game.ogg" menumusic="media/menu.ogg">
  <hitfloor volume="80"><v file="floor1.wav"/><v file="floor2.wav"/><v file="floor3.wav"/></hitfloor>
  <menuitem><v file="menu.wav"/></menuitem>
  <newbrick volume="40"><v file="new.wav"/></newbrick>
  <hitbrick volume="70"><v file="brick1.wav"/><v file="brick2.wav"/></hitbrick>
  <line1><v file="line1.wav"/></line1>
  <line2><v file="line2.wav"/></line2>
  <line3><v file="line3.wav"/></line3>
  <line4><v file="line4.wav"/></line4>
  <levelup><v file="levelup.wav"/></levelup>
  <turn volume=" +55 percent"><v file="turn.wav"/></turn>
  <unknown><v file="never.wav"/></unknown>
</sound>)";

} // namespace

// ---- reading media/sound.xml -------------------------------------------------

TEST_F(SoundBankTest, ReadsVariantsInFileOrderAndTheGroupVolume)
{
    loadXml(FullSet);
    EXPECT_TRUE(log.started);
    const CSoundGroup& floor = bank.group(Sound::HitFloor);
    ASSERT_EQ(floor.count(), 3);
    EXPECT_EQ(floor.volume(), 80);
    EXPECT_EQ(log.loadedPaths[floor.variant(0) - 1], "floor1.wav");
    EXPECT_EQ(log.loadedPaths[floor.variant(2) - 1], "floor3.wav");
    EXPECT_EQ(&bank.group("hitfloor"), &floor);
    // Volume: absent gives 100, leading space, sign and trailing text are read
    // like every number in the game's files.
    EXPECT_EQ(bank.group(Sound::MenuItem).volume(), 100);
    EXPECT_EQ(bank.group(Sound::NewBrick).volume(), 40);
    EXPECT_EQ(bank.group(Sound::Turn).volume(), 55);
    // Elements of other names are not effects.
    for (const std::string& path : log.loadedPaths)
        EXPECT_NE(path, "never.wav");
    EXPECT_EQ(bank.group("unknown").count(), 0);
}

TEST_F(SoundBankTest, AnEffectWithoutElementPlaysNothing)
{
    loadXml(FullSet);
    const CSoundGroup& frame = bank.group("hitframe");
    EXPECT_EQ(frame.count(), 0);
    EXPECT_EQ(frame.volume(), 100);
    EXPECT_EQ(frame.play(random, -1, -1, -1, 0), 0u);
    EXPECT_EQ(frame.play(random, 0, 100, 0, 0), 0u);
    EXPECT_TRUE(log.played.empty());
    // The set's groups in the file's order, "hitframe" among them, as every
    // recording's media fingerprint counts them.
    EXPECT_EQ(bank.variantCounts(), (std::vector<uint8_t>{3, 1, 1, 2, 0, 1, 1, 1, 1, 1, 1}));
}

TEST_F(SoundBankTest, AFailedVariantKeepsItsPlaceAndPlaysSilence)
{
    // A comment is a child node too: it has no file and holds a place.
    loadXml(R"(<s><line1 volume="">
        <v file="a.wav"/><v file="missing.wav"/><!-- note --><v/><v file="b.wav"/>
      </line1></s>)");
    const CSoundGroup& line = bank.group(Sound::Line1);
    ASSERT_EQ(line.count(), 5);
    EXPECT_EQ(line.volume(), 100);
    EXPECT_NE(line.variant(0), 0u);
    EXPECT_EQ(line.variant(1), 0u);
    EXPECT_EQ(line.variant(2), 0u);
    EXPECT_EQ(line.variant(3), 0u);
    EXPECT_EQ(log.loadedPaths[line.variant(4) - 1], "b.wav");
    EXPECT_EQ(line.play(random, 1, -1, -1, 0), 0u);
}

TEST_F(SoundBankTest, OnlyTheFirstSixteenChildrenAreVariants)
{
    std::string xml = "<s><hitfloor>";
    for (int i = 0; i < 20; ++i)
        xml += "<v file=\"floor" + std::to_string(i) + ".wav\"/>";
    loadXml(xml + "</hitfloor></s>");
    const CSoundGroup& floor = bank.group(Sound::HitFloor);
    ASSERT_EQ(floor.count(), 16);
    EXPECT_EQ(log.loadedPaths.size(), 16u);
    EXPECT_EQ(log.loadedPaths[floor.variant(15) - 1], "floor15.wav");
}

TEST_F(SoundBankTest, MissingOrBrokenFileLeavesTheGameSilent)
{
    for (const char* text : {"", "<sound gamemusic=\"x.ogg\"><line1><v file=\"a.wav\">", "not xml at all"}) {
        loadXml(text);
        for (int i = 0; i < SoundCount; ++i)
            EXPECT_EQ(bank.group(static_cast<Sound>(i)).count(), 0) << text;
        bank.play(Sound::Line1, random);
        bank.playMenuMusic();
        bank.playGameMusic();
    }
    EXPECT_TRUE(log.played.empty());
    EXPECT_TRUE(log.streamPaths.empty());
}

// ---- playing effects ---------------------------------------------------------

TEST_F(SoundBankTest, OneVariantIsAlwaysThatVariant)
{
    loadXml(FullSet);
    random = CRandom(7);
    for (int i = 0; i < 200; ++i)
        bank.group(Sound::MenuItem).play(random, -1, -1, -1, 0);
    for (const PlayedSample& played : log.played)
        ASSERT_EQ(pathOf(played), "menu.wav");
}

TEST_F(SoundBankTest, RandomPickReachesEveryVariantAndOutOfRangeFallsToTheFirst)
{
    loadXml(FullSet);
    random = CRandom(3);
    const CSoundGroup& floor = bank.group(Sound::HitFloor);
    std::vector<int> hits(3);
    for (int i = 0; i < 600; ++i) {
        floor.play(random, -1, -1, 0, 0);
        hits[log.played.back().sample - floor.variant(0)]++;
    }
    for (int n : hits)
        EXPECT_GT(n, 120);

    floor.play(random, 3, -1, 0, 0);
    EXPECT_EQ(pathOf(log.played.back()), "floor1.wav");
    floor.play(random, 2, -1, 0, 0);
    EXPECT_EQ(pathOf(log.played.back()), "floor3.wav");
}

TEST_F(SoundBankTest, VolumeMinusOneMeansTheGroupVolume)
{
    loadXml(FullSet);
    for (int i = 0; i < 20; ++i)
        bank.group(Sound::NewBrick).play(random, -1, -1, -1, 0);
    for (const PlayedSample& played : log.played) {
        EXPECT_EQ(played.volume, 40);
        EXPECT_EQ(played.pan, -1);
    }
    // The debris gives its own volume and pan, passed on as they are.
    bank.group(Sound::HitFloor).play(random, -1, 250, 60, 10000);
    EXPECT_EQ(log.played.back().volume, 250);
    EXPECT_EQ(log.played.back().pan, 60);
    bank.group(Sound::MenuItem).play(random, -1, -1, -1, 0);
    EXPECT_EQ(log.played.back().volume, 100);
}

TEST_F(SoundBankTest, PitchSpreadRaisesTheRateWithinItsRange)
{
    loadXml(FullSet);
    random = CRandom(11);
    int lowest = 1 << 30, highest = 0;
    for (int i = 0; i < 2000; ++i) {
        bank.group(Sound::HitBrick).play(random, -1, -1, -1, 3000);
        lowest = std::min(lowest, log.played.back().frequency);
        highest = std::max(highest, log.played.back().frequency);
    }
    EXPECT_GE(lowest, 44100);
    EXPECT_LE(highest, 47100);
    EXPECT_LT(lowest, 44200);
    EXPECT_GT(highest, 47000);

    for (int i = 0; i < 200; ++i) {
        bank.group(Sound::Turn).play(random, -1, -1, -1, 0);
        ASSERT_EQ(log.played.back().frequency, 44100);
    }
}

TEST_F(SoundBankTest, TheLineSoundIsTheSoundOfThatManyRows)
{
    loadXml(FullSet);
    bank.play(*lineSound(1), random);
    ASSERT_EQ(log.played.size(), 1u);
    EXPECT_EQ(pathOf(log.played.back()), "line1.wav");
    bank.play(*lineSound(4), random);
    ASSERT_EQ(log.played.size(), 2u);
    EXPECT_EQ(pathOf(log.played.back()), "line4.wav");
    EXPECT_FALSE(lineSound(0));
    EXPECT_FALSE(lineSound(5));
}

// ---- music -------------------------------------------------------------------

TEST_F(SoundBankTest, GameMusicRestartsWhileMenuMusicResumes)
{
    loadXml(FullSet);
    bank.playMenuMusic();
    bank.playGameMusic();
    bank.playMenuMusic();
    bank.playGameMusic();
    const std::vector<std::string> expected = {
        "stop media/game.ogg", "play media/menu.ogg",
        "stop media/menu.ogg", "rewind media/game.ogg", "play media/game.ogg",
        "stop media/game.ogg", "play media/menu.ogg",
        "stop media/menu.ogg", "rewind media/game.ogg", "play media/game.ogg",
    };
    EXPECT_EQ(log.musicCalls, expected);
}

TEST_F(SoundBankTest, ShutdownReleasesTheOutputAndSilencesTheBank)
{
    loadXml(FullSet);
    bank.shutdown();
    EXPECT_TRUE(log.shutDown);
    EXPECT_EQ(bank.group(Sound::Line1).play(random, -1, -1, -1, 0), 0u);
    EXPECT_TRUE(log.played.empty());
}

// ---- the player's levels -------------------------------------------------------

// The levels reach the output: the music's streams at once, effects at their
// next play, scaled from the volume they would have had; mute silences both
// without changing which variants the game's random sequence picks.
TEST_F(SoundBankTest, LevelsScaleWhatReachesTheOutput)
{
    loadXml(FullSet);
    bank.setLevels(4, 5, false);
    EXPECT_EQ(log.musicCalls, (std::vector<std::string>{"volume media/menu.ogg 40", "volume media/game.ogg 40"}));
    bank.play(Sound::NewBrick, random);
    EXPECT_EQ(log.played.back().volume, 20);
    bank.play(Sound::HitFloor, random, 10000, 250, 60);
    EXPECT_EQ(log.played.back().volume, 125);

    random = CRandom(5);
    bank.setLevels(10, 10, false);
    for (int i = 0; i < 30; ++i)
        bank.play(Sound::HitFloor, random);
    const std::vector<PlayedSample> heard(log.played.end() - 30, log.played.end());
    random = CRandom(5);
    log.musicCalls.clear();
    bank.setLevels(10, 10, true);
    for (int i = 0; i < 30; ++i)
        bank.play(Sound::HitFloor, random);
    EXPECT_EQ(log.musicCalls, (std::vector<std::string>{"volume media/menu.ogg 0", "volume media/game.ogg 0"}));
    for (int i = 0; i < 30; ++i) {
        const PlayedSample& muted = log.played[log.played.size() - 30 + i];
        EXPECT_EQ(muted.volume, 0);
        EXPECT_EQ(muted.sample, heard[i].sample);
        EXPECT_EQ(muted.frequency, heard[i].frequency);
    }
    // Levels out of range are held to it.
    log.musicCalls.clear();
    bank.setLevels(14, -2, false);
    EXPECT_EQ(log.musicCalls.front(), "volume media/menu.ogg 100");
    bank.play(Sound::MenuItem, random);
    EXPECT_EQ(log.played.back().volume, 0);
}

// ---- what the file says wrong ----------------------------------------------------

// Every value out of range or missing is said in one line with what is used
// instead, once however often the file is read, and the set loads on.
TEST_F(SoundBankTest, EachFaultOfTheFileIsSaidOnceWithWhatIsUsed)
{
    std::string floors;
    for (int i = 0; i < 18; ++i)
        floors += "<v file=\"floor" + std::to_string(i) + ".wav\"/>";
    const std::string text = R"(<sound gamemusic="media/game.ogg">
      <hitfloor volume="99999999999">)" + floors + R"(</hitfloor>
      <menuitem volume="-50"><v file="menu.wav"/></menuitem>
      <newbrick volume="loud"><v file="new.wav"/></newbrick>
      <hitbrick volume=" +55 percent"><v file="b.wav"/><!-- a spare --><v name="b2.wav"/></hitbrick>
      <hitframe volume=""><v file="frame.wav"/></hitframe>
      <line1 volume="0"><v file="l1.wav"/></line1><line2/><line3><v file="l3.wav"/></line3>
      <line4><v file="l4.wav"/></line4><levelup><v file="up.wav"/></levelup>
    </sound>)";
    loadXml(text);
    const std::string first = said;
    loadXml(text);
    EXPECT_EQ(said, "") << "said again";

    const std::string line = "vesbrik: " + path + ": ";
    EXPECT_EQ(first, line + "the root names no menumusic; the menu has no music\n" +
                        line + "<hitfloor> lists 18 sounds, more than 16; the first 16 are used\n" +
                        line + "<hitfloor> volume=\"99999999999\" is above 100; 100 is used\n" +
                        line + "<menuitem> volume=\"-50\" is below 0; 0 is used\n" +
                        line + "<newbrick> volume=\"loud\" is not a number; 0 is used\n" +
                        line + "<hitbrick> child 2 is not an element but takes a variant's place; that pick plays silence\n" +
                        line + "<hitbrick> child 3 names no file; that pick plays silence\n" +
                        line + "<hitbrick> volume=\" +55 percent\" has text after its number; it is read as 55\n" +
                        line + "<line2> lists no sound file; that sound stays silent\n" +
                        line + "there is no <turn> element; that sound stays silent\n");
    const std::vector<int> volumes = {100, 0, 0, 55, 100, 0, 100};
    const std::vector<int> counts = {16, 1, 1, 3, 1, 1, 0};
    for (size_t i = 0; i < volumes.size(); ++i) {
        const char* name = i == 4 ? "hitframe" : soundName(static_cast<Sound>(i < 4 ? i : i - 1));
        EXPECT_EQ(bank.group(name).volume(), volumes[i]) << name;
        EXPECT_EQ(bank.group(name).count(), counts[i]) << name;
    }
    // A huge volume can no longer overflow the effects' level on its way out.
    bank.setLevels(10, 7, false);
    bank.play(Sound::HitFloor, random);
    EXPECT_EQ(log.played.back().volume, 70);
}
