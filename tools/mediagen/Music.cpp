// The game's two music pieces, composed here note by note and written as
// looping Ogg Vorbis files: a calm one for the menu and a driving one for play.
// Each is rendered with its ring-out folded back onto its start, so the last
// bar flows into the first without a seam when the game loops the file.
#include "MediaGenerator.h"
#include "Synth.h"

#include <cmath>
#include <functional>
#include <vector>

using namespace synth;

namespace {

// -6 dBFS: the music sits under the effects, and both together stay below full
// scale (the output adds them).
constexpr float Peak = 0.5f;
constexpr double Tail = 4.0;         // seconds rendered past the loop for ring-outs
constexpr double OggQuality = 0.4;   // about 128 kbit/s, plenty for these timbres

// Where beats fall in frames, for one tempo.
struct Tempo {
    double bpm;
    size_t at(double beat) const { return static_cast<size_t>(std::lround(beat * 60.0 / bpm * Rate)); }
    double secondsOf(double beats) const { return beats * 60.0 / bpm; }
};

// Renders one note: the shape function gets the time since the note began.
Mono voice(double length, const std::function<float(double)>& shape)
{
    Mono out(seconds(length));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = shape(static_cast<double>(i) / Rate);
    return out;
}

// Attack-hold-release shape without corners a listener would hear as a click.
double envelope(double t, double attack, double hold, double release)
{
    if (t < attack)
        return std::sin(0.5 * Pi * t / attack);
    if (t < hold)
        return 1.0;
    return std::exp(-(t - hold) / release);
}

// ---- instruments ---------------------------------------------------------------

// A warm pad: three detuned saws through a slowly breathing low-pass.
Mono pad(double midi, double hold, double cutoff, uint32_t seed)
{
    const double f = noteFrequency(midi);
    CSaw saws[3];
    for (int i = 0; i < 3; ++i)
        saws[i].phase = (seed * (i + 3) % 97) / 97.0;
    CBiquad filter;
    size_t n = 0;
    return voice(hold + 1.8, [&](double t) {
        if (n++ % 64 == 0)
            filter.lowpass(cutoff * (1.0 + 0.25 * std::sin(2 * Pi * 0.23 * t + seed)), 0.6);
        const float s = saws[0].next(f * 0.996) + saws[1].next(f) + saws[2].next(f * 1.004);
        return static_cast<float>(envelope(t, 0.9, hold, 0.6)) * filter.process(s) / 3.0f;
    });
}

// An electric piano: a sine modulated by its own frequency, bright on the
// strike and mellowing as it rings.
Mono electricPiano(double midi, double hold)
{
    const double f = noteFrequency(midi);
    return voice(hold + 1.0, [=](double t) {
        const double index = 2.6 * std::exp(-t / 0.3) + 0.45;
        const double s = std::sin(2 * Pi * f * t + index * std::sin(2 * Pi * f * t));
        const double amp = envelope(t, 0.003, hold, 0.25) * std::exp(-t / 1.6);
        return static_cast<float>(s * amp);
    });
}

// A soft sine bass with a little second harmonic for small speakers.
Mono softBass(double midi, double hold)
{
    const double f = noteFrequency(midi);
    return voice(hold + 0.6, [=](double t) {
        const double s = std::sin(2 * Pi * f * t) + 0.25 * std::sin(4 * Pi * f * t);
        return static_cast<float>(s * envelope(t, 0.05, hold, 0.15));
    });
}

// A bell for the menu melody.
Mono bell(double midi, double ring)
{
    const double f = noteFrequency(midi);
    return voice(ring * 5, [=](double t) {
        const double s = std::sin(2 * Pi * f * t) * std::exp(-t / ring)
                         + 0.2 * std::sin(2 * Pi * 2 * f * t) * std::exp(-t / (ring * 0.4))
                         + 0.06 * std::sin(2 * Pi * 2.76 * f * t) * std::exp(-t / (ring * 0.2));
        return static_cast<float>(s * std::min(1.0, t / 0.004));
    });
}

Mono kick()
{
    CNoise noise(5);
    CBiquad click;
    click.bandpass(3000, 1.0);
    double phase = 0;
    return voice(0.4, [&](double t) {
        phase += 2 * Pi * 48.0 * (1.0 + 2.2 * std::exp(-t / 0.025)) / Rate;
        const double body = std::sin(phase) * std::exp(-t / 0.2);
        return static_cast<float>(body + 0.25 * click.process(noise.next()) * std::exp(-t / 0.002));
    });
}

Mono snare()
{
    CNoise noise(6);
    CBiquad band, air;
    band.bandpass(1800, 0.7);
    air.highpass(5000, 0.7);
    return voice(0.35, [&](double t) {
        const float n = noise.next();
        const double s = 0.5 * std::sin(2 * Pi * 185 * t) * std::exp(-t / 0.05)
                         + 1.2 * band.process(n) * std::exp(-t / 0.11)
                         + 0.35 * air.process(n) * std::exp(-t / 0.05);
        return static_cast<float>(s * std::min(1.0, t / 0.001));
    });
}

Mono hat(double decay, uint32_t seed)
{
    CNoise noise(seed);
    CBiquad air, soften;
    air.highpass(7000, 0.7);
    soften.lowpass(12000, 0.7);
    return voice(decay * 6, [&](double t) {
        return static_cast<float>(std::exp(-t / decay) * std::min(1.0, t / 0.0005)) * soften.process(air.process(noise.next()));
    });
}

// Saw voice with a filter that snaps open on the note: bass and arpeggio.
Mono pluck(double midi, double hold, double baseCutoff, double sweep, double sweepTime, double decay)
{
    const double f = noteFrequency(midi);
    CSaw a, b;
    b.phase = 0.5;
    CBiquad filter;
    size_t n = 0;
    return voice(hold + 0.1, [&](double t) {
        if (n++ % 16 == 0)
            filter.lowpass(baseCutoff + sweep * std::exp(-t / sweepTime), 1.1);
        const float s = 0.5f * (a.next(f * 0.998) + b.next(f * 1.002));
        return static_cast<float>(envelope(t, 0.003, hold, 0.02) * std::exp(-t / decay)) * filter.process(s);
    });
}

// The game melody: a rounded saw lead that starts to sing after a moment.
Mono lead(double midi, double hold)
{
    const double f = noteFrequency(midi);
    CSaw a, b;
    b.phase = 0.25;
    CBiquad filter;
    filter.lowpass(2400, 0.8);
    return voice(hold + 0.3, [&](double t) {
        const double vibrato = 1.0 + 0.004 * std::sin(2 * Pi * 5.2 * t) * std::min(1.0, std::max(0.0, t - 0.2) / 0.3);
        const float s = 0.5f * (a.next(f * vibrato * 0.997) + b.next(f * vibrato * 1.003));
        return static_cast<float>(envelope(t, 0.012, hold, 0.06)) * filter.process(s);
    });
}

// ---- mixing --------------------------------------------------------------------

void addStereo(Stereo& to, const Stereo& from, float gain)
{
    for (size_t i = 0; i < to.size(); ++i) {
        to.left[i] += gain * from.left[i];
        to.right[i] += gain * from.right[i];
    }
}

void addReverb(Stereo& mix, const Stereo& send, float roomSize, float wet)
{
    CReverb room(roomSize, 0.45f);
    addStereo(mix, room.process(send), wet);
}

// Ends a piece: fold the ring-out onto the start, trim the lows, level it.
bool writeLoop(const std::filesystem::path& path, Stereo mix, size_t loopFrames)
{
    foldLoop(mix, loopFrames);
    highpassInPlace(mix.left, 25);
    highpassInPlace(mix.right, 25);
    normalize(mix, Peak);
    return writeOgg(path, mix, OggQuality);
}

// ---- the menu: calm, in D major, eight slow bars --------------------------------

bool makeMenuMusic(const std::filesystem::path& path)
{
    const Tempo tempo {60};
    const int bars = 8;
    const size_t loop = tempo.at(bars * 4);
    Stereo pads(loop + seconds(Tail)), keys(pads.size()), low(pads.size()), melody(pads.size());

    // Chord tones per bar, bass first.
    const std::vector<std::vector<double>> chords = {
        {50, 57, 61, 64, 66}, {47, 54, 57, 61, 62}, {43, 50, 54, 57, 59}, {45, 52, 55, 59, 62},
        {50, 57, 61, 64, 66}, {42, 49, 52, 57, 61}, {43, 50, 54, 59, 61}, {45, 52, 57, 62, 64},
    };
    // Which chord tone (one octave up) each eighth of a bar plays; -1 rests.
    const int arpeggio[] = {1, 2, 3, 4, 3, 2, -1, 2};
    for (int bar = 0; bar < bars; ++bar) {
        const std::vector<double>& chord = chords[bar];
        const double beat = bar * 4.0;
        // The bass stays within one octave (B1 to A#2) whatever the chord.
        double root = chord[0];
        while (root > 46)
            root -= 12;
        low.mix(softBass(root, tempo.secondsOf(3.6)), tempo.at(beat), 0.3f, 0.0f);
        for (size_t i = 1; i < chord.size(); ++i)
            pads.mix(pad(chord[i], tempo.secondsOf(3.3), 1600, bar * 10 + static_cast<uint32_t>(i)), tempo.at(beat), 0.13f,
                     -0.6f + 0.3f * static_cast<float>(i));
        for (int e = 0; e < 8; ++e) {
            if (arpeggio[e] < 0)
                continue;
            const float pan = (e % 2 ? 0.35f : -0.35f);
            keys.mix(electricPiano(chord[arpeggio[e]] + 12, tempo.secondsOf(0.45)), tempo.at(beat + e * 0.5), 0.3f, pan);
        }
    }
    // A slow melody over the second half: notes as (beat, MIDI note, ring).
    const struct { double beat; double midi; double ring; } tune[] = {
        {16, 78, 1.4}, {18, 76, 0.8}, {19, 74, 0.8}, {20, 71, 1.4}, {22, 73, 0.8}, {23, 74, 0.8},
        {24, 76, 1.4}, {26, 73, 0.8}, {27, 69, 0.8}, {28, 76, 1.2}, {30, 74, 0.8}, {31, 76, 1.0},
    };
    for (const auto& note : tune)
        melody.mix(bell(note.midi, note.ring), tempo.at(note.beat), 0.4f, 0.15f);

    Stereo mix(pads.size()), send(pads.size());
    addStereo(mix, pads, 1.0f);
    addStereo(mix, keys, 1.0f);
    addStereo(mix, low, 1.0f);
    addStereo(mix, melody, 1.0f);
    addStereo(send, pads, 0.8f);
    addStereo(send, keys, 1.0f);
    addStereo(send, melody, 1.2f);
    addReverb(mix, send, 0.85f, 0.9f);
    return writeLoop(path, std::move(mix), loop);
}

// ---- play: driving, in A minor, sixteen bars at 124 beats a minute ---------------

bool makeGameMusic(const std::filesystem::path& path)
{
    const Tempo tempo {124};
    const int bars = 16;
    const size_t loop = tempo.at(bars * 4);
    const size_t frames = loop + seconds(Tail);
    Stereo drums(frames), bass(frames), arps(frames), pads(frames), leads(frames);

    // Am F C G, a bar each: root, then the chord tones the arpeggio uses.
    const std::vector<std::vector<double>> chords = {
        {45, 69, 72, 76, 81}, {41, 69, 72, 77, 81}, {48, 67, 72, 76, 79}, {43, 67, 71, 74, 79},
    };
    const Mono kickSound = kick(), snareSound = snare(), closedHat = hat(0.02, 7), openHat = hat(0.07, 8);
    const int arpeggio[] = {1, 2, 3, 2, 4, 3, 2, 3, 1, 2, 3, 4, 3, 2, 4, 3};
    const int bassOctaves[] = {0, 0, 12, 0, 0, 12, 0, 12};

    for (int bar = 0; bar < bars; ++bar) {
        const std::vector<double>& chord = chords[bar % 4];
        const double beat = bar * 4.0;
        for (int b = 0; b < 4; ++b) {
            drums.mix(kickSound, tempo.at(beat + b), 0.8f, 0.0f);
            if (b % 2 == 1)
                drums.mix(snareSound, tempo.at(beat + b), 0.42f, 0.05f);
            drums.mix(openHat, tempo.at(beat + b + 0.5), 0.12f, 0.3f);
            for (double sixteenth : {0.25, 0.75})
                drums.mix(closedHat, tempo.at(beat + b + sixteenth), 0.06f, 0.3f);
        }
        // A snare run closes every fourth bar and leads back into the first.
        if (bar % 4 == 3) {
            for (int s = 0; s < 4; ++s)
                drums.mix(snareSound, tempo.at(beat + 3 + s * 0.25), 0.12f + 0.06f * s, -0.05f);
        }
        for (int e = 0; e < 8; ++e)
            bass.mix(pluck(chord[0] - 12 + bassOctaves[e], tempo.secondsOf(0.4), 180, 900, 0.07, 0.5),
                     tempo.at(beat + e * 0.5), 0.3f, 0.0f);
        if (bar >= 2) {
            for (int s = 0; s < 16; ++s)
                arps.mix(pluck(chord[arpeggio[s]], tempo.secondsOf(0.2), 500, 3000, 0.05, 0.16), tempo.at(beat + s * 0.25),
                         0.24f, (s % 2 ? 0.25f : -0.25f));
        }
        if (bar >= 4) {
            for (size_t i = 1; i < 4; ++i)
                pads.mix(pad(chord[i] - 12, tempo.secondsOf(3.7), 2000, bar * 3 + static_cast<uint32_t>(i)), tempo.at(beat),
                         0.1f, -0.5f + 0.33f * static_cast<float>(i));
        }
    }

    // The melody over the second half: (beat, MIDI note, length in beats).
    const struct { double beat; double midi; double length; } tune[] = {
        {32, 76, 1.5}, {33.5, 74, 0.5}, {34, 72, 1}, {35, 74, 1},
        {36, 72, 1.5}, {37.5, 69, 0.5}, {38, 72, 1}, {39, 77, 1},
        {40, 76, 1.5}, {41.5, 79, 0.5}, {42, 76, 1}, {43, 74, 1},
        {44, 74, 2}, {46, 71, 1}, {47, 67, 1},
        {48, 81, 1.5}, {49.5, 79, 0.5}, {50, 76, 1}, {51, 72, 1},
        {52, 77, 1.5}, {53.5, 76, 0.5}, {54, 72, 1}, {55, 69, 1},
        {56, 79, 1}, {57, 76, 1}, {58, 72, 1}, {59, 76, 1},
        {60, 74, 2}, {62, 71, 1}, {63, 74, 0.5}, {63.5, 76, 0.5},
    };
    for (const auto& note : tune)
        leads.mix(lead(note.midi, tempo.secondsOf(note.length * 0.92)), tempo.at(note.beat), 0.3f, -0.1f);

    // The kick pushes the bass and pads down for a moment: the pulse of the piece.
    for (size_t i = 0; i < frames; ++i) {
        const double beats = static_cast<double>(i) / Rate * tempo.bpm / 60.0;
        const float duck = static_cast<float>(1.0 - 0.45 * std::exp(-(beats - std::floor(beats)) * tempo.secondsOf(1) / 0.09));
        bass.left[i] *= duck;
        bass.right[i] *= duck;
        pads.left[i] *= duck;
        pads.right[i] *= duck;
    }

    // Echoes of the arpeggio, three sixteenths apart and thrown side to side.
    Stereo echoes(frames);
    const size_t delay = tempo.at(0.75);
    for (int k = 1; k <= 4; ++k) {
        const float gain = static_cast<float>(std::pow(0.35, k));
        const bool toLeft = k % 2 == 1;
        for (size_t i = delay * k; i < frames; ++i) {
            const float s = arps.left[i - delay * k] + arps.right[i - delay * k];
            (toLeft ? echoes.left : echoes.right)[i] += gain * s * 0.7f;
            (toLeft ? echoes.right : echoes.left)[i] += gain * s * 0.2f;
        }
    }

    Stereo mix(frames), send(frames);
    for (const Stereo* bus : {&drums, &bass, &arps, &pads, &leads, &echoes})
        addStereo(mix, *bus, 1.0f);
    addStereo(send, pads, 1.0f);
    addStereo(send, arps, 0.6f);
    addStereo(send, leads, 0.8f);
    addStereo(send, drums, 0.15f);
    addReverb(mix, send, 0.7f, 0.7f);
    return writeLoop(path, std::move(mix), loop);
}

bool makeMusic(const std::filesystem::path& mediaDir)
{
    const bool menu = makeMenuMusic(mediaDir / "menumusic.ogg");
    const bool game = makeGameMusic(mediaDir / "gamemusic.ogg");
    return menu && game;
}

MediaGeneratorRegistration registration("music", &makeMusic);

} // namespace
