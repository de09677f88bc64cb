// The sound set the game ships: media/sound.xml names files that exist and
// decode, every effect has something to play, and the music is long, stereo,
// unclipped and loops without a jump.
#include "audio/SoundBank.h"
#include "xml/XmlDocument.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Files are named relative to the folder the game runs in, the one holding media/.
const fs::path GameDir = fs::path(VESBRIK_MEDIA_DIR).parent_path();

struct Decoded {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};

Decoded decode(const fs::path& path)
{
    Decoded out;
    SF_INFO info {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return out;
    out.rate = info.samplerate;
    out.channels = info.channels;
    out.samples.resize(static_cast<size_t>(info.frames) * info.channels);
    out.samples.resize(static_cast<size_t>(sf_readf_float(file, out.samples.data(), info.frames)) * info.channels);
    sf_close(file);
    return out;
}

float peakOf(const std::vector<float>& samples)
{
    float p = 0;
    for (float s : samples)
        p = std::max(p, std::abs(s));
    return p;
}

CXmlNode loadSoundXml(CXmlDocument& document)
{
    EXPECT_TRUE(document.load((GameDir / "media/sound.xml").string()));
    return document.root();
}

} // namespace

TEST(SoundMedia, EveryEffectHasVariantsThatDecode)
{
    CXmlDocument document;
    const CXmlNode root = loadSoundXml(document);
    for (int i = 0; i < SoundCount; ++i) {
        const char* name = soundName(static_cast<Sound>(i));
        const CXmlNode element = root.findChild(name);
        ASSERT_FALSE(element.isNull()) << name;
        ASSERT_GE(element.childCount(), 1) << name;
        ASSERT_LE(element.childCount(), 16) << name;
        const int volume = parseDecimal(element.attribute("volume"));
        EXPECT_GT(volume, 0) << name;
        EXPECT_LE(volume, 100) << name;
        for (int v = 0; v < element.childCount(); ++v) {
            const std::string file = element.child(v).attribute("file");
            const Decoded sound = decode(GameDir / file);
            ASSERT_GT(sound.frames(), 0u) << file;
            EXPECT_EQ(sound.rate, 44100) << file;
            EXPECT_LT(sound.frames(), 5u * 44100) << file << " is an effect, not a piece";
            EXPECT_LT(peakOf(sound.samples), 0.95f) << file << " clips";
            // Starts and ends at silence: no click when it begins or ends.
            EXPECT_LT(std::abs(sound.samples.front()), 0.01f) << file;
            EXPECT_LT(std::abs(sound.samples.back()), 0.01f) << file;
        }
    }
    // Hard landings and floor hits come in several variants so repeats do not drone.
    EXPECT_GE(root.findChild("hitfloor").childCount(), 3);
    EXPECT_GE(root.findChild("hitbrick").childCount(), 2);
}

TEST(SoundMedia, MusicIsLongStereoUnclippedAndLoopsSmoothly)
{
    CXmlDocument document;
    const CXmlNode root = loadSoundXml(document);
    for (const char* attribute : {"menumusic", "gamemusic"}) {
        const std::string file = root.attribute(attribute);
        const Decoded music = decode(GameDir / file);
        ASSERT_EQ(music.channels, 2) << file;
        EXPECT_EQ(music.rate, 44100) << file;
        EXPECT_GE(music.frames(), 30u * 44100) << file;
        EXPECT_LT(peakOf(music.samples), 0.98f) << file << " clips";

        // The step from the last frame to the first is no bigger than the
        // steps the music takes anyway.
        std::vector<float> steps;
        for (size_t i = 2; i < music.samples.size(); i += 2)
            steps.push_back(std::abs(music.samples[i] - music.samples[i - 2]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 999 / 1000, steps.end());
        const float usual = steps[steps.size() * 999 / 1000];
        for (int c = 0; c < 2; ++c) {
            const float seam = std::abs(music.samples[c] - music.samples[music.samples.size() - 2 + c]);
            EXPECT_LT(seam, usual) << file << " jumps at its loop point";
        }
    }
}

TEST(SoundMedia, TheRealOutputLoadsEverySample)
{
    // OpenAL's silent output, unless the run asks for another: the files must
    // load through the game's own layer, not only through the test's reader.
    setenv("ALSOFT_DRIVERS", "null", 0);
    const fs::path previous = fs::current_path();
    fs::current_path(GameDir);
    CSoundBank bank;
    bank.load("media/sound.xml");
    fs::current_path(previous);
    for (int i = 0; i < SoundCount; ++i) {
        const CSoundGroup& group = bank.group(static_cast<Sound>(i));
        ASSERT_GE(group.count(), 1) << soundName(static_cast<Sound>(i));
        for (int v = 0; v < group.count(); ++v)
            EXPECT_NE(group.variant(v), 0u) << soundName(static_cast<Sound>(i)) << " variant " << v;
    }
    bank.playGameMusic();
    bank.shutdown();
}
