#include "audio/SoundBank.h"

#include "files/FileProblems.h"
#include "sound/OpenAlAudio.h"
#include "xml/XmlDocument.h"

#include <algorithm>

namespace {

// The groups of the sound set in the file's order; the effects keep theirs
// with "hitframe" among them.
constexpr std::array<const char*, SoundCount + 1> SoundSet = {
    "hitfloor", "menuitem", "newbrick", "hitbrick", "hitframe",
    "line1", "line2", "line3", "line4", "levelup", "turn",
};
constexpr int HitFrameSlot = 4;

// The effect's place in the sound set.
int slotOf(Sound sound)
{
    const int index = static_cast<int>(sound);
    return index < HitFrameSlot ? index : index + 1;
}

AudioHandle openMusic(CAudioBackend& backend, const std::string& file)
{
    const AudioHandle stream = backend.createStream(file);
    if (stream == 0 && !file.empty())
        reportUnplayable(backend, file, "that music stays silent");
    return stream;
}

} // namespace

const char* soundName(Sound sound)
{
    return SoundSet[static_cast<size_t>(slotOf(sound))];
}

std::optional<Sound> lineSound(int rows)
{
    constexpr Sound Lines[4] = {Sound::Line1, Sound::Line2, Sound::Line3, Sound::Line4};
    return rows >= 1 && rows <= 4 ? std::optional<Sound>(Lines[rows - 1]) : std::nullopt;
}

CSoundBank::CSoundBank(std::unique_ptr<CAudioBackend> audio) : backend(std::move(audio)) {}

CSoundBank::~CSoundBank() = default;

void CSoundBank::load(const std::string& path)
{
    if (!backend)
        backend = createOpenAlAudio();
    backend->start();

    // A missing or broken file reads as an empty document: no music, no effects.
    CXmlDocument document;
    if (!document.load(path))
        reportFileProblem(path, whyUnusable(path, "not readable XML"), "the game plays without sound");
    const CXmlNode root = document.root();

    gameMusic = openMusic(*backend, root.attribute("gamemusic"));
    menuMusic = openMusic(*backend, root.attribute("menumusic"));

    for (size_t i = 0; i < SoundSet.size(); ++i)
        groups[i].load(*backend, root.findChild(SoundSet[i]));
}

void CSoundBank::shutdown()
{
    if (backend)
        backend->shutdown();
    groups = {};
    gameMusic = 0;
    menuMusic = 0;
}

const CSoundGroup& CSoundBank::group(Sound sound) const
{
    return groups[static_cast<size_t>(slotOf(sound))];
}

const CSoundGroup& CSoundBank::group(const std::string& name) const
{
    static const CSoundGroup silent;
    for (size_t i = 0; i < SoundSet.size(); ++i) {
        if (name == SoundSet[i])
            return groups[i];
    }
    return silent;
}

void CSoundBank::play(Sound sound, CRandom& random, int pitchSpread, int volume, int pan) const
{
    const CSoundGroup& effect = group(sound);
    const int wanted = volume == -1 ? effect.volume() : volume;
    const int heard = muted ? 0 : wanted * effectsLevel / MaxLevel;
    int variant = -1;
    effect.play(random, -1, heard, pan, pitchSpread, &variant);
    if (playLog && variant >= 0)
        playLog(sound, variant);
}

std::vector<uint8_t> CSoundBank::variantCounts() const
{
    std::vector<uint8_t> counts;
    for (const CSoundGroup& group : groups)
        counts.push_back(static_cast<uint8_t>(group.count()));
    return counts;
}

void CSoundBank::setLevels(int music, int effects, bool mute)
{
    musicLevel = std::clamp(music, 0, MaxLevel);
    effectsLevel = std::clamp(effects, 0, MaxLevel);
    muted = mute;
    if (!backend)
        return;
    const int musicVolume = muted ? 0 : musicLevel * 100 / MaxLevel;
    backend->setStreamVolume(menuMusic, musicVolume);
    backend->setStreamVolume(gameMusic, musicVolume);
}

void CSoundBank::playMenuMusic()
{
    if (!backend)
        return;
    backend->stopStream(gameMusic);
    backend->playStream(menuMusic);
}

void CSoundBank::playGameMusic()
{
    if (!backend)
        return;
    backend->stopStream(menuMusic);
    backend->rewindStream(gameMusic);
    backend->playStream(gameMusic);
}

