#pragma once
// Envelopes (animated values) and image clips of a LightWave object, with the
// readers of their ENVL and CLIP chunks. The game only uses a still clip's file
// name; the rest is read so the object is complete.
#include "lwo/LwoSurface.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

struct LwoEnvelopeKey {
    float value = 0.0f;
    float time = 0.0f;
    LwoId shape = 0;
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    std::array<float, 4> parameters{};
};

struct LwoEnvelope {
    int index = 0;
    int type = 0;
    std::string name;
    // Sorted by time; equal times keep their order of arrival.
    std::vector<LwoEnvelopeKey> keys;
    int preBehaviour = 0;
    int postBehaviour = 0;
    std::vector<std::unique_ptr<LwoPlugin>> channelFilters;
};

// Orders the keys by time, keeping keys of equal time in their order of
// arrival (as inserting each after the keys of its time would).
void sortLwoEnvelopeKeys(LwoEnvelope& envelope);

struct LwoClip {
    int index = 0;
    LwoId type = 0; // STIL, ISEQ, ANIM, XREF or STCC

    struct Still {
        std::string fileName;
    } still;
    struct Sequence {
        std::string prefix;
        std::string suffix;
        int digits = 0;
        int flags = 0;
        int offset = 0;
        int start = 0;
        int end = 0;
    } sequence;
    struct Animation {
        std::string name;
        std::string server;
        std::vector<uint8_t> data;
    } animation;
    struct Reference {
        int index = 0;
        std::string name;
    } reference;
    struct ColourCycle {
        int low = 0;
        int high = 0;
        std::string name;
    } colourCycle;

    float startTime = 0.0f;
    float duration = 0.0f;
    float frameRate = 0.0f;
    LwoEnvelopedValue contrast{1.0f, 0};
    LwoEnvelopedValue brightness{1.0f, 0};
    LwoEnvelopedValue saturation{1.0f, 0};
    LwoEnvelopedValue hue;
    LwoEnvelopedValue gamma{1.0f, 0};
    int negative = 0;
    std::vector<std::unique_ptr<LwoPlugin>> imageFilters;
    std::vector<std::unique_ptr<LwoPlugin>> pixelFilters;
};

// Readers of an ENVL or CLIP chunk whose body of `size` bytes starts at the
// reader's position; null when the chunk is malformed.
std::unique_ptr<LwoEnvelope> readLwoEnvelope(CLwoReader& in, uint32_t size);
std::unique_ptr<LwoClip> readLwoClip(CLwoReader& in, uint32_t size);
