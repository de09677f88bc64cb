#pragma once
// A piece of music streamed from its file through a short queue of OpenAL
// buffers, so that a long piece is never decoded whole into memory. When the
// file ends the decoding wraps to its start inside the same buffer, which makes
// the loop seamless. The stream keeps the frame where playback stopped and
// resumes there. A file that decodes only in part loops that part (and says
// so, see SoundFile.h).
//
// Not thread-safe by itself: the audio layer calls every method under its one
// lock, from the game's thread and from its own feeding thread.
#include <AL/al.h>

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sound/SoundFile.h"

class CMusicStream {
public:
    static constexpr int BufferCount = 4;
    static constexpr int BufferFrames = 8192;

    ~CMusicStream();

    // Opens the file and makes the OpenAL source; false when either fails or
    // nothing of the file decodes.
    bool open(const std::string& path);

    // ---- control (game thread) ---------------------------------------------
    void play();
    void stop();
    void rewind();
    // 1 plays the file as it is, 0 silences it.
    void setGain(float gain);

    // ---- feeding (audio thread) --------------------------------------------
    // Refills the buffers the source has finished with and restarts a source
    // that ran dry while it should be playing.
    void feed();

    // The frame of the file that is sounding now.
    int64_t position() const;

private:
    // Decodes the next BufferFrames frames (wrapping at the end of the file)
    // into the buffer and queues it; false when the file gives nothing.
    bool queueBuffer(ALuint buffer);

    CSoundLoop loop;
    ALenum format = 0;

    ALuint source = 0;
    std::array<ALuint, BufferCount> buffers {};
    // The file frame at which each queued buffer starts, oldest first; it
    // mirrors the source's queue so that the playing frame can be found.
    std::deque<int64_t> queuedStarts;
    bool playing = false;
    std::vector<short> scratch;
};
