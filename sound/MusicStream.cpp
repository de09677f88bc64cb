#include "sound/MusicStream.h"

#include <sndfile.h>

CMusicStream::~CMusicStream()
{
    if (source) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        alDeleteSources(1, &source);
    }
    if (buffers[0])
        alDeleteBuffers(BufferCount, buffers.data());
    if (file)
        sf_close(file);
}

bool CMusicStream::open(const std::string& path)
{
    SF_INFO info {};
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return false;
    if (info.frames <= 0 || info.channels <= 0 || info.samplerate <= 0)
        return false;
    channels = info.channels;
    sampleRate = info.samplerate;
    frames = info.frames;
    // Files with more than two channels play their first two.
    format = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;

    alGetError();
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) {
        source = 0;
        return false;
    }
    alGenBuffers(BufferCount, buffers.data());
    if (alGetError() != AL_NO_ERROR) {
        buffers.fill(0);
        return false;
    }
    // Music is heard straight, neither placed in space nor faded by distance.
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    scratch.resize(static_cast<size_t>(BufferFrames) * channels);
    return true;
}

void CMusicStream::play()
{
    if (playing)
        return;
    for (ALuint buffer : buffers) {
        if (!queueBuffer(buffer))
            break;
    }
    if (queuedStarts.empty())
        return;
    alSourcePlay(source);
    playing = true;
}

void CMusicStream::stop()
{
    if (!playing)
        return;
    // The source plays ahead of what was decoded only by the queue; remember
    // the frame that sounds now, not the decoder's, or a resume would skip.
    const int64_t resumeAt = position();
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    queuedStarts.clear();
    playing = false;
    seekTo(resumeAt);
}

void CMusicStream::rewind()
{
    if (playing) {
        stop();
        seekTo(0);
        play();
    } else {
        seekTo(0);
    }
}

void CMusicStream::feed()
{
    if (!playing)
        return;
    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source, 1, &buffer);
        if (!queuedStarts.empty())
            queuedStarts.pop_front();
        queueBuffer(buffer);
    }
    // A source that ran out of data (the feeding thread was late) stops by
    // itself; start it again on the fresh buffers.
    ALint state = 0;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING && !queuedStarts.empty())
        alSourcePlay(source);
}

int64_t CMusicStream::position() const
{
    if (!playing || queuedStarts.empty())
        return decodePosition;
    // The offset counts from the start of the oldest buffer still queued.
    ALint offset = 0;
    alGetSourcei(source, AL_SAMPLE_OFFSET, &offset);
    return (queuedStarts.front() + offset) % frames;
}

bool CMusicStream::queueBuffer(ALuint buffer)
{
    const int64_t start = decodePosition;
    int filled = 0;
    bool wrapped = false;
    while (filled < BufferFrames) {
        const sf_count_t got = sf_readf_short(file, scratch.data() + filled * channels, BufferFrames - filled);
        if (got > 0) {
            filled += static_cast<int>(got);
            decodePosition += got;
            continue;
        }
        // End of the file: wrap to its start, but only once per buffer so that
        // a file that gives nothing cannot spin here.
        if (wrapped)
            break;
        wrapped = true;
        seekTo(0);
    }
    if (filled == 0)
        return false;

    const void* data = scratch.data();
    std::vector<short> stereo;
    if (channels > 2) {
        stereo.resize(static_cast<size_t>(filled) * 2);
        for (int i = 0; i < filled; ++i) {
            stereo[2 * i] = scratch[static_cast<size_t>(i) * channels];
            stereo[2 * i + 1] = scratch[static_cast<size_t>(i) * channels + 1];
        }
        data = stereo.data();
    }
    const int bytesPerFrame = channels == 1 ? 2 : 4;
    alBufferData(buffer, format, data, filled * bytesPerFrame, sampleRate);
    alSourceQueueBuffers(source, 1, &buffer);
    queuedStarts.push_back(start % frames);
    return true;
}

void CMusicStream::seekTo(int64_t frame)
{
    decodePosition = sf_seek(file, frame, SEEK_SET) < 0 ? 0 : frame;
}

void CMusicStream::setGain(float gain)
{
    if (source != 0)
        alSourcef(source, AL_GAIN, gain);
}
