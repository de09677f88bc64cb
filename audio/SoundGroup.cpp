#include "audio/SoundGroup.h"

#include "files/FileProblems.h"
#include "game/Random.h"
#include "xml/XmlDocument.h"

#include <algorithm>

// Without a sound device nothing loads, and that is no file's fault; with
// one, a file that fails is missing or not a sound the game can read.
void reportUnplayable(const CAudioBackend& audio, const std::string& file, const std::string& instead)
{
    const std::string why = whyUnusable(file, audio.hasOutput() ? "not a readable sound" : "");
    if (!why.empty())
        reportFileProblem(file, why, instead);
}

void CSoundGroup::load(CAudioBackend& audio, const CXmlNode& element, int volume)
{
    backend = &audio;
    variants.fill(0);
    variantCount = 0;
    // Children past the sixteenth are ignored; those before keep their places
    // even when their file does not load.
    for (int i = 0; i < element.childCount() && variantCount < MaxVariants; ++i) {
        const std::string file = element.child(i).attribute("file");
        variants[variantCount++] = audio.loadSample(file);
        if (variants[variantCount - 1] == 0 && !file.empty())
            reportUnplayable(audio, file, "that sound stays silent");
    }
    groupVolume = volume;
}

AudioHandle CSoundGroup::play(CRandom& random, int variant, int volume, int pan, int pitchSpread, int* picked) const
{
    if (variantCount == 0 || !backend)
        return 0;

    int index = variant;
    if (variant >= variantCount) {
        index = 0;
    } else if (variant < 0) {
        // randomUnit() may return exactly 1; that pick belongs to the last variant.
        index = std::min(static_cast<int>(random.randomUnit() * variantCount), variantCount - 1);
    }

    if (picked)
        *picked = index;
    if (volume == -1)
        volume = groupVolume;

    const int frequency = static_cast<int>(NaturalFrequency + random.randomUnit() * pitchSpread);
    return backend->playSample(variants[index], frequency, volume, pan);
}
