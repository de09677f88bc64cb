// The real audio layer, heard through OpenAL Soft's wave-file output: each
// scenario runs in a child process of this test program (OpenAL reads its
// configuration once per process), writes what the mixer produced to a WAV
// file, and the parent listens to that file. The mixer writes in real time,
// so the scenarios that are listened to all run at once.
#include "audio/SoundBank.h"
#include "game/Random.h"
#include "platform/FatalError.h"
#include "sound/OpenAlAudio.h"

#include <AL/alc.h>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int Rate = 44100;

// Music made of steps 0.1 s long, each a tone of its own, so the output tells
// which step of which piece was sounding. The mixer writes in real time, so
// every pause below is as short as the checks allow.
constexpr int Steps = 10;
constexpr double StepSeconds = 0.1;
double gameStepTone(int step) { return 400.0 + 100.0 * step; }
double menuStepTone(int step) { return 2000.0 + 150.0 * step; }
constexpr double EffectTone = 1000.0;

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

fs::path scenarioDir()
{
    const char* dir = std::getenv("VESBRIK_AUDIO_DIR");
    return dir ? fs::path(dir) : fs::path();
}

bool writeTone(const fs::path& path, int channels, const std::vector<double>& tones, double seconds, float amplitude)
{
    SF_INFO info {};
    info.samplerate = Rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int stepFrames = static_cast<int>(seconds * Rate);
    std::vector<float> frames;
    for (double tone : tones) {
        for (int i = 0; i < stepFrames; ++i) {
            const float s = amplitude * static_cast<float>(std::sin(2 * M_PI * tone * i / Rate));
            for (int c = 0; c < channels; ++c)
                frames.push_back(s);
        }
    }
    sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size() / channels));
    return sf_close(file) == 0;
}

struct Recording {
    std::vector<float> left, right;
};

