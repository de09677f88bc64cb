#pragma once
// Stands in for the hitfloor sound group: records every impact the debris
// world sends, with the update during which it played.
#include "physics/ImpactSoundSink.h"

#include <vector>

struct RecordedImpact {
    int volume;
    int pan;
    int update; // index of the update during which it played
};

class RecordingSink : public CImpactSoundSink {
public:
    void playImpact(int volume, int pan) override { sounds.push_back({volume, pan, currentUpdate}); }
    std::vector<RecordedImpact> sounds;
    int currentUpdate = 0;
};
