#include "Synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace synth {

void Stereo::mix(const Mono& signal, size_t start, float gain, float pan)
{
    const double angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0) * Pi / 4.0;
    const float gainLeft = gain * static_cast<float>(std::cos(angle));
    const float gainRight = gain * static_cast<float>(std::sin(angle));
    for (size_t i = 0; i < signal.size() && start + i < size(); ++i) {
        left[start + i] += signal[i] * gainLeft;
        right[start + i] += signal[i] * gainRight;
    }
}

double noteFrequency(double midi)
{
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

size_t seconds(double s)
{
    return static_cast<size_t>(std::lround(s * Rate));
}

float CNoise::next()
{
    // xorshift32: cheap and good enough for hiss and rumble.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state) / 2147483648.0f - 1.0f;
}

float CSaw::next(double frequency)
{
    const double dt = frequency / Rate;
    double value = 2.0 * phase - 1.0;
    if (phase < dt) {
        const double t = phase / dt;
        value -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - dt) {
        const double t = (phase - 1.0) / dt;
        value -= t * t + t + t + 1.0;
    }
    phase += dt;
    if (phase >= 1.0)
        phase -= 1.0;
    return static_cast<float>(value);
}

void CBiquad::set(double nb0, double nb1, double nb2, double a0, double na1, double na2)
{
    b0 = nb0 / a0;
    b1 = nb1 / a0;
    b2 = nb2 / a0;
    a1 = na1 / a0;
    a2 = na2 / a0;
}

void CBiquad::lowpass(double frequency, double q)
{
    const double w = 2.0 * Pi * std::min(frequency, Rate * 0.45) / Rate;
    const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void CBiquad::highpass(double frequency, double q)
{
    const double w = 2.0 * Pi * std::min(frequency, Rate * 0.45) / Rate;
    const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void CBiquad::bandpass(double frequency, double q)
{
    const double w = 2.0 * Pi * std::min(frequency, Rate * 0.45) / Rate;
    const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
    set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

float CBiquad::process(float x)
{
    // Transposed direct form II: stays quiet when the coefficients move.
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return static_cast<float>(y);
}

CReverb::CReverb(float roomSize, float damping)
    : feedback(roomSize * 0.28f + 0.7f), damp(damping * 0.4f)
{
    const int combTunings[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int allpassTunings[] = {556, 441, 341, 225};
    const int spread = 23;
    for (int tuning : combTunings) {
        combsLeft.push_back({std::vector<float>(tuning), 0, 0});
        combsRight.push_back({std::vector<float>(tuning + spread), 0, 0});
    }
    for (int tuning : allpassTunings) {
        allpassesLeft.push_back({std::vector<float>(tuning), 0});
        allpassesRight.push_back({std::vector<float>(tuning + spread), 0});
    }
}

float CReverb::runChannel(float input, std::vector<Comb>& combs, std::vector<Allpass>& allpasses)
{
    float out = 0;
    for (Comb& comb : combs) {
        const float delayed = comb.buffer[comb.index];
        comb.store = delayed * (1 - damp) + comb.store * damp;
        comb.buffer[comb.index] = input + comb.store * feedback;
        comb.index = (comb.index + 1) % comb.buffer.size();
        out += delayed;
    }
    for (Allpass& allpass : allpasses) {
        const float delayed = allpass.buffer[allpass.index];
        allpass.buffer[allpass.index] = out + delayed * 0.5f;
        allpass.index = (allpass.index + 1) % allpass.buffer.size();
        out = delayed - out;
    }
    return out;
}

Stereo CReverb::process(const Stereo& dry)
{
    Stereo wet(dry.size());
    for (size_t i = 0; i < dry.size(); ++i) {
        const float input = (dry.left[i] + dry.right[i]) * 0.015f;
        wet.left[i] = runChannel(input, combsLeft, allpassesLeft);
        wet.right[i] = runChannel(input, combsRight, allpassesRight);
    }
    return wet;
}

namespace {

float peakOf(const Mono& signal)
{
    float peak = 0;
    for (float s : signal)
        peak = std::max(peak, std::abs(s));
    return peak;
}

void scale(Mono& signal, float factor)
{
    for (float& s : signal)
        s *= factor;
}

} // namespace

void normalize(Mono& signal, float peak)
{
    const float current = peakOf(signal);
    if (current > 0)
        scale(signal, peak / current);
}

void normalize(Stereo& signal, float peak)
{
    const float current = std::max(peakOf(signal.left), peakOf(signal.right));
    if (current > 0) {
        scale(signal.left, peak / current);
        scale(signal.right, peak / current);
    }
}

void fadeEdges(Mono& signal, size_t fadeIn, size_t fadeOut)
{
    const size_t n = signal.size();
    for (size_t i = 0; i < fadeIn && i < n; ++i)
        signal[i] *= static_cast<float>(i) / fadeIn;
    // The end fades along a half cosine, so a ring cut short dies away
    // instead of stopping.
    for (size_t i = 0; i < fadeOut && i < n; ++i)
        signal[n - 1 - i] *= static_cast<float>(0.5 - 0.5 * std::cos(Pi * static_cast<double>(i) / fadeOut));
}

void highpassInPlace(Mono& signal, double frequency)
{
    CBiquad filter;
    filter.highpass(frequency, 0.707);
    for (float& s : signal)
        s = filter.process(s);
}

void foldLoop(Stereo& signal, size_t loopFrames)
{
    for (size_t i = loopFrames; i < signal.size(); ++i) {
        signal.left[(i - loopFrames) % loopFrames] += signal.left[i];
        signal.right[(i - loopFrames) % loopFrames] += signal.right[i];
    }
    signal.left.resize(loopFrames);
    signal.right.resize(loopFrames);
}

bool writeWav(const std::filesystem::path& path, const Mono& signal)
{
    SF_INFO info {};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    // Rounds to 16 bits without wrapping samples that touch full scale.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t written = sf_writef_float(file, signal.data(), static_cast<sf_count_t>(signal.size()));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(signal.size());
}

bool writeOgg(const std::filesystem::path& path, const Stereo& signal, double quality)
{
    SF_INFO info {};
    info.samplerate = Rate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof(quality));
    std::vector<float> interleaved(signal.size() * 2);
    for (size_t i = 0; i < signal.size(); ++i) {
        interleaved[2 * i] = signal.left[i];
        interleaved[2 * i + 1] = signal.right[i];
    }
    const sf_count_t written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(signal.size()));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(signal.size());
}

} // namespace synth
