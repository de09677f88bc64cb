#pragma once
// Everything the game lets you hear: ten named sound effects and the two
// looping music pieces, one for the menu and one for play. The content comes
// from media/sound.xml, read once at start-up. Nothing here ever stops the
// game: without an audio device or without the files it runs silent, and what
// the file or its sounds have wrong is said in one line each.
#include "audio/SoundGroup.h"
#include "sound/AudioBackend.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The effects the game plays.
enum class Sound {
    HitFloor,   // a debris brick strikes something
    MenuItem,   // a key on the menu
    NewBrick,   // a new piece enters the well
    HitBrick,   // the falling piece comes to rest
    Line1,
    Line2,
    Line3,
    Line4,
    LevelUp,
    Turn,       // the falling piece turns
};
constexpr int SoundCount = 10;

// The element name of each effect in media/sound.xml.
const char* soundName(Sound sound);
// The sound of one lock that cleared that many rows (1 to 4); other counts
// have none.
std::optional<Sound> lineSound(int rows);

class CSoundBank {
public:
    // Without a backend, load() opens the OpenAL output.
    CSoundBank() = default;
    explicit CSoundBank(std::unique_ptr<CAudioBackend> backend);
    ~CSoundBank();

    CSoundBank(const CSoundBank&) = delete;
    CSoundBank& operator=(const CSoundBank&) = delete;

    // ---- start-up and shutdown -----------------------------------------------
    // Starts the output, reads the file and loads every sample and both music
    // streams. Paths in the file are relative to the working directory.
    void load(const std::string& path);
    // Stops the output and releases everything; the bank is silent afterwards.
    void shutdown();

    // ---- effects ---------------------------------------------------------------
    // Plays the effect once: a variant drawn from the stream, the group's
    // volume unless one is given, the centre pan unless one is given, and a
    // pitch up to pitchSpread Hz higher.
    void play(Sound sound, CRandom& random, int pitchSpread = 0, int volume = -1, int pan = -1) const;
    const CSoundGroup& group(Sound sound) const;
    // By element name; an unknown name gives an empty group that plays nothing.
    const CSoundGroup& group(const std::string& name) const;
    // The number of variants of every group of the sound set, in the file's
    // order: the effects and "hitframe", a group of the set that no effect
    // plays. Recordings from when the effects drew their variants from the
    // rules' random stream play exactly only with the same counts.
    std::vector<uint8_t> variantCounts() const;
    // Told of every effect played, with the variant it picked (the script
    // driver lists them in its dumps).
    using PlayLog = std::function<void(Sound sound, int variant)>;
    void setPlayLog(PlayLog log) { playLog = std::move(log); }

    // ---- levels ----------------------------------------------------------------
    // The player's levels from 0 to MaxLevel (as loud as the sound set makes
    // them) for the music and the effects; mute silences both. The music
    // changes at once, also while it plays; effects from their next play.
    // Muted effects still pick their variant, so a replay sounds the same
    // variants as the game whatever was heard.
    static constexpr int MaxLevel = 10;
    void setLevels(int music, int effects, bool mute);

    // ---- music -----------------------------------------------------------------
    // The menu music, going on from where it last stopped; the game music stops.
    void playMenuMusic();
    // The game music from its start; the menu music stops.
    void playGameMusic();

private:
    std::unique_ptr<CAudioBackend> backend;
    // Every group of the sound set, in the file's order.
    std::array<CSoundGroup, SoundCount + 1> groups {};
    AudioHandle gameMusic = 0;
    AudioHandle menuMusic = 0;
    PlayLog playLog;
    int musicLevel = MaxLevel;
    int effectsLevel = MaxLevel;
    bool muted = false;
};
