#pragma once
// What the game's sound bank needs from an audio library: short samples with one
// playback each, played once at a chosen rate, volume and pan, and looping music
// streams that can be stopped (keeping their place) and rewound.
//
// Handles are small positive numbers; 0 is the null handle, and every call
// accepts it and does nothing. No call returns an error: a failing library
// simply stays silent. A file that decodes only in part is said on standard
// error when the damage is found (see SoundFile.h).
#include <cstdint>
#include <string>

using AudioHandle = uint32_t;

class CAudioBackend {
public:
    virtual ~CAudioBackend() = default;

    // ---- output ------------------------------------------------------------
    // Opens the default output device at 44100 Hz and starts it.
    virtual void start() = 0;
    // Stops the output and releases every sample and stream.
    virtual void shutdown() = 0;
    // Whether start() found an output. Without one nothing loads, so a
    // failed load says nothing about the file.
    virtual bool hasOutput() const { return false; }

    // ---- samples -----------------------------------------------------------
    // Loads a whole sound file; 0 when it cannot be read.
    virtual AudioHandle loadSample(const std::string& path) = 0;
    // Plays the sample once. frequency is the playback rate in Hz (44100 is the
    // natural speed), volume 0..100 (more is full volume), pan -100 (left) to
    // 100 (right). Playing a sample that still sounds restarts it. Returns a
    // channel handle, 0 when nothing plays.
    virtual AudioHandle playSample(AudioHandle sample, int frequency, int volume, int pan) = 0;

    // ---- music streams -----------------------------------------------------
    // Opens a file for streaming; 0 when it cannot be read.
    virtual AudioHandle createStream(const std::string& path) = 0;
    // Plays the stream looping forever from its current position; a stream
    // that already plays goes on undisturbed.
    virtual void playStream(AudioHandle stream) = 0;
    // Stops the stream; it keeps its position for the next play.
    virtual void stopStream(AudioHandle stream) = 0;
    // Moves the stream to its start; the next play begins there.
    virtual void rewindStream(AudioHandle stream) = 0;
    // The stream's loudness from now on, 0..100 (100 as the file is), also
    // while it plays.
    virtual void setStreamVolume(AudioHandle stream, int volume) = 0;
};
