#pragma once
// Big-endian primitive reading for LightWave object files, over bytes already in
// memory. The whole file is read into memory first, so every read is checked
// against the end of the data and no size field in the file can make us read
// past it or allocate more than the file could hold.
//
// A reader keeps the running byte count of the chunk or sub-chunk being read.
// The first failed read (end of data, bad size) marks the reader as failed;
// from then on every primitive gives 0 or nothing without reading, so a chunk
// reader may read a whole record and test once at the end.
//
// While a sub-chunk is read, its end is the reader's limit. Writers do leave
// out trailing fields (a real exporter writes AAST with its flags only), so a
// field that does not fit before the limit is not an error: the primitive
// gives its fallback, the reader moves to the limit, and every later field of
// that sub-chunk gets its fallback too. Nothing past the limit is ever read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Four-character codes: the first character in the most significant byte.
using LwoId = uint32_t;

constexpr LwoId lwoId(const char (&text)[5])
{
    return (LwoId(uint8_t(text[0])) << 24) | (LwoId(uint8_t(text[1])) << 16) | (LwoId(uint8_t(text[2])) << 8)
        | LwoId(uint8_t(text[3]));
}

// The specularity channel of a surface, spelled out letter by letter.
constexpr LwoId SpecularityId = lwoId({'S', 'P', 'E', 'C', '\0'});

// The id as text, for messages and tests ("FORM").
std::string lwoIdText(LwoId id);

class CLwoReader {
public:
    CLwoReader(const uint8_t* data, size_t size);

    // Position within the data. A seek may go past the end; reads there fail.
    size_t tell() const { return m_position; }
    void seek(size_t position) { m_position = position; }
    size_t size() const { return m_size; }
    size_t remaining() const { return m_position < m_size ? m_size - m_position : 0; }

    // The end of the sub-chunk being read (see above); no limit by default.
    size_t limit() const { return m_limit; }
    void setLimit(size_t limit) { m_limit = limit; }
    // Whether n more bytes can be read before the limit and the end of the data.
    bool has(size_t n) const
    {
        const size_t end = m_limit < m_size ? m_limit : m_size;
        return !m_failed && m_position <= end && n <= end - m_position;
    }

    // Failure state and the running byte count.
    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }
    int64_t count() const { return m_count; }
    void resetCount() { m_count = 0; }
    void setCount(int64_t count) { m_count = count; }

    // The primitives. Each gives its fallback when it cannot read; callers
    // pass a field's current value to keep a default the file leaves out.
    LwoId readId4() { return readU4(); }
    uint32_t readU4(uint32_t fallback = 0);
    uint16_t readU2(uint16_t fallback = 0);
    int16_t readI2() { return int16_t(readU2()); }
    uint8_t readU1();
    float readF4(float fallback = 0.0f);
    // Variable-length index: 2 bytes, or 4 when the first byte is 0xFF (then the
    // low three bytes are the index).
    uint32_t readVx(uint32_t fallback = 0);
    // Zero-terminated string padded to an even length; an empty string takes 2
    // bytes and gives "" (no string).
    std::string readS0();
    // n raw bytes.
    std::vector<uint8_t> readBytes(size_t n);
    // A reader over the next n bytes (its own positions start at 0); the outer
    // reader moves past them. Fails (empty reader) when fewer than n remain.
    CLwoReader readBlock(size_t n);

private:
    // Checks that n bytes remain; on success advances the count and returns the
    // start of those bytes. Bytes beyond the limit give null and move the
    // reader to the limit; bytes beyond the data give null and mark the failure.
    const uint8_t* take(size_t n);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
    size_t m_limit = SIZE_MAX;
    int64_t m_count = 0;
    bool m_failed = false;
};

// Chunk and sub-chunk sizes are padded to even lengths in the file.
inline uint32_t lwoEven(uint32_t size) { return size + (size & 1u); }

// One sub-chunk: its id, its (even) size and where its body starts.
struct LwoSubChunk {
    LwoId id = 0;
    uint32_t size = 0;
    size_t start = 0;

    size_t end() const { return start + size; }
    // Bytes of the body left after `position` (0 when past the end).
    size_t restAfter(size_t position) const { return position < end() ? end() - position : 0; }
};

// Runs a sub-chunk loop over the `size` bytes that begin at `start`: each
// sub-chunk is an ID4 and a U2 size; `handle(subChunk)` reads its body (and
// returns false to fail) with the body's end as the reader's limit. Unknown ids
// are simply not read by the handler. A read error, or a sub-chunk that runs
// past the end, fails the loop; a body read short is skipped, a body shorter
// than its fields gives the fallbacks. Returns true when the loop reached
// exactly the end.
template <class Handler>
bool readLwoSubChunks(CLwoReader& in, size_t start, size_t size, Handler&& handle)
{
    const size_t end = start + size;
    const size_t outerLimit = in.limit();
    while (!in.failed() && in.tell() < end) {
        in.resetCount();
        LwoSubChunk sub;
        sub.id = in.readId4();
        sub.size = lwoEven(in.readU2());
        if (in.failed() || in.count() != 6)
            return false;
        sub.start = in.tell();
        if (sub.end() > end)
            return false;
        in.resetCount();
        in.setLimit(sub.end());
        const bool handled = handle(sub);
        in.setLimit(outerLimit);
        if (!handled || in.failed() || in.tell() > sub.end())
            return false;
        in.seek(sub.end());
    }
    return !in.failed() && in.tell() == end;
}
