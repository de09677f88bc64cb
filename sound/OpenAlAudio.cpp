#include "sound/OpenAlAudio.h"

#include "sound/MusicStream.h"
#include "sound/SoundFile.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// The sound libraries' own reports (OpenAL's log, ALSA's and the sound
// servers' complaints about a missing device) reach the terminal only when
// VESBRIK_VERBOSE is set; the game says in one line what they amount to.
bool verbose()
{
    const char* value = std::getenv("VESBRIK_VERBOSE");
    return value && *value && std::string_view(value) != "0";
}

// Standard error goes to /dev/null while the device opens: the libraries
// below OpenAL write there directly and offer no switch of their own.
class QuietStandardError {
public:
    QuietStandardError()
    {
        if (verbose())
            return;
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && nothing >= 0)
            dup2(nothing, STDERR_FILENO);
        if (nothing >= 0)
            close(nothing);
    }
    ~QuietStandardError()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved = -1;
};

constexpr int OutputRate = 44100;
// Longer files are refused as effects (about six minutes); they belong in a stream.
constexpr int64_t MaxSampleFrames = int64_t(1) << 24;
constexpr int64_t ReadPieceFrames = 1 << 16;
// How often the feeding thread tops up the music queues; far shorter than
// the queue (4 x 8192 frames, about 0.7 s) so that a busy machine never
// starves it.
constexpr auto FeedInterval = std::chrono::milliseconds(20);

struct Sample {
    ALuint buffer = 0;
    ALuint source = 0;
};

class COpenAlAudio;

// Outputs still open when the process exits are closed on the way out. A
// fatal error ends the game with std::exit, past every destructor; without
// this the device stays open to the end, and OpenAL complains of it on the
// terminal ("device not closed") as the last word of every such exit.
class OpenOutputs {
public:
    void add(COpenAlAudio* audio);
    void remove(COpenAlAudio* audio);

private:
    static void closeAllAtExit();

    std::mutex guard;
    std::vector<COpenAlAudio*> open;
    // The process that opened them: a forked child that exits closes nothing
    // of its parent's (the threads that feed them are not in the child).
    pid_t owner = 0;
    bool hooked = false;
};

// Never destroyed: an output released by a destructor late in the exit
// still finds it.
OpenOutputs& openOutputs()
{
    static OpenOutputs* const outputs = new OpenOutputs;
    return *outputs;
}

class COpenAlAudio final : public CAudioBackend {
public:
    ~COpenAlAudio() override { shutdown(); }

    void start() override;
    void shutdown() override;
    bool hasOutput() const override { return device != nullptr; }
    AudioHandle loadSample(const std::string& path) override;
    AudioHandle playSample(AudioHandle sample, int frequency, int volume, int pan) override;
    AudioHandle createStream(const std::string& path) override;
    void playStream(AudioHandle stream) override;
    void stopStream(AudioHandle stream) override;
    void rewindStream(AudioHandle stream) override;
    void setStreamVolume(AudioHandle stream, int volume) override;

private:
    void feedLoop();
    CMusicStream* findStream(AudioHandle handle);

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    std::vector<Sample> samples;
    std::vector<std::unique_ptr<CMusicStream>> streams;

    std::mutex lock;
    std::condition_variable wake;
    bool quitting = false;
    std::thread feeder;
};

// Reads a whole file as 16-bit mono; stereo and wider files are mixed down so
// that the pan places them (OpenAL places only mono sources). A file that
// decodes only in part gives that part, and says so; one of which nothing
// decodes gives nothing.
bool readMono(const std::string& path, std::vector<short>& mono, int& rate)
{
    CSoundFile file;
    if (!file.open(path) || file.promisedFrames().value_or(0) > MaxSampleFrames)
        return false;
    const int channels = file.channels();
    std::vector<float> interleaved;
    interleaved.reserve(static_cast<size_t>(file.promisedFrames().value_or(0)) * channels);
    int64_t decoded = 0;
    // In pieces: an Ogg file that lost its end does not say how long it is.
    for (int64_t got = 1; got > 0 && decoded < MaxSampleFrames; decoded += got) {
        const int64_t wanted = std::min<int64_t>(ReadPieceFrames, MaxSampleFrames - decoded);
        interleaved.resize(static_cast<size_t>(decoded + wanted) * channels);
        got = file.read(interleaved.data() + static_cast<size_t>(decoded) * channels, wanted);
    }
    if (decoded == 0)
        return false;
    file.endsEarlyAt(decoded, "the part before plays");
    mono.resize(static_cast<size_t>(decoded));
    for (size_t i = 0; i < mono.size(); ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c)
            sum += interleaved[i * channels + c];
        const float value = std::clamp(sum / channels, -1.0f, 1.0f);
        mono[i] = static_cast<short>(std::lround(value * 32767.0f));
    }
    rate = file.rate();
    return true;
}

void OpenOutputs::add(COpenAlAudio* audio)
{
    std::lock_guard lock(guard);
    open.push_back(audio);
    owner = getpid();
    // Registered after OpenAL has started, so it runs before OpenAL's own
    // clean-up at exit.
    if (!hooked)
        hooked = std::atexit(closeAllAtExit) == 0;
}

void OpenOutputs::remove(COpenAlAudio* audio)
{
    std::lock_guard lock(guard);
    std::erase(open, audio);
}