Recording readRecording(const fs::path& path)
{
    Recording out;
    SF_INFO info {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return out;
    std::vector<float> frames(static_cast<size_t>(info.frames) * info.channels);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (sf_count_t i = 0; i < info.frames; ++i) {
        out.left.push_back(frames[i * info.channels]);
        out.right.push_back(frames[i * info.channels + (info.channels > 1 ? 1 : 0)]);
    }
    return out;
}

// Strength of one frequency in a window (Goertzel), scaled to the amplitude of a sine.
double toneStrength(const std::vector<float>& signal, size_t start, size_t length, double frequency)
{
    const double k = 2.0 * std::cos(2.0 * M_PI * frequency / Rate);
    double s1 = 0, s2 = 0;
    for (size_t i = start; i < start + length && i < signal.size(); ++i) {
        const double s0 = signal[i] + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - k * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / length;
}

double peak(const std::vector<float>& signal, size_t from, size_t to)
{
    double p = 0;
    for (size_t i = from; i < to && i < signal.size(); ++i)
        p = std::max(p, static_cast<double>(std::abs(signal[i])));
    return p;
}

// A folder with the test's sounds, their sound.xml, and an OpenAL
// configuration that writes what the mixer produces to output.wav in it.
bool writeSoundFolder(const fs::path& dir)
{
    fs::create_directories(dir);
    std::ofstream(dir / "alsoft.conf") << "[general]\nfrequency=44100\nchannels=stereo\n[wave]\nfile="
                                       << (dir / "output.wav").string() << "\n";
    std::vector<double> game, menu;
    for (int i = 0; i < Steps; ++i) {
        game.push_back(gameStepTone(i));
        menu.push_back(menuStepTone(i));
    }
    std::ofstream(dir / "sound.xml") << "<sound gamemusic=\"" << (dir / "game.wav").string() << "\" menumusic=\""
                                      << (dir / "menu.wav").string() << "\"><turn><v file=\""
                                      << (dir / "effect.wav").string() << "\"/></turn></sound>";
    return writeTone(dir / "game.wav", 2, game, StepSeconds, 0.4f) &&
           writeTone(dir / "menu.wav", 2, menu, StepSeconds, 0.4f) &&
           writeTone(dir / "effect.wav", 1, {EffectTone}, 0.25, 0.5f);
}

// Starts one scenario below in a child of this program, in the folder and
// with the given OpenAL driver; the child's process id, or -1.
pid_t startScenario(const fs::path& dir, const std::string& name, const std::string& driver)
{
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0)
        return -1;
    const std::string command = "cd '" + dir.string() + "' && ALSOFT_CONF='" + (dir / "alsoft.conf").string() +
                                "' ALSOFT_DRIVERS=" + driver + " VESBRIK_AUDIO_DIR='" + dir.string() + "' '" +
                                std::string(self, length) +
                                "' --gtest_also_run_disabled_tests --gtest_filter=AudioScenario.DISABLED_" + name +
                                " > scenario.log 2>&1";
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

// Waits for a started scenario; true when it succeeded.
bool succeeded(pid_t child)
{
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class OpenAlAudioTest : public testing::Test {
protected:
    // The scenarios that are listened to play in real time, so the suite
    // starts them all at once and each test waits for its own.
    static void SetUpTestSuite()
    {
        suiteDir = fs::path(testing::TempDir()) / ("vesbrik_audio_suite_" + std::to_string(getpid()));
        for (const char* name : {"Effects", "Music", "Loop"})
            started[name] = writeSoundFolder(suiteDir / name) ? startScenario(suiteDir / name, name, "wave") : -1;
    }

    static void TearDownTestSuite()
    {
        for (const auto& [name, child] : started)
            succeeded(child);
        started.clear();
        fs::remove_all(suiteDir);
    }

    // What a scenario the suite started produced, once it has ended;
    // nothing when it failed.
    static std::optional<Recording> heardIn(const std::string& name)
    {
        const auto found = started.find(name);
        if (found == started.end())
            return std::nullopt;
        const pid_t child = std::exchange(found->second, -1);
        if (!succeeded(child))
            return std::nullopt;
        return readRecording(suiteDir / name / "output.wav");
    }

    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) / ("vesbrik_audio_" + std::to_string(getpid()));
        output = dir / "output.wav";
        ASSERT_TRUE(writeSoundFolder(dir));
    }

    void TearDown() override { fs::remove_all(dir); }

    // Runs one scenario in this test's folder; true when it succeeded.
    bool runScenario(const std::string& name, const std::string& driver = "wave")
    {
        return succeeded(startScenario(dir, name, driver));
    }

    static inline fs::path suiteDir;
    static inline std::map<std::string, pid_t> started;
    fs::path dir, output;
};

} // namespace

// ---- scenarios, run only inside the child ---------------------------------------

TEST(AudioScenario, DISABLED_Effects)
{
    CSoundBank bank;
    bank.load((scenarioDir() / "sound.xml").string());
    const CSoundGroup& effect = bank.group(Sound::Turn);
    ASSERT_EQ(effect.count(), 1);
    CRandom random(1);
    sleepMs(150);
    effect.play(random, 0, 400, 0, 0); // too loud: played at full volume
    sleepMs(350);
    effect.play(random, 0, 50, 0, 0);
    sleepMs(350);
    effect.play(random, 0, 100, 100, 0); // hard right
    sleepMs(350);
    effect.play(random, 0, 100, 0, 0);
    sleepMs(100);
    effect.play(random, 0, 100, 0, 0); // takes over the playback still sounding
    sleepMs(400);
    bank.shutdown();
}

TEST(AudioScenario, DISABLED_Music)
{
    CSoundBank bank;
    bank.load((scenarioDir() / "sound.xml").string());
    bank.playMenuMusic();
    sleepMs(330);
    bank.playGameMusic();
    sleepMs(250);
    bank.playMenuMusic();
    sleepMs(250);
    bank.playGameMusic();
    sleepMs(250);
    bank.shutdown();
}

TEST(AudioScenario, DISABLED_Loop)
{
    CSoundBank bank;
    bank.load((scenarioDir() / "sound.xml").string());
    bank.playGameMusic();
    sleepMs(1400);
    bank.shutdown();
}

