#pragma once
// Vertex and index buffers as the meshes use them: filled once through a lock
// of the whole buffer, then drawn many times. The bytes are kept on the CPU
// side while locked and sent to the GL buffer on unlock.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CVertexBuffer {
public:
    explicit CVertexBuffer(size_t bytes);
    ~CVertexBuffer();
    CVertexBuffer(const CVertexBuffer&) = delete;
    CVertexBuffer& operator=(const CVertexBuffer&) = delete;

    // The whole buffer, for writing; unlock sends it to the GL.
    uint8_t* lock();
    void unlock();

    size_t size() const { return bytes.size(); }
    // What the last unlock sent, for work the CPU does on the same vertices.
    std::span<const uint8_t> contents() const { return bytes; }
    unsigned glName() const { return name; }

private:
    std::vector<uint8_t> bytes;
    unsigned name = 0;
};

// 16-bit indices.
class CIndexBuffer {
public:
    explicit CIndexBuffer(size_t indexCount);
    ~CIndexBuffer();
    CIndexBuffer(const CIndexBuffer&) = delete;
    CIndexBuffer& operator=(const CIndexBuffer&) = delete;

    uint16_t* lock();
    void unlock();

    size_t count() const { return indices.size(); }
    std::span<const uint16_t> contents() const { return indices; }
    // The largest index written (as of the last unlock).
    uint16_t maxIndex() const { return largest; }
    unsigned glName() const { return name; }

private:
    std::vector<uint16_t> indices;
    uint16_t largest = 0;
    unsigned name = 0;
};
