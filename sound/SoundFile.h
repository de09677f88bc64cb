#pragma once
// A sound file as libsndfile decodes it, held against what its header
// promises, so that a file cut short or damaged on the way is said in one
// line naming it, instead of playing cut or falling silent without a word.
// CSoundLoop is the decoding side of a looping music piece: it never spins on
// a file that gives nothing, and loops the part that decodes when the rest is
// lost.
#include <cstdint>
#include <optional>
#include <string>

#include <sndfile.h>

class CSoundFile {
public:
    CSoundFile() = default;
    ~CSoundFile();
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Opens the file; false when libsndfile cannot read it at all (the caller
    // says what that means for the game).
    bool open(const std::string& path);

    int channels() const { return info.channels; }
    int rate() const { return info.samplerate; }
    // The frames the header promises; none when it does not say, as for an
    // Ogg file whose last pages are lost. A WAV file cut short promises what
    // its data chunk says, not the shorter length libsndfile settles for.
    std::optional<int64_t> promisedFrames() const { return promised; }

    // Reads up to count interleaved frames; fewer only where decoding ends.
    int64_t read(short* frames, int64_t count);
    int64_t read(float* frames, int64_t count);
    // Moves to the frame; back to the first by opening the file again when
    // the decoder cannot seek. False when neither works.
    bool seek(int64_t frame);

    // Decoding gave out after `decoded` frames: says so once when that is
    // before the end the header promises, or the header promised none (the
    // file's end is missing); `instead` says what the game plays. True when
    // the file ended early.
    bool endsEarlyAt(int64_t decoded, const std::string& instead) const;

private:
    void close();

    std::string path;
    SNDFILE* file = nullptr;
    SF_INFO info {};
    std::optional<int64_t> promised;
};

// Frames a WAV file's data chunk promises, from its header alone; none for a
// file that is not RIFF WAVE or whose data chunk gives no length (0 or all
// ones, as writers that stream leave it).
std::optional<int64_t> wavPromisedFrames(const std::string& path);

class CSoundLoop {
public:
    // Opens the file and makes sure its first frame decodes; false when the
    // file cannot be read or nothing of it decodes.
    bool open(const std::string& path);

    int channels() const { return file.channels(); }
    int rate() const { return file.rate(); }

    // Writes up to count interleaved 16-bit frames, running from the end of
    // the loop on into its start; fewer only when the file gives out, 0 when
    // it gives nothing any more. Each call reads at most twice past an end,
    // so a broken file can never keep it going.
    int fill(short* frames, int count);
    // The frame the next fill starts at, from 0 up to length() (which is
    // the first frame again).
    int64_t position() const { return decodePosition; }
    // The next fill starts at this frame (the first when it cannot).
    void seekTo(int64_t frame);
    // The loop's frames: what the header promises until decoding ends early,
    // then what decoded.
    int64_t length() const { return loopFrames; }

private:
    CSoundFile file;
    int64_t decodePosition = 0;
    int64_t loopFrames = 0;
};
