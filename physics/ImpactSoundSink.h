#pragma once
// Where the debris world sends its impact sounds. The application connects it
// to the "hitfloor" sound group; tests put a recorder in its place.

class CImpactSoundSink {
public:
    virtual ~CImpactSoundSink() = default;

    // volume grows with the depth of the contact and is not clamped here
    // (the sound layer does that); pan runs from about -50 at the left edge of
    // the board to +50 at the right.
    virtual void playImpact(int volume, int pan) = 0;
};
