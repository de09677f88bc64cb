#include "lwo/LwoReader.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t bigEndian32(const uint8_t* b)
{
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

} // namespace

std::string lwoIdText(LwoId id)
{
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const char c = char((id >> (24 - 8 * i)) & 0xFF);
        text[i] = (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

CLwoReader::CLwoReader(const uint8_t* data, size_t size)
    : m_data(data)
    , m_size(data ? size : 0)
{
}

const uint8_t* CLwoReader::take(size_t n)
{
    if (m_failed)
        return nullptr;
    if (m_limit <= m_size && (m_position > m_limit || n > m_limit - m_position)) {
        m_position = std::max(m_position, m_limit);
        return nullptr;
    }
    if (n > remaining()) {
        m_failed = true;
        return nullptr;
    }
    const uint8_t* bytes = m_data + m_position;
    m_position += n;
    m_count += int64_t(n);
    return bytes;
}

uint32_t CLwoReader::readU4(uint32_t fallback)
{
    const uint8_t* b = take(4);
    return b ? bigEndian32(b) : fallback;
}

uint16_t CLwoReader::readU2(uint16_t fallback)
{
    const uint8_t* b = take(2);
    if (!b)
        return fallback;
    return uint16_t((b[0] << 8) | b[1]);
}

uint8_t CLwoReader::readU1()
{
    const uint8_t* b = take(1);
    return b ? b[0] : 0;
}

float CLwoReader::readF4(float fallback)
{
    const uint8_t* b = take(4);
    if (!b)
        return fallback;
    const uint32_t bits = bigEndian32(b);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t CLwoReader::readVx(uint32_t fallback)
{
    const uint8_t* b = take(2);
    if (!b)
        return fallback;
    if (b[0] != 0xFF)
        return uint32_t((b[0] << 8) | b[1]);
    const uint8_t* rest = take(2);
    if (!rest)
        return fallback;
    return (uint32_t(b[1]) << 16) | (uint32_t(rest[0]) << 8) | uint32_t(rest[1]);
}

std::string CLwoReader::readS0()
{
    if (m_failed)
        return {};
    const bool limited = m_limit <= m_size;
    const size_t end = limited ? m_limit : m_size;
    const size_t available = m_position < end ? end - m_position : 0;
    const uint8_t* start = m_data + std::min(m_position, m_size);
    const void* zero = available > 0 ? std::memchr(start, 0, available) : nullptr;
    if (!zero) {
        // Cut off by the end of its sub-chunk: no string, like a field left
        // out; cut off by the end of the data: a broken file.
        if (limited)
            m_position = std::max(m_position, m_limit);
        else
            m_failed = true;
        return {};
    }
    const size_t length = size_t(static_cast<const uint8_t*>(zero) - start);
    // The zero and the pad byte: an empty string is two zero bytes.
    size_t padded = length + 1;
    padded += padded & 1u;
    if (!take(padded))
        return {};
    return std::string(reinterpret_cast<const char*>(start), length);
}

std::vector<uint8_t> CLwoReader::readBytes(size_t n)
{
    const uint8_t* b = take(n);
    if (!b)
        return {};
    return std::vector<uint8_t>(b, b + n);
}

CLwoReader CLwoReader::readBlock(size_t n)
{
    const uint8_t* b = take(n);
    if (!b) {
        CLwoReader empty(nullptr, 0);
        empty.fail();
        return empty;
    }
    return CLwoReader(b, n);
}
