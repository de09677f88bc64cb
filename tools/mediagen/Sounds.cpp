// The game's sound effects, each a short mono WAV made from scratch: thuds of
// bricks on the floor, wooden knocks of a landing piece, clicks and ticks,
// chimes for cleared rows, a fanfare for a new level and a swish for a turn.
// media/sound.xml names these files and sets how loud each group plays.
#include "MediaGenerator.h"
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace synth;

namespace {

// -3 dBFS: room for the pitch spread's resampling and for the music underneath.
constexpr float Peak = 0.7f;

// A struck body: partials at ratios of a base frequency, each fading at its own rate.
struct Partial {
    double ratio;
    float amplitude;
    double decay; // seconds to fall to 1/e
};

// attack is the rise time in seconds: a few milliseconds make a struck note
// round instead of ticking; partials high above 4 kHz are tamed so nothing
// rings shrill.
void addPartials(Mono& out, size_t start, double frequency, std::initializer_list<Partial> partials, float gain,
                 double attack = 0.0005)
{
    for (const Partial& p : partials) {
        const double f = frequency * p.ratio;
        if (f > Rate * 0.45)
            continue;
        const double step = 2.0 * Pi * f / Rate;
        const double taming = f > 4000 ? (4000 / f) * (4000 / f) : 1.0;
        const size_t length = std::min(out.size() - std::min(start, out.size()), seconds(p.decay * 7));
        for (size_t i = 0; i < length; ++i) {
            const double t = static_cast<double>(i) / Rate;
            const double rise = t < attack ? std::pow(std::sin(0.5 * Pi * t / attack), 2.0) : 1.0;
            out[start + i] += gain * p.amplitude * static_cast<float>(taming * rise * std::sin(step * i) * std::exp(-t / p.decay));
        }
    }
}

// A burst of filtered noise: the contact of the strike.
void addNoiseBurst(Mono& out, uint32_t seed, double centre, double q, double decay, float gain)
{
    CNoise noise(seed);
    CBiquad band;
    band.bandpass(centre, q);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double rise = std::min(1.0, t / 0.0004);
        out[i] += gain * band.process(noise.next()) * static_cast<float>(rise * std::exp(-t / decay));
    }
}

Mono finish(Mono signal, double lowCut = 30.0)
{
    highpassInPlace(signal, lowCut);
    fadeEdges(signal, 44, std::max(seconds(0.02), signal.size() * 3 / 10));
    normalize(signal, Peak);
    return signal;
}

// A brick landing on the floor: a low thump falling in pitch, the dull
// crunch of the contact and a little boom of the floor.
Mono floorThud(uint32_t seed, double pitch, double crunch, double length)
{
    Mono out(seconds(length));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / Rate;
        phase += 2.0 * Pi * pitch * (1.0 + 1.3 * std::exp(-t / 0.012)) / Rate;
        out[i] = static_cast<float>(std::sin(phase) * std::exp(-t / 0.07));
    }
    addNoiseBurst(out, seed, crunch, 0.9, 0.012, 1.4f);
    addNoiseBurst(out, seed + 7, pitch * 2.5, 3.0, 0.05, 1.2f);
    // Soften the top: bricks are heavy, the floor is not metal.
    CBiquad soften;
    soften.lowpass(2200, 0.7);
    for (float& s : out)
        s = soften.process(s);
    return finish(out);
}

// The falling piece coming to rest: a knock on wood, bright for an instant,
// then the ring of the block.
Mono woodKnock(uint32_t seed, double pitch)
{
    Mono out(seconds(0.25));
    addPartials(out, 0, pitch, {{1.0, 1.0f, 0.045}, {2.57, 0.45f, 0.022}, {4.1, 0.22f, 0.012}, {5.9, 0.1f, 0.008}}, 1.0f);
    addPartials(out, 0, pitch * 0.5, {{1.0, 0.5f, 0.03}}, 1.0f);
    addNoiseBurst(out, seed, 2200, 1.0, 0.003, 2.0f);
    // Wood is not glass: keep the strike's crack below the hiss region.
    CBiquad soften;
    soften.lowpass(7000, 0.7);
    for (float& s : out)
        s = soften.process(s);
    return finish(out, 60.0);
}

// A key on the menu: a short, round click.
Mono menuClick()
{
    Mono out(seconds(0.06));
    addPartials(out, 0, 1750, {{1.0, 1.0f, 0.006}, {1.53, 0.4f, 0.004}}, 1.0f);
    addNoiseBurst(out, 11, 3200, 1.5, 0.002, 0.8f);
    return finish(out, 200.0);
}

// A new piece in the well: a soft tick, barely there.
Mono softTick()
{
    Mono out(seconds(0.09));
    addPartials(out, 0, 1250, {{1.0, 1.0f, 0.009}, {2.0, 0.25f, 0.005}}, 1.0f);
    addPartials(out, 0, 320, {{1.0, 0.6f, 0.012}}, 1.0f);
    return finish(out, 100.0);
}

// The piece hitting the well's frame: a dull metal clunk that rings a little.
Mono frameClunk(uint32_t seed, double pitch)
{
    Mono out(seconds(0.9));
    addPartials(out, 0, pitch, {{1.0, 1.0f, 0.22}, {2.76, 0.5f, 0.12}, {5.40, 0.25f, 0.06}, {8.93, 0.1f, 0.03}}, 1.0f);
    addPartials(out, 0, pitch * 0.35, {{1.0, 0.8f, 0.04}}, 1.0f);
    addNoiseBurst(out, seed, 1500, 1.2, 0.006, 1.5f);
    return finish(out, 50.0);
}

// ---- chimes and fanfare --------------------------------------------------------

