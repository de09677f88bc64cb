#pragma once
// A small synthesiser kit for the game's sounds: oscillators, noise, filters,
// a reverb, and writers for WAV and Ogg Vorbis. Everything runs at 44.1 kHz on
// float samples in -1..1; the generators shape whole notes into buffers.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace synth {

constexpr int Rate = 44100;
constexpr double Pi = 3.14159265358979323846;

using Mono = std::vector<float>;

struct Stereo {
    Mono left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t size() const { return left.size(); }
    // Adds a mono signal at a start frame, placed by pan (-1 left .. 1 right,
    // equal power); what runs past the end is cut.
    void mix(const Mono& signal, size_t start, float gain, float pan);
};

// Frequency of a MIDI note (69 = A4 = 440 Hz).
double noteFrequency(double midi);
size_t seconds(double s);

// ---- sources ---------------------------------------------------------------
// White noise from a fixed seed, so every build makes the same files.
class CNoise {
public:
    explicit CNoise(uint32_t seed) : state(seed ? seed : 1) {}
    float next();

private:
    uint32_t state;
};

// A sawtooth with its aliasing smoothed away at the jumps (PolyBLEP).
class CSaw {
public:
    float next(double frequency);
    double phase = 0.0;
};

// ---- filters -----------------------------------------------------------------
class CBiquad {
public:
    void lowpass(double frequency, double q);
    void highpass(double frequency, double q);
    void bandpass(double frequency, double q);
    float process(float x);

private:
    void set(double b0, double b1, double b2, double a0, double a1, double a2);
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;
};

// A plate-like room after the well-known eight-comb, four-allpass design.
class CReverb {
public:
    CReverb(float roomSize, float damping);
    // Returns the wet signal only; stereo input, stereo output.
    Stereo process(const Stereo& dry);

private:
    struct Comb {
        std::vector<float> buffer;
        size_t index = 0;
        float store = 0;
    };
    struct Allpass {
        std::vector<float> buffer;
        size_t index = 0;
    };
    float runChannel(float input, std::vector<Comb>& combs, std::vector<Allpass>& allpasses);
    std::vector<Comb> combsLeft, combsRight;
    std::vector<Allpass> allpassesLeft, allpassesRight;
    float feedback, damp;
};

// ---- shaping and writing -----------------------------------------------------
// Scales so that the highest absolute sample is peak.
void normalize(Mono& signal, float peak);
void normalize(Stereo& signal, float peak);
// Fades so a file starts and ends at silence, without a click.
void fadeEdges(Mono& signal, size_t fadeIn, size_t fadeOut);
// Removes DC and rumble below the given frequency.
void highpassInPlace(Mono& signal, double frequency);
// Folds everything past loopFrames onto the start: the ring-out of the end of
// the piece sounds over its beginning, as it does when the piece repeats.
void foldLoop(Stereo& signal, size_t loopFrames);

bool writeWav(const std::filesystem::path& path, const Mono& signal);
bool writeOgg(const std::filesystem::path& path, const Stereo& signal, double quality);

} // namespace synth
