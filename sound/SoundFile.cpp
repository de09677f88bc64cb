#include "sound/SoundFile.h"

#include "files/FileProblems.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace {

// A WAV header with more chunks before its data than this is not read for a
// promise (and libsndfile's length stands).
constexpr int MaxChunksBeforeData = 64;

uint32_t littleEndian32(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

std::string seconds(int64_t frames, int rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", rate > 0 ? static_cast<double>(frames) / rate : 0.0);
    return text;
}

} // namespace

std::optional<int64_t> wavPromisedFrames(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 12> riff {};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    uint32_t blockAlign = 0;
    for (int i = 0; i < MaxChunksBeforeData; ++i) {
        std::array<unsigned char, 8> chunk {};
        if (!in.read(reinterpret_cast<char*>(chunk.data()), chunk.size()))
            return std::nullopt;
        const uint32_t size = littleEndian32(chunk.data() + 4);
        if (std::memcmp(chunk.data(), "data", 4) == 0) {
            if (blockAlign == 0 || size == 0 || size == 0xFFFFFFFFu)
                return std::nullopt;
            return size / blockAlign;
        }
        uint32_t skip = size + (size & 1);
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0 && size >= 14) {
            std::array<unsigned char, 14> format {};
            if (!in.read(reinterpret_cast<char*>(format.data()), format.size()))
                return std::nullopt;
            blockAlign = format[12] | format[13] << 8;
            skip -= 14;
        }
        if (!in.seekg(skip, std::ios::cur))
            return std::nullopt;
    }
    return std::nullopt;
}

// ---- CSoundFile ----------------------------------------------------------------

CSoundFile::~CSoundFile()
{
    close();
}

void CSoundFile::close()
{
    if (file)
        sf_close(file);
    file = nullptr;
}

bool CSoundFile::open(const std::string& name)
{
    close();
    path = name;
    info = {};
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file || info.channels <= 0 || info.samplerate <= 0) {
        close();
        return false;
    }
    // An Ogg file without its last pages gives libsndfile no length.
    promised.reset();
    if (info.frames > 0 && info.frames != SF_COUNT_MAX)
        promised = info.frames;
    // libsndfile shortens a WAV file's data to what the file holds; the header
    // still says how much there was.
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV) {
        const std::optional<int64_t> header = wavPromisedFrames(path);
        if (header && *header > promised.value_or(0))
            promised = header;
    }
    return true;
}

int64_t CSoundFile::read(short* frames, int64_t count)
{
    return file && count > 0 ? std::max<sf_count_t>(sf_readf_short(file, frames, count), 0) : 0;
}

int64_t CSoundFile::read(float* frames, int64_t count)
{
    return file && count > 0 ? std::max<sf_count_t>(sf_readf_float(file, frames, count), 0) : 0;
}

bool CSoundFile::seek(int64_t frame)
{
    if (file && sf_seek(file, frame, SEEK_SET) == frame)
        return true;
    // A decoder lost in a damaged stream may refuse to seek; a fresh one
    // starts at the first frame.
    if (frame != 0)
        return false;
    const std::string name = path;
    return open(name);
}

bool CSoundFile::endsEarlyAt(int64_t decoded, const std::string& instead) const
{
    if (promised && decoded >= *promised)
        return false;
    const std::string problem =
        promised ? "ends early: " + seconds(decoded, rate()) + " of the " + seconds(*promised, rate()) + " its header promises decode"
                 : "ends early: its end is missing or damaged after " + seconds(decoded, rate());
    reportFileProblem(path, problem, instead);
    return true;
}

// ---- CSoundLoop ----------------------------------------------------------------

bool CSoundLoop::open(const std::string& path)
{
    if (!file.open(path))
        return false;
    // A file whose first frame does not decode would only ever be silence.
    std::vector<short> first(static_cast<size_t>(file.channels()));
    if (file.read(first.data(), 1) != 1 || !file.seek(0))
        return false;
    decodePosition = 0;
    loopFrames = file.promisedFrames().value_or(std::numeric_limits<int64_t>::max());
    return true;
}

int CSoundLoop::fill(short* frames, int count)
{
    int filled = 0;
    bool wrapped = false;
    while (filled < count) {
        // Never past the loop's end, which may be shorter than the file.
        const int64_t wanted = std::min<int64_t>(count - filled, loopFrames - decodePosition);
        const int64_t got = file.read(frames + static_cast<size_t>(filled) * channels(), wanted);
        if (got > 0) {
            filled += static_cast<int>(got);
            decodePosition += got;
            continue;
        }
        // Decoding stopped before the loop's end: the rest of the file is
        // lost, so the loop is what decoded.
        if (decodePosition < loopFrames) {
            file.endsEarlyAt(decodePosition, "the music loops the part before");
            loopFrames = decodePosition;
        }
        // Wrap to the start, but only once per call, so a file that gives
        // nothing cannot spin here.
        if (wrapped || loopFrames == 0)
            break;
        wrapped = true;
        seekTo(0);
    }
    return filled;
}

void CSoundLoop::seekTo(int64_t frame)
{
    if (frame >= 0 && frame < loopFrames && file.seek(frame)) {
        decodePosition = frame;
        return;
    }
    decodePosition = 0;
    if (!file.seek(0))
        loopFrames = 0;
}