TEST(AudioScenario, DISABLED_Everything)
{
    CSoundBank bank;
    bank.load((scenarioDir() / "sound.xml").string());
    bank.playMenuMusic();
    bank.playGameMusic();
    CRandom random(1);
    for (int i = 0; i < SoundCount; ++i)
        bank.group(static_cast<Sound>(i)).play(random, -1, -1, -1, 3000);
    bank.play(Sound::Line1, random);
    bank.shutdown();
}

// ---- what the output says ---------------------------------------------------------

TEST_F(OpenAlAudioTest, PlayedEffectIsHeardAtItsVolumeAndPlace)
{
    const std::optional<Recording> played = heardIn("Effects");
    ASSERT_TRUE(played) << "the scenario failed";
    const Recording& heard = *played;
    ASSERT_GT(heard.left.size(), static_cast<size_t>(1.5 * Rate)) << "the wave output wrote too little";

    // Find the bursts of the effect's tone in 10 ms windows.
    const size_t window = 441;
    std::vector<size_t> onsets;
    bool inBurst = false;
    size_t quietSince = 0;
    for (size_t at = 0; at + window < heard.left.size(); at += window) {
        const double strength = toneStrength(heard.left, at, window, EffectTone) + toneStrength(heard.right, at, window, EffectTone);
        if (strength > 0.02 && !inBurst) {
            onsets.push_back(at);
            inBurst = true;
        }
        if (strength > 0.02)
            quietSince = at + window;
        else if (inBurst && at > quietSince + 2 * window)
            inBurst = false;
    }
    // Four bursts: the last two plays merge into one, the second taking over the first.
    ASSERT_EQ(onsets.size(), 4u);
    EXPECT_LT(peak(heard.left, 0, onsets[0] - window), 0.001) << "silence before the first play";

    auto burstPeak = [&](int n, const std::vector<float>& channel) {
        return peak(channel, onsets[n], onsets[n] + static_cast<size_t>(0.2 * Rate));
    };
    const double full = burstPeak(0, heard.left);
    EXPECT_GT(full, 0.2);
    EXPECT_LT(full, 0.55);
    EXPECT_NEAR(burstPeak(1, heard.left) / full, 0.5, 0.08) << "volume 50 is half of full";
    EXPECT_GT(burstPeak(2, heard.right), 4 * burstPeak(2, heard.left)) << "pan 100 sounds on the right";

    // The take-over: one playback 0.1 s + 0.25 s long, never two summed.
    EXPECT_LT(peak(heard.left, onsets[3], onsets[3] + static_cast<size_t>(0.35 * Rate)), full * 1.15);
    const size_t lateInRestart = onsets[3] + static_cast<size_t>(0.3 * Rate);
    EXPECT_GT(toneStrength(heard.left, lateInRestart, window, EffectTone), 0.05) << "the restarted playback still sounds";
}

TEST_F(OpenAlAudioTest, GameMusicStartsOverWhileMenuMusicResumes)
{
    const std::optional<Recording> played = heardIn("Music");
    ASSERT_TRUE(played) << "the scenario failed";
    const Recording& heard = *played;
    ASSERT_GT(heard.left.size(), static_cast<size_t>(0.95 * Rate));

    // Label every 20 ms of the output with the music step sounding in it:
    // +step for the game, -1-step for the menu.
    struct Label {
        bool menu;
        int step;
    };
    std::vector<Label> labels;
    const size_t window = 882;
    for (size_t at = 0; at + window < heard.left.size(); at += window) {
        double best = 0.08;
        int found = -1;
        bool menu = false;
        for (int step = 0; step < Steps; ++step) {
            for (bool isMenu : {false, true}) {
                const double s = toneStrength(heard.left, at, window, isMenu ? menuStepTone(step) : gameStepTone(step));
                if (s > best) {
                    best = s;
                    found = step;
                    menu = isMenu;
                }
            }
        }
        if (found >= 0)
            labels.push_back({menu, found});
    }

    // Group the labels into phases of one piece each.
    struct Phase {
        bool menu;
        int firstStep, lastStep;
    };
    std::vector<Phase> phases;
    for (const Label& label : labels) {
        if (phases.empty() || phases.back().menu != label.menu)
            phases.push_back({label.menu, label.step, label.step});
        phases.back().lastStep = label.step;
    }
    ASSERT_EQ(phases.size(), 4u);
    EXPECT_TRUE(phases[0].menu);
    EXPECT_EQ(phases[0].firstStep, 0);
    EXPECT_GE(phases[0].lastStep, 2);
    EXPECT_FALSE(phases[1].menu);
    EXPECT_EQ(phases[1].firstStep, 0);
    EXPECT_GE(phases[1].lastStep, 1);
    // The menu picks up where it was stopped, not at its start.
    EXPECT_TRUE(phases[2].menu);
    EXPECT_GE(phases[2].firstStep, phases[0].lastStep);
    EXPECT_LE(phases[2].firstStep, phases[0].lastStep + 1);
    // The game music starts over although it was stopped in the middle.
    EXPECT_FALSE(phases[3].menu);
    EXPECT_EQ(phases[3].firstStep, 0);
}

