#include "sound/MusicStream.h"

#include <algorithm>

CMusicStream::~CMusicStream()
{
    if (source) {
        alSourceStop(source);
        alSourcei(source, AL_BUFFER, 0);
        alDeleteSources(1, &source);
    }
    if (buffers[0])
        alDeleteBuffers(BufferCount, buffers.data());
}

bool CMusicStream::open(const std::string& path)
{
    if (!loop.open(path))
        return false;
    // Files with more than two channels play their first two.
    format = loop.channels() == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;

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
    scratch.resize(static_cast<size_t>(BufferFrames) * loop.channels());
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
    loop.seekTo(resumeAt);
}

void CMusicStream::rewind()
{
    if (playing) {
        stop();
        loop.seekTo(0);
        play();
    } else {
        loop.seekTo(0);
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
        return loop.position();
    // The offset counts from the start of the oldest buffer still queued.
    ALint offset = 0;
    alGetSourcei(source, AL_SAMPLE_OFFSET, &offset);
    return (queuedStarts.front() + offset) % std::max<int64_t>(loop.length(), 1);
}

bool CMusicStream::queueBuffer(ALuint buffer)
{
    const int64_t start = loop.position();
    const int filled = loop.fill(scratch.data(), BufferFrames);
    if (filled == 0)
        return false;

    const void* data = scratch.data();
    std::vector<short> stereo;
    const int channels = loop.channels();
    if (channels > 2) {
        stereo.resize(static_cast<size_t>(filled) * 2);
        for (int i = 0; i < filled; ++i) {
            stereo[2 * i] = scratch[static_cast<size_t>(i) * channels];
            stereo[2 * i + 1] = scratch[static_cast<size_t>(i) * channels + 1];
        }
        data = stereo.data();
    }
    const int bytesPerFrame = channels == 1 ? 2 : 4;
    alBufferData(buffer, format, data, filled * bytesPerFrame, loop.rate());
    alSourceQueueBuffers(source, 1, &buffer);
    // A start at the loop's end is its first frame; the end may have been
    // found only by this fill.
    queuedStarts.push_back(start % std::max<int64_t>(loop.length(), 1));
    return true;
}

void CMusicStream::setGain(float gain)
{
    if (source != 0)
        alSourcef(source, AL_GAIN, gain);
}
