#include "audio/SoundGroup.h"

#include "game/Random.h"
#include "xml/XmlDocument.h"

#include <algorithm>

void CSoundGroup::load(CAudioBackend& audio, const CXmlNode& element)
{
    backend = &audio;
    variants.fill(0);
    variantCount = 0;
    // Children past the sixteenth are ignored; those before keep their places
    // even when their file does not load.
    for (int i = 0; i < element.childCount() && variantCount < MaxVariants; ++i)
        variants[variantCount++] = audio.loadSample(element.child(i).attribute("file"));

    const std::string volumeText = element.attribute("volume");
    groupVolume = volumeText.empty() ? DefaultVolume : parseDecimal(volumeText);
}

AudioHandle CSoundGroup::play(int variant, int volume, int pan, int pitchSpread, int* picked) const
{
    if (variantCount == 0 || !backend)
        return 0;

    int index = variant;
    if (variant >= variantCount) {
        index = 0;
    } else if (variant < 0) {
        // randomUnit() may return exactly 1; that pick belongs to the last variant.
        index = std::min(static_cast<int>(randomUnit() * variantCount), variantCount - 1);
    }

    if (picked)
        *picked = index;
    if (volume == -1)
        volume = groupVolume;

    const int frequency = static_cast<int>(NaturalFrequency + randomUnit() * pitchSpread);
    return backend->playSample(variants[index], frequency, volume, pan);
}
