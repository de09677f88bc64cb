#pragma once
// One sound effect: up to 16 interchangeable samples ("variants") of which
// each play picks one, with an optional random rise in pitch so that a sound
// heard many times in a row does not drone.
#include "sound/AudioBackend.h"

#include <array>

class CRandom;
class CXmlNode;

// Says on standard error why a sound file named in sound.xml did not load.
void reportUnplayable(const CAudioBackend& audio, const std::string& file, const std::string& instead);

class CSoundGroup {
public:
    static constexpr int MaxVariants = 16;
    static constexpr int DefaultVolume = 100;
    static constexpr int NaturalFrequency = 44100;

    // ---- loading -------------------------------------------------------------
    // Reads the effect's element: every child is one variant (its "file"
    // attribute, in document order; past the 16th they are ignored); the
    // group plays at volume (the bank reads it). A variant that fails to load
    // keeps its place with a null sample, which plays nothing. A null element
    // gives an empty, silent group.
    void load(CAudioBackend& backend, const CXmlNode& element, int volume = DefaultVolume);

    // ---- playing -------------------------------------------------------------
    // Plays one variant once. variant -1 picks at random; one past the end
    // falls back to the first. volume -1 means the group's volume. The rate is
    // 44100 Hz plus a random part of pitchSpread. The random picks draw from
    // the stream given. Returns the channel, 0 when nothing played. The
    // variant picked is written to *picked when given.
    AudioHandle play(CRandom& random, int variant, int volume, int pan, int pitchSpread,
                     int* picked = nullptr) const;

    // ---- state -------------------------------------------------------------
    int count() const { return variantCount; }
    int volume() const { return groupVolume; }
    AudioHandle variant(int index) const { return variants[index]; }

private:
    CAudioBackend* backend = nullptr;
    std::array<AudioHandle, MaxVariants> variants {};
    int variantCount = 0;
    int groupVolume = DefaultVolume;
};
