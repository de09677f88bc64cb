#include "audio/SoundBank.h"

#include "files/FileProblems.h"
#include "sound/OpenAlAudio.h"
#include "xml/XmlDocument.h"

namespace {

constexpr std::array<const char*, SoundCount> SoundNames = {
    "hitfloor", "menuitem", "newbrick", "hitbrick", "hitframe",
    "line1", "line2", "line3", "line4", "levelup", "turn",
};

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
    return SoundNames[static_cast<int>(sound)];
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

    for (int i = 0; i < SoundCount; ++i)
        groups[i].load(*backend, root.findChild(SoundNames[i]));
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
    return groups[static_cast<int>(sound)];
}

const CSoundGroup& CSoundBank::group(const std::string& name) const
{
    static const CSoundGroup silent;
    for (int i = 0; i < SoundCount; ++i) {
        if (name == SoundNames[i])
            return groups[i];
    }
    return silent;
}

void CSoundBank::play(Sound sound, int pitchSpread, int volume, int pan) const
{
    const CSoundGroup& effect = group(sound);
    int variant = -1;
    effect.play(-1, volume, pan, pitchSpread, &variant);
    if (playLog && variant >= 0)
        playLog(sound, variant);
}

void CSoundBank::playLines(int rows) const
{
    if (rows >= 1 && rows <= 4)
        play(static_cast<Sound>(static_cast<int>(Sound::Line1) + rows - 1));
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