TEST_F(OpenAlAudioTest, MusicLoopsWithoutAGap)
{
    const std::optional<Recording> played = heardIn("Loop");
    ASSERT_TRUE(played) << "the scenario failed";
    const Recording& heard = *played;
    ASSERT_GT(heard.left.size(), static_cast<size_t>(1.25 * Rate));

    // From the first note on, every 5 ms of output holds the tone of the step
    // due at that moment: the last step runs straight into the first.
    const size_t window = 220;
    size_t start = 0;
    while (start + window < heard.left.size() && toneStrength(heard.left, start, window, gameStepTone(0)) < 0.1)
        start += window / 4;
    const size_t stepFrames = static_cast<size_t>(StepSeconds * Rate);
    const size_t end = start + static_cast<size_t>(1.15 * Rate);
    ASSERT_LT(end, heard.left.size());
    int checked = 0;
    for (size_t at = start + window; at + window < end; at += window) {
        const size_t intoStep = (at - start) % stepFrames;
        if (intoStep < window || intoStep > stepFrames - 2 * window)
            continue; // a window across a step boundary holds two tones
        const int step = static_cast<int>((at - start) / stepFrames) % Steps;
        ASSERT_GT(toneStrength(heard.left, at, window, gameStepTone(step)), 0.15) << "at " << double(at - start) / Rate << " s";
        ++checked;
    }
    EXPECT_GT(checked, 150);
}

TEST_F(OpenAlAudioTest, NoAudioDeviceMeansSilenceNotFailure)
{
    EXPECT_TRUE(runScenario("Everything", "no-such-driver"));
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(OpenAlAudioTest, MissingSoundFileMeansSilenceNotFailure)
{
    fs::remove(dir / "sound.xml");
    fs::remove(dir / "game.wav");
    EXPECT_TRUE(runScenario("Everything"));
}

// ---- the output at the process's exit ----------------------------------------------
// A fatal error ends the game with std::exit, past every destructor: the
// output is closed all the same, or OpenAL's complaint that it was not would
// be the last line of every such exit.
TEST(OpenAlAudioExitDeathTest, AFatalExitClosesTheOutputFirst)
{
    const auto openThenFail = [](bool throughTheGame) {
        setenv("ALSOFT_LOGLEVEL", "1", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        // Still alive at the exit, as the game's objects are.
        std::unique_ptr<CAudioBackend> audio;
        if (throughTheGame) {
            audio = createOpenAlAudio();
            audio->start();
            if (!audio->hasOutput())
                std::exit(2);
        } else {
            alcOpenDevice(nullptr);
        }
        exitWithMessage("fatal");
    };
    // A device left open is complained about, so the check can tell.
    EXPECT_EXIT(openThenFail(false), testing::ExitedWithCode(1), "device not closed");
    EXPECT_EXIT(openThenFail(true), testing::ExitedWithCode(1), "^fatal\n$");
}
