#include "game/Recording.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "files/FileProblems.h"

namespace {

constexpr std::string_view Magic{"VRPLAY\x1A\0", 8};
constexpr std::string_view EndMark{"END!"};
constexpr size_t ChecksumBytes = 4;

// The first format whose files end in a checksum, and the first that says
// how the game ended.
constexpr uint32_t ChecksummedFormat = 2;
constexpr uint32_t EndedFormat = 3;

uint32_t checksumOf(std::string_view bytes)
{
    return static_cast<uint32_t>(
        crc32_z(crc32_z(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

// ---- writing -------------------------------------------------------------------

class Writer {
public:
    void bytes(std::string_view text) { out.append(text); }
    void u8(uint8_t value) { out.push_back(static_cast<char>(value)); }
    void u16(uint16_t value)
    {
        u8(static_cast<uint8_t>(value));
        u8(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            u8(static_cast<uint8_t>(value >> shift));
    }
    void u64(uint64_t value)
    {
        for (int shift = 0; shift < 64; shift += 8)
            u8(static_cast<uint8_t>(value >> shift));
    }
    void f32(float value) { u32(std::bit_cast<uint32_t>(value)); }
    void f64(double value) { u64(std::bit_cast<uint64_t>(value)); }
    void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }

    std::string out;
};

// ---- reading -------------------------------------------------------------------

// Every read checks the bytes left first; the first failure is kept and all
// later reads return zeros, so a decoder reads straight through and looks at
// the outcome where it matters.
class Reader {
public:
    explicit Reader(std::string_view input) : in(input) {}

    bool failed() const { return !problem.empty(); }
    const std::string& reason() const { return problem; }
    size_t remaining() const { return in.size() - at; }
    void fail(const std::string& why)
    {
        if (problem.empty())
            problem = why;
    }

    // Sets the last count bytes apart from the ones read in order, and
    // returns them.
    std::string_view takeBack(size_t count, const char* what)
    {
        if (failed() || remaining() < count) {
            fail(std::string("it ends inside the ") + what);
            return {};
        }
        std::string_view taken = in.substr(in.size() - count);
        in.remove_suffix(count);
        return taken;
    }
    std::string_view bytes(size_t count, const char* what)
    {
        if (failed() || remaining() < count) {
            fail(std::string("it ends inside the ") + what);
            return {};
        }
        std::string_view taken = in.substr(at, count);
        at += count;
        return taken;
    }
    uint64_t little(size_t count, const char* what)
    {
        const std::string_view taken = bytes(count, what);
        uint64_t value = 0;
        for (size_t i = taken.size(); i > 0; --i)
            value = (value << 8) | static_cast<uint8_t>(taken[i - 1]);
        return value;
    }
    uint8_t u8(const char* what) { return static_cast<uint8_t>(little(1, what)); }
    uint16_t u16(const char* what) { return static_cast<uint16_t>(little(2, what)); }
    uint32_t u32(const char* what) { return static_cast<uint32_t>(little(4, what)); }
    float f32(const char* what) { return std::bit_cast<float>(u32(what)); }
    double f64(const char* what) { return std::bit_cast<double>(little(8, what)); }
    int32_t i32(const char* what) { return static_cast<int32_t>(u32(what)); }

private:
    std::string_view in;
    size_t at = 0;
    std::string problem;
};

// The smallest frame on file: its time step, held keys and key count.
constexpr size_t MinFrameBytes = 8 + 1 + 1;
constexpr size_t ResultBytes = 3 * 4 + EndMark.size();

bool finiteAndSmall(float value) { return std::isfinite(value) && std::fabs(value) < 1.0e6f; }

void readHeader(Reader& reader, Recording& recording)
{
    if (reader.bytes(Magic.size(), "header") != Magic) {
        reader.fail("it is not a Vesbrik recording");
        return;
    }
    const uint32_t format = reader.u32("header");
    if (!reader.failed() && (format < OldestRecordingFormat || format > RecordingFormat)) {
        reader.fail("its format " + std::to_string(format) + " is not one this game reads (" +
                    std::to_string(OldestRecordingFormat) + " to " + std::to_string(RecordingFormat) + ")");
        return;
    }
    recording.format = format;
    const uint8_t versionLength = reader.u8("version");
    recording.version = std::string(reader.bytes(versionLength, "version"));
    if (sharesOneRandomStream(recording)) {
        const uint8_t fingerprintLength = reader.u8("media fingerprint");
        if (fingerprintLength > MaxFingerprint)
            reader.fail("its media fingerprint is too long");
        const std::string_view fingerprint = reader.bytes(fingerprintLength, "media fingerprint");
        recording.mediaFingerprint.assign(fingerprint.begin(), fingerprint.end());
    }
    recording.randomState = reader.u32("header");
    recording.slideVelocity = reader.f32("header");
    recording.fallSpeed = reader.f32("header");
    recording.carriedStepTime = reader.f32("header");
    if (!reader.failed() && !(finiteAndSmall(recording.slideVelocity) && finiteAndSmall(recording.fallSpeed) &&
                              recording.carriedStepTime >= 0.0f && recording.carriedStepTime <= MaxFrameTime))
        reader.fail("its starting state holds impossible values");
}

void readFrames(Reader& reader, Recording& recording)
{
    const uint32_t count = reader.u32("frame count");
    if (reader.failed())
        return;
    // The count must fit the bytes that are there before anything is reserved.
    if (count > MaxRecordedFrames || count > (reader.remaining() - std::min(reader.remaining(), ResultBytes)) / MinFrameBytes) {
        reader.fail("its frame count " + std::to_string(count) + " does not fit the file (cut short or damaged)");
        return;
    }
    recording.frames.resize(count);
    for (uint32_t i = 0; i < count && !reader.failed(); ++i) {
        RecordedFrame& frame = recording.frames[i];
        frame.dt = reader.f64("frames");
        frame.held = reader.u8("frames");
        const uint8_t keys = reader.u8("frames");
        frame.keys.resize(keys);
        for (uint16_t& key : frame.keys)
            key = reader.u16("frames");
        if (reader.failed())
            break;
        if (!(frame.dt >= 0.0 && frame.dt <= MaxFrameTime))
            reader.fail("frame " + std::to_string(i) + " has an impossible time step");
        else if (frame.held > (HeldLeft | HeldRight | HeldDown))
            reader.fail("frame " + std::to_string(i) + " holds unknown keys");
    }
}

void readResult(Reader& reader, Recording& recording)
{
    recording.result.score = reader.i32("result");
    recording.result.rows = reader.i32("result");
    recording.result.level = reader.i32("result");
    if (recording.format >= EndedFormat) {
        const uint8_t end = reader.u8("result");
        if (!reader.failed() && end > static_cast<uint8_t>(RecordedEnd::CutShort))
            reader.fail("it ends in a way this game does not know (" + std::to_string(end) + ")");
        recording.end = static_cast<RecordedEnd>(end);
    }
    if (reader.bytes(EndMark.size(), "end mark") != EndMark)
        reader.fail("its end mark is missing");
    if (!reader.failed() && reader.remaining() != 0)
        reader.fail("bytes follow its end");
}

} // namespace

std::string encodeRecording(const Recording& recording)
{
    Writer writer;
    writer.bytes(Magic);
    writer.u32(recording.format);
    const size_t versionLength = std::min<size_t>(recording.version.size(), 255);
    writer.u8(static_cast<uint8_t>(versionLength));
    writer.bytes(std::string_view(recording.version).substr(0, versionLength));
    if (sharesOneRandomStream(recording)) {
        const size_t fingerprintLength = std::min(recording.mediaFingerprint.size(), MaxFingerprint);
        writer.u8(static_cast<uint8_t>(fingerprintLength));
        for (size_t i = 0; i < fingerprintLength; ++i)
            writer.u8(recording.mediaFingerprint[i]);
    }
    writer.u32(recording.randomState);
    writer.f32(recording.slideVelocity);
    writer.f32(recording.fallSpeed);
    writer.f32(recording.carriedStepTime);
    writer.u32(static_cast<uint32_t>(recording.frames.size()));
    for (const RecordedFrame& frame : recording.frames) {
        writer.f64(frame.dt);
        writer.u8(frame.held);
        const size_t keys = std::min(frame.keys.size(), MaxKeysPerFrame);
        writer.u8(static_cast<uint8_t>(keys));
        for (size_t i = 0; i < keys; ++i)
            writer.u16(frame.keys[i]);
    }
    writer.i32(recording.result.score);
    writer.i32(recording.result.rows);
    writer.i32(recording.result.level);
    // Older formats have no room for the mark; only a cut-short game needs it.
    if (recording.format >= EndedFormat)
        writer.u8(static_cast<uint8_t>(recording.end));
    writer.bytes(EndMark);
    if (recording.format >= ChecksummedFormat)
        writer.u32(checksumOf(writer.out));
    return std::move(writer.out);
}

std::optional<Recording> decodeRecording(std::string_view bytes, std::string* error)
{
    Recording recording;
    Reader reader(bytes);
    if (bytes.size() > MaxRecordingBytes)
        reader.fail("it is larger than any recording can be");
    if (!reader.failed())
        readHeader(reader, recording);
    // The checksum is compared last: a file cut short or of another kind is
    // better named by what its structure lacks than as merely damaged.
    std::string_view storedChecksum;
    if (!reader.failed() && recording.format >= ChecksummedFormat)
        storedChecksum = reader.takeBack(ChecksumBytes, "checksum");
    if (!reader.failed())
        readFrames(reader, recording);
    if (!reader.failed())
        readResult(reader, recording);
    if (!reader.failed() && recording.format >= ChecksummedFormat &&
        Reader(storedChecksum).u32("checksum") != checksumOf(bytes.substr(0, bytes.size() - ChecksumBytes)))
        reader.fail("it is damaged: its checksum does not match its content");
    if (reader.failed()) {
        if (error)
            *error = reader.reason();
        return std::nullopt;
    }
    return recording;
}

namespace {

// What a file that is not a regular file is, for the message; "" for a
// regular file. Reading a named pipe or a device would wait for a writer or
// read forever.
std::string notARegularFile(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return "";
    if (S_ISDIR(info.st_mode))
        return "is a folder, not a recording";
    if (S_ISFIFO(info.st_mode))
        return "is a named pipe, not a recording file";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return "is a device, not a recording file";
    if (S_ISSOCK(info.st_mode))
        return "is a socket, not a recording file";
    return "is not a regular file";
}

// The file's bytes, at most MaxRecordingBytes + 1 of them (one more tells
// that it is too large); nothing with the reason when it is not a regular
// file or cannot be read.
std::optional<std::string> readRegularFile(const std::string& path, const std::string& shownPath, std::string* error)
{
    const auto refuse = [&](const std::string& why) -> std::optional<std::string> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return refuse("cannot open " + shownPath + ": " + std::strerror(errno));
    if (const std::string kind = notARegularFile(info); !kind.empty())
        return refuse(shownPath + " " + kind);
    // Not blocking: should a pipe take the file's place after the look
    // above, opening it does not wait for a writer, and fstat refuses it.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse("cannot open " + shownPath + ": " + std::strerror(errno));
    std::string bytes;
    std::string problem;
    if (fstat(fd, &info) != 0)
        problem = "cannot read " + shownPath + ": " + std::strerror(errno);
    else if (const std::string kind = notARegularFile(info); !kind.empty())
        problem = shownPath + " " + kind;
    else if (info.st_size > static_cast<off_t>(MaxRecordingBytes))
        bytes.resize(MaxRecordingBytes + 1);
    else
        bytes.resize(static_cast<size_t>(info.st_size));
    // The size may change while the file is read; whatever is there up to
    // one byte past the limit counts.
    size_t filled = 0;
    while (problem.empty()) {
        if (filled == bytes.size()) {
            if (bytes.size() > MaxRecordingBytes)
                break;
            bytes.resize(std::min(bytes.size() + 4096, MaxRecordingBytes + 1));
        }
        const ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            problem = "cannot read " + shownPath + ": " + std::strerror(errno);
        if (got <= 0)
            break;
        filled += static_cast<size_t>(got);
    }
    close(fd);
    if (!problem.empty())
        return refuse(problem);
    bytes.resize(filled);
    return bytes;
}

} // namespace

std::optional<Recording> readRecordingFile(const std::string& path, std::string* error)
{
    const std::string shownPath = printableText(path, 120);
    const std::optional<std::string> bytes = readRegularFile(path, shownPath, error);
    if (!bytes)
        return std::nullopt;
    if (bytes->size() > MaxRecordingBytes) {
        if (error)
            *error = shownPath + " is not a recording this game can play: it is larger than any recording can be";
        return std::nullopt;
    }
    std::string reason;
    std::optional<Recording> recording = decodeRecording(*bytes, &reason);
    if (!recording && error)
        *error = shownPath + " is not a recording this game can play: " + reason;
    return recording;
}

std::string compatibilityProblem(const Recording& recorded, std::string_view currentVersion,
                                 const std::vector<uint8_t>& currentFingerprint)
{
    const bool olderStillPlayed = currentVersion == GameVersion && recorded.version == HeldTapsVersion;
    if (recorded.version != currentVersion && !olderStillPlayed)
        return "it was recorded by game version \"" + recorded.version + "\", this is \"" +
               std::string(currentVersion) + "\"";
    if (sharesOneRandomStream(recorded) && recorded.mediaFingerprint != currentFingerprint)
        return "it was recorded with other sound media (the sound groups differ), so it would play differently";
    return {};
}