void OpenOutputs::closeAllAtExit()
{
    std::vector<COpenAlAudio*> closing;
    {
        OpenOutputs& outputs = openOutputs();
        std::lock_guard lock(outputs.guard);
        if (outputs.owner != getpid())
            return;
        closing = outputs.open;
    }
    for (COpenAlAudio* audio : closing)
        audio->shutdown();
}

void COpenAlAudio::start()
{
    if (device)
        return;
    // OpenAL reads its log level once, at its first call.
    if (!verbose())
        setenv("ALSOFT_LOGLEVEL", "0", 0);
    {
        const QuietStandardError quiet;
        device = alcOpenDevice(nullptr);
    }
    if (!device) {
        std::fprintf(stderr, "vesbrik: no sound device; the game plays silently\n");
        return;
    }
    // The limiter bends peaks down where several effects and the music meet,
    // instead of clipping them hard; a library without it ignores the request.
    const ALCint attributes[] = {ALC_FREQUENCY, OutputRate, ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE, 0};
    context = alcCreateContext(device, attributes);
    if (!context || !alcMakeContextCurrent(context)) {
        if (context)
            alcDestroyContext(context);
        alcCloseDevice(device);
        context = nullptr;
        device = nullptr;
        return;
    }
    quitting = false;
    feeder = std::thread([this] { feedLoop(); });
    openOutputs().add(this);
}

void COpenAlAudio::shutdown()
{
    if (!device)
        return;
    {
        std::lock_guard guard(lock);
        quitting = true;
    }
    wake.notify_all();
    if (feeder.joinable())
        feeder.join();

    streams.clear();
    for (Sample& sample : samples) {
        alSourceStop(sample.source);
        alSourcei(sample.source, AL_BUFFER, 0);
        alDeleteSources(1, &sample.source);
        alDeleteBuffers(1, &sample.buffer);
    }
    samples.clear();

    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    openOutputs().remove(this);
}

AudioHandle COpenAlAudio::loadSample(const std::string& path)
{
    if (!device)
        return 0;
    std::vector<short> mono;
    int rate = 0;
    if (!readMono(path, mono, rate))
        return 0;

    Sample sample;
    alGetError();
    alGenBuffers(1, &sample.buffer);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alBufferData(sample.buffer, AL_FORMAT_MONO16, mono.data(), static_cast<ALsizei>(mono.size() * sizeof(short)), rate);
    alGenSources(1, &sample.source);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &sample.buffer);
        return 0;
    }
    alSourcei(sample.source, AL_BUFFER, static_cast<ALint>(sample.buffer));
    // Pan is the source's place on a circle around the listener; with the
    // source relative and no roll-off the distance never changes the volume.
    alSourcei(sample.source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(sample.source, AL_ROLLOFF_FACTOR, 0.0f);
    samples.push_back(sample);
    return static_cast<AudioHandle>(samples.size());
}

AudioHandle COpenAlAudio::playSample(AudioHandle handle, int frequency, int volume, int pan)
{
    if (!device || handle == 0 || handle > samples.size())
        return 0;
    const ALuint source = samples[handle - 1].source;

    const float x = std::clamp(pan, -100, 100) / 100.0f;
    const float pitch = frequency > 0 ? static_cast<float>(frequency) / OutputRate : 1.0f;
    const float gain = std::clamp(volume, 0, 100) / 100.0f;

    // Stopping first rewinds a sample that still sounds: the new playback
    // takes over from the old one.
    alSourceStop(source);
    alSource3f(source, AL_POSITION, x, 0.0f, -std::sqrt(1.0f - x * x));
    alSourcef(source, AL_PITCH, pitch);
    alSourcef(source, AL_GAIN, gain);
    alSourcePlay(source);
    return handle;
}

AudioHandle COpenAlAudio::createStream(const std::string& path)
{
    if (!device || path.empty())
        return 0;
    auto stream = std::make_unique<CMusicStream>();
    if (!stream->open(path))
        return 0;
    std::lock_guard guard(lock);
    streams.push_back(std::move(stream));
    return static_cast<AudioHandle>(streams.size());
}

CMusicStream* COpenAlAudio::findStream(AudioHandle handle)
{
    if (!device || handle == 0 || handle > streams.size())
        return nullptr;
    return streams[handle - 1].get();
}

void COpenAlAudio::playStream(AudioHandle handle)
{
    std::lock_guard guard(lock);
    if (CMusicStream* stream = findStream(handle))
        stream->play();
}

void COpenAlAudio::stopStream(AudioHandle handle)
{
    std::lock_guard guard(lock);
    if (CMusicStream* stream = findStream(handle))
        stream->stop();
}

void COpenAlAudio::rewindStream(AudioHandle handle)
{
    std::lock_guard guard(lock);
    if (CMusicStream* stream = findStream(handle))
        stream->rewind();
}

void COpenAlAudio::setStreamVolume(AudioHandle handle, int volume)
{
    std::lock_guard guard(lock);
    if (CMusicStream* stream = findStream(handle))
        stream->setGain(std::clamp(volume, 0, 100) / 100.0f);
}

void COpenAlAudio::feedLoop()
{
    std::unique_lock guard(lock);
    while (!quitting) {
        for (const auto& stream : streams)
            stream->feed();
        wake.wait_for(guard, FeedInterval, [this] { return quitting; });
    }
}

} // namespace

std::unique_ptr<CAudioBackend> createOpenAlAudio()
{
    return std::make_unique<COpenAlAudio>();
}
