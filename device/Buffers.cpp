#include "device/Buffers.h"

#include "device/Device.h"

#include <epoxy/gl.h>

#include <algorithm>

CVertexBuffer::CVertexBuffer(size_t size) : bytes(size)
{
    glCreateBuffers(1, &name);
    glNamedBufferData(name, static_cast<GLsizeiptr>(bytes.size()), nullptr, GL_STATIC_DRAW);
}

CVertexBuffer::~CVertexBuffer()
{
    if (hasDevice())
        device().forgetBuffer(this);
    glDeleteBuffers(1, &name);
}

uint8_t* CVertexBuffer::lock() { return bytes.data(); }

void CVertexBuffer::unlock()
{
    glNamedBufferSubData(name, 0, static_cast<GLsizeiptr>(bytes.size()), bytes.data());
}

CIndexBuffer::CIndexBuffer(size_t indexCount) : indices(indexCount)
{
    glCreateBuffers(1, &name);
    glNamedBufferData(name, static_cast<GLsizeiptr>(indices.size() * sizeof(uint16_t)), nullptr, GL_STATIC_DRAW);
}

CIndexBuffer::~CIndexBuffer()
{
    if (hasDevice())
        device().forgetBuffer(this);
    glDeleteBuffers(1, &name);
}

uint16_t* CIndexBuffer::lock() { return indices.data(); }

void CIndexBuffer::unlock()
{
    largest = indices.empty() ? 0 : *std::max_element(indices.begin(), indices.end());
    glNamedBufferSubData(name, 0, static_cast<GLsizeiptr>(indices.size() * sizeof(uint16_t)), indices.data());
}
