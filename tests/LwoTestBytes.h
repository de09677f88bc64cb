#pragma once
// Builds LightWave object bytes in memory for the reader's tests: big-endian
// primitives, and chunks and sub-chunks whose sizes are filled in afterwards.
#include "lwo/LwoObject.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

class LwoBytes {
public:
    LwoBytes& id(const char* text)
    {
        data.insert(data.end(), text, text + 4);
        return *this;
    }
    LwoBytes& u1(uint8_t v)
    {
        data.push_back(v);
        return *this;
    }
    LwoBytes& u2(uint16_t v) { return u1(uint8_t(v >> 8)).u1(uint8_t(v)); }
    LwoBytes& i2(int16_t v) { return u2(uint16_t(v)); }
    LwoBytes& u4(uint32_t v) { return u2(uint16_t(v >> 16)).u2(uint16_t(v)); }
    LwoBytes& f4(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u4(bits);
    }
    LwoBytes& vx(uint32_t index) { return index < 0xFF00 ? u2(uint16_t(index)) : u4(0xFF000000u | index); }
    LwoBytes& s0(const std::string& text)
    {
        data.insert(data.end(), text.begin(), text.end());
        u1(0);
        if ((text.size() + 1) & 1)
            u1(0);
        return *this;
    }
    LwoBytes& raw(std::initializer_list<uint8_t> bytes)
    {
        data.insert(data.end(), bytes);
        return *this;
    }
    LwoBytes& append(const LwoBytes& other)
    {
        data.insert(data.end(), other.data.begin(), other.data.end());
        return *this;
    }
    // A chunk with a U4 size, padded to even.
    template <class Body>
    LwoBytes& chunk(const char* name, Body&& body)
    {
        return sized(name, 4, body);
    }
    // A sub-chunk with a U2 size, padded to even.
    template <class Body>
    LwoBytes& sub(const char* name, Body&& body)
    {
        return sized(name, 2, body);
    }
    // Three points as one PNTS chunk.
    LwoBytes& points(std::initializer_list<std::array<float, 3>> list)
    {
        return chunk("PNTS", [&](LwoBytes& c) {
            for (const auto& p : list)
                c.f4(p[0]).f4(p[1]).f4(p[2]);
        });
    }
    // Triangles as one POLS FACE chunk.
    LwoBytes& triangles(std::initializer_list<std::array<int, 3>> list)
    {
        return chunk("POLS", [&](LwoBytes& c) {
            c.id("FACE");
            for (const auto& t : list)
                c.u2(3).vx(uint32_t(t[0])).vx(uint32_t(t[1])).vx(uint32_t(t[2]));
        });
    }
    // A PTAG SURF chunk giving `count` polygons of the latest polygon chunk,
    // from the first, the tag `tag`.
    LwoBytes& surfaceTags(uint32_t count, uint16_t tag = 0)
    {
        return chunk("PTAG", [&](LwoBytes& c) {
            c.id("SURF");
            for (uint32_t i = 0; i < count; ++i)
                c.vx(i).u2(tag);
        });
    }
    LwoBytes& tags(std::initializer_list<const char*> list)
    {
        return chunk("TAGS", [&](LwoBytes& c) {
            for (const char* t : list)
                c.s0(t);
        });
    }

    std::vector<uint8_t> data;

private:
    template <class Body>
    LwoBytes& sized(const char* name, int width, Body&& body)
    {
        id(name);
        const size_t mark = data.size();
        data.insert(data.end(), size_t(width), 0);
        LwoBytes inner;
        body(inner);
        const size_t length = inner.data.size();
        for (int i = 0; i < width; ++i)
            data[mark + size_t(width - 1 - i)] = uint8_t(length >> (8 * i));
        append(inner);
        if (length & 1)
            u1(0);
        return *this;
    }
};

// The chunks wrapped in a FORM of the given type.
inline std::vector<uint8_t> lwoForm(const LwoBytes& chunks, const char* type = "LWO2")
{
    LwoBytes form;
    form.chunk("FORM", [&](LwoBytes& f) { f.id(type).append(chunks); });
    return form.data;
}

inline LwoObjectPtr loadLwo(const std::vector<uint8_t>& bytes, LwoId* failId = nullptr, long* failPosition = nullptr)
{
    return loadLwoObjectFromMemory(bytes.data(), bytes.size(), failId, failPosition);
}

// A minimal valid object: one tag, three points, one triangle on that tag.
inline LwoBytes lwoTriangle()
{
    LwoBytes b;
    b.tags({"Default"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).triangles({{0, 1, 2}}).surfaceTags(1);
    return b;
}
