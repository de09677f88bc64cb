#include "audio/SoundBank.h"

#include "files/FileProblems.h"
#include "sound/OpenAlAudio.h"
#include "xml/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <utility>

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

// ---- what media/sound.xml says wrong -------------------------------------------
// Each fault found in the file is said in one line with what is used instead;
// reading it goes on as before.

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// The length of an optional sign and the digits after it at the start of
// text; 0 when no digit follows.
size_t numberLength(const std::string& text)
{
    size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    const size_t digitsFrom = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    return i == digitsFrom ? 0 : i;
}

// The group's volume on the 0 to 100 scale: absent or empty is 100; other
// text is read as every data file reads a number (no digits read 0), and a
// value outside the scale is held to it.
int readVolume(const CXmlNode& element, const std::string& group, const std::string& file)
{
    const std::string raw = element.attribute("volume");
    if (raw.empty())
        return CSoundGroup::DefaultVolume;
    const std::string text = trimmed(raw);
    const std::string written = "<" + group + "> volume=\"" + printableText(raw, 40) + "\"";
    const size_t length = numberLength(text);
    const int value = parseDecimal(text);
    const int used = std::clamp(value, 0, CSoundGroup::DefaultVolume);
    if (length == 0)
        reportFileProblem(file, written + " is not a number", std::to_string(used) + " is used");
    else if (value != used)
        reportFileProblem(file, written + (value > used ? " is above 100" : " is below 0"),
                          std::to_string(used) + " is used");
    else if (length < text.size())
        reportFileProblem(file, written + " has text after its number", "it is read as " + std::to_string(value));
    return used;
}

// The group's element and its children, as far as they make variants.
void checkGroup(const CXmlNode& element, const std::string& group, const std::string& file)
{
    const std::string named = "<" + group + ">";
    if (element.isNull()) {
        reportFileProblem(file, "there is no " + named + " element", "that sound stays silent");
        return;
    }
    const int children = element.childCount();
    if (children == 0)
        reportFileProblem(file, named + " lists no sound file", "that sound stays silent");
    if (children > CSoundGroup::MaxVariants)
        reportFileProblem(file, named + " lists " + std::to_string(children) + " sounds, more than " +
                                    std::to_string(CSoundGroup::MaxVariants),
                          "the first " + std::to_string(CSoundGroup::MaxVariants) + " are used");
    // Every child holds a variant's place, a comment too.
    for (int i = 0; i < std::min(children, CSoundGroup::MaxVariants); ++i) {
        const CXmlNode child = element.child(i);
        const std::string which = named + " child " + std::to_string(i + 1);
        if (!child.isElement())
            reportFileProblem(file, which + " is not an element but takes a variant's place", "that pick plays silence");
        else if (child.attribute("file").empty())
            reportFileProblem(file, which + " names no file", "that pick plays silence");
    }
}

void checkMusic(const CXmlNode& root, const std::string& file)
{
    for (const auto& [attribute, instead] : {std::pair{"gamemusic", "play has no music"},
                                             std::pair{"menumusic", "the menu has no music"}}) {
        if (root.attribute(attribute).empty())
            reportFileProblem(file, std::string("the root names no ") + attribute, instead);
    }
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
    const bool readable = document.load(path);
    if (!readable)
        reportFileProblem(path, whyUnusable(path, "not readable XML", CXmlDocument::MaxFileSize),
                          "the game plays without sound");
    const CXmlNode root = document.root();

    if (readable)
        checkMusic(root, path);
    gameMusic = openMusic(*backend, root.attribute("gamemusic"));
    menuMusic = openMusic(*backend, root.attribute("menumusic"));

    for (size_t i = 0; i < SoundSet.size(); ++i) {
        const CXmlNode element = root.findChild(SoundSet[i]);
        if (readable)
            checkGroup(element, SoundSet[i], path);
        groups[i].load(*backend, element, readVolume(element, SoundSet[i], path));
    }
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

