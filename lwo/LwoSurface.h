#pragma once
// The material side of a LightWave object: surfaces with their channels,
// texture layers and shaders, and the readers of the SURF chunk in both file
// generations. Only a surface's name, colour, channel values and first colour
// texture are used by the game; the rest is kept so the record is complete.
#include "lwo/LwoReader.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

struct LwoObject;

// Size, centre, rotation or falloff of a texture mapping.
struct LwoVectorParam {
    std::array<float, 3> value{};
    int envelope = 0;
};

struct LwoTextureMapping {
    LwoVectorParam size{{1.0f, 1.0f, 1.0f}, 0};
    LwoVectorParam centre;
    LwoVectorParam rotation;
    LwoVectorParam falloff;
    int falloffType = 0;
    std::string referenceObject;
    int coordinateSystem = 0;
};

// A float with its envelope index.
struct LwoEnvelopedValue {
    float value = 0.0f;
    int envelope = 0;
};

enum class LwoProjection { Planar = 0, Cylindrical = 1, Spherical = 2, Cubic = 3, Front = 4 };

struct LwoImageMap {
    int clipIndex = 0;
    int projection = 0;
    std::string vertexMapName;
    int axis = 0;
    int wrapWidthMode = 0;
    int wrapHeightMode = 0;
    LwoEnvelopedValue wrapWidth;
    LwoEnvelopedValue wrapHeight;
    float antialiasStrength = 0.0f;
    int antialiasFlags = 0;
    int pixelBlending = 0;
    uint16_t stickyOn = 0;
    float stickyTime = 0.0f;
    LwoEnvelopedValue amplitude;
};

struct LwoProcedural {
    int axis = 0;
    std::array<float, 3> value{};
    std::string functionName;
    std::vector<uint8_t> data;
};

struct LwoGradientKey {
    float input = 0.0f;
    std::array<float, 4> output{};
};

struct LwoGradient {
    std::string parameterName;
    std::string itemName;
    float start = 0.0f;
    float end = 0.0f;
    int repeat = 0;
    std::vector<LwoGradientKey> keys;
    std::vector<uint16_t> integerKeys;
};

// One texture layer of a channel. The type decides which of imageMap,
// procedural and gradient holds its values.
struct LwoTexture {
    std::string ordinal;
    LwoId type = 0; // IMAP, PROC or GRAD
    LwoId channel = 0;
    float opacity = 1.0f;
    int opacityEnvelope = 0;
    uint16_t opacityType = 0;
    uint16_t enable = 1;
    uint16_t negative = 0;
    uint16_t axis = 0;

    LwoImageMap imageMap;
    LwoProcedural procedural;
    LwoGradient gradient;

    LwoTextureMapping mapping;
};

using LwoTextureList = std::vector<std::unique_ptr<LwoTexture>>;

// A shader, clip filter or envelope channel filter.
struct LwoPlugin {
    std::string ordinal; // shaders only
    std::string name;
    int flags = 0;
    std::vector<uint8_t> data;
};

struct LwoChannel {
    float value = 0.0f;
    int envelope = 0;
    // Sorted by ordinal string in new files, in file order in old ones.
    LwoTextureList textures;
};

// A value with its envelope and image clip: reflection and transparency.
struct LwoMappedChannel : LwoChannel {
    int options = 0;
    int clipIndex = 0;
    float seamAngle = 0.0f;
};

struct LwoSurface {
    std::string name;
    std::string sourceName;

    std::array<float, 3> colour{0.78431f, 0.78431f, 0.78431f};
    int colourEnvelope = 0;
    LwoTextureList colourTextures;

    LwoChannel luminosity;
    LwoChannel diffuse{1.0f, 0, {}};
    LwoChannel specularity;
    LwoChannel glossiness{0.4f, 0, {}};
    LwoMappedChannel reflection;
    LwoMappedChannel transparency;
    LwoChannel refractiveIndex{1.0f, 0, {}};
    LwoChannel translucency;
    LwoChannel bump{1.0f, 0, {}};

    float smoothingAngle = 0.0f; // radians
    int sidedness = 1;
    float alphaValue = 0.0f;
    int alphaMode = 0;

    LwoEnvelopedValue colourHighlights;
    LwoEnvelopedValue colourFilter;
    LwoEnvelopedValue additiveTransparency;
    LwoEnvelopedValue diffuseSharpness;
    LwoEnvelopedValue glow;

    struct Line {
        uint16_t enable = 0;
        uint16_t flags = 0;
        float size = 0.0f;
        int envelope = 0;
    } line;

    // Sorted by ordinal string.
    std::vector<std::unique_ptr<LwoPlugin>> shaders;
};

// A surface with the defaults; the caller names it.
std::unique_ptr<LwoSurface> createDefaultLwoSurface();

// The texture list of the channel with this id (COLR, DIFF, ...), or null for
// a channel textures cannot go to.
LwoTextureList* lwoTextureListFor(LwoSurface& surface, LwoId channel);

// Orders a list by ordinal (byte-wise), keeping equal ordinals in their order
// of arrival: the same order as inserting each in front of the first greater
// one, without the cost of shifting the list for every insert.
template <class T>
void sortByOrdinal(std::vector<std::unique_ptr<T>>& list)
{
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a->ordinal < b->ordinal; });
}

// Readers of a SURF chunk whose body of `size` bytes starts at the reader's
// position. Each gives the surface or null when the chunk is malformed.
std::unique_ptr<LwoSurface> readLwoSurface(CLwoReader& in, uint32_t size);
// The older generation's surface, converted to the same model. It may append
// image clips and envelopes to the object.
std::unique_ptr<LwoSurface> readOldLwoSurface(CLwoReader& in, uint32_t size, LwoObject& object);