// One chime note: mostly the fundamental, a touch of bell above it.
void addChime(Mono& out, double start, double midi, float gain, double ring)
{
    addPartials(out, seconds(start), noteFrequency(midi),
                {{1.0, 1.0f, ring}, {2.0, 0.22f, ring * 0.45}, {2.76, 0.1f, ring * 0.3}, {5.4, 0.04f, ring * 0.15}},
                gain, 0.003);
}

// Mixes in a room so the chimes bloom instead of stopping dead.
Mono withRoom(const Mono& dry, float roomSize, float wet)
{
    Stereo in(dry.size());
    in.mix(dry, 0, 1.0f, 0.0f);
    CReverb room(roomSize, 0.5f);
    const Stereo reverb = room.process(in);
    Mono out(dry.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = dry[i] + wet * (reverb.left[i] + reverb.right[i]);
    return out;
}

// Rows cleared: chimes rising over a C major chord, one more step and one more
// octave of sparkle for each row.
Mono lineChimes(int rows)
{
    static const std::vector<double> Notes[] = {
        {72, 79}, {72, 76, 79}, {72, 76, 79, 84}, {72, 76, 79, 84, 88, 91, 96}};
    const double length[] = {1.6, 1.8, 2.0, 3.2};
    const double step = rows == 4 ? 0.065 : 0.075;
    const std::vector<double>& notes = Notes[rows - 1];
    Mono out(seconds(length[rows - 1]));
    for (size_t i = 0; i < notes.size(); ++i)
        addChime(out, i * step, notes[i], 0.8f + 0.05f * i, 0.35 + 0.05 * rows);
    if (rows == 4) {
        // The crowning chord, held and ringing.
        const double at = notes.size() * step + 0.04;
        for (double midi : {84.0, 88.0, 91.0, 96.0})
            addChime(out, at, midi, 0.55f, 0.9);
        addChime(out, at, 72, 0.5f, 1.1);
        addChime(out, at, 60, 0.45f, 1.1);
    }
    return finish(withRoom(out, rows == 4 ? 0.8f : 0.6f, 0.9f), 80.0);
}

// A brass-like voice: two slightly detuned saws through a filter that opens
// on the attack, with a slow vibrato once the note is held.
void addBrass(Mono& out, double start, double length, double midi, float gain)
{
    const double frequency = noteFrequency(midi);
    CSaw a, b;
    b.phase = 0.37;
    CBiquad filter;
    const size_t first = seconds(start);
    const size_t frames = seconds(length + 0.12);
    for (size_t i = 0; i < frames && first + i < out.size(); ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double attack = std::min(1.0, t / 0.018);
        const double release = t > length ? std::exp(-(t - length) / 0.04) : 1.0;
        const double swell = 0.8 + 0.2 * std::exp(-t / 0.12);
        const double vibrato = t > 0.15 ? 1.0 + 0.003 * std::sin(2 * Pi * 5.5 * t) : 1.0;
        if (i % 32 == 0)
            filter.lowpass(700 + 2600 * std::exp(-t / 0.18) * attack, 0.9);
        const float sample = 0.5f * (a.next(frequency * vibrato * 1.0023) + b.next(frequency * vibrato * 0.9977));
        out[first + i] += gain * static_cast<float>(attack * release * swell) * filter.process(sample);
    }
}

// A new level: a short rising fanfare ending on a held major chord.
Mono fanfare()
{
    Mono out(seconds(2.2));
    const double beat = 0.13;
    addBrass(out, 0 * beat, 0.1, 67, 0.8f);
    addBrass(out, 1 * beat, 0.1, 72, 0.8f);
    addBrass(out, 2 * beat, 0.1, 76, 0.8f);
    for (double midi : {79.0, 76.0, 72.0, 60.0})
        addBrass(out, 3 * beat, 0.75, midi, midi == 79.0 ? 0.8f : 0.5f);
    addChime(out, 3 * beat, 96, 0.25f, 0.5);
    return finish(withRoom(out, 0.7f, 0.7f), 60.0);
}

// A turn: air swept upward, soft at both ends.
Mono swish()
{
    const double length = 0.17;
    Mono out(seconds(length));
    CNoise noise(99);
    CBiquad band, top;
    top.lowpass(6000, 0.7);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / Rate;
        const double x = t / length;
        if (i % 16 == 0)
            band.bandpass(500.0 * std::pow(6.0, x), 1.3);
        const double envelope = std::pow(std::sin(Pi * std::pow(x, 0.7)), 2.0);
        out[i] = static_cast<float>(envelope) * top.process(band.process(noise.next()));
    }
    return finish(out, 150.0);
}

bool makeSounds(const std::filesystem::path& mediaDir)
{
    bool ok = true;
    auto write = [&](const std::string& name, const Mono& signal) { ok = writeWav(mediaDir / name, signal) && ok; };

    write("hitfloor1.wav", floorThud(1, 62, 900, 0.32));
    write("hitfloor2.wav", floorThud(2, 55, 700, 0.36));
    write("hitfloor3.wav", floorThud(3, 70, 1100, 0.28));
    write("hitfloor4.wav", floorThud(4, 58, 800, 0.34));
    write("menuitem.wav", menuClick());
    write("newbrick.wav", softTick());
    write("hitbrick1.wav", woodKnock(21, 430));
    write("hitbrick2.wav", woodKnock(22, 480));
    write("hitbrick3.wav", woodKnock(23, 520));
    write("hitframe1.wav", frameClunk(31, 310));
    write("hitframe2.wav", frameClunk(32, 345));
    for (int rows = 1; rows <= 4; ++rows)
        write("line" + std::to_string(rows) + ".wav", lineChimes(rows));
    write("levelup.wav", fanfare());
    write("turn.wav", swish());
    return ok;
}

MediaGeneratorRegistration registration("sounds", &makeSounds);

} // namespace
