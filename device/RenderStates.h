#pragma once
// The Direct3D-9-style device state, kept as plain data. The drawing code sets
// these values as it would set device states; the device compares them with
// what OpenGL was last given and sends only the difference before a draw.
// Enumerator values are those of Direct3D 9, so a value read from a file or
// written in a comment means the same thing on both sides.
#include <array>
#include <bit>
#include <cstdint>
#include <type_traits>

#include <glm/glm.hpp>

class CTexture;
class CShaderProgram;
class CVertexBuffer;
class CIndexBuffer;

// ---- render states --------------------------------------------------------
enum class RenderState {
    ZEnable,
    ZWriteEnable,
    ZFunc,
    CullMode,
    AlphaBlendEnable,
    SrcBlend,
    DestBlend,
    BlendOp,
    ColorWriteEnable,
    StencilEnable,
    StencilFail,
    StencilZFail,
    StencilPass,
    StencilFunc,
    StencilRef,
    StencilMask,
    StencilWriteMask,
    DepthBias,           // float bit pattern, in depth-range units
    SlopeScaleDepthBias, // float bit pattern
    Lighting,
    SpecularEnable,
    Ambient, // ARGB of the global ambient light
    Count
};

enum class Blend : uint32_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    InvSrcColor = 4,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    DestColor = 9,
    InvDestColor = 10,
    SrcAlphaSat = 11,
    BothSrcAlpha = 12,    // source: source alpha, destination: 1 - source alpha
    BothInvSrcAlpha = 13, // source: 1 - source alpha, destination: source alpha
};

enum class BlendOp : uint32_t { Add = 1, Subtract = 2, RevSubtract = 3, Min = 4, Max = 5 };

enum class Cull : uint32_t { None = 1, CW = 2, CCW = 3 };

enum class Cmp : uint32_t {
    Never = 1,
    Less = 2,
    Equal = 3,
    LessEqual = 4,
    Greater = 5,
    NotEqual = 6,
    GreaterEqual = 7,
    Always = 8,
};

enum class StencilOp : uint32_t {
    Keep = 1,
    Zero = 2,
    Replace = 3,
    IncrSat = 4,
    DecrSat = 5,
    Invert = 6,
    Incr = 7, // wraps
    Decr = 8, // wraps
};

enum ColorWrite : uint32_t {
    ColorWriteRed = 1,
    ColorWriteGreen = 2,
    ColorWriteBlue = 4,
    ColorWriteAlpha = 8,
    ColorWriteAll = 15,
};

// ---- sampler 0 --------------------------------------------------------------
enum class SamplerState { MagFilter, MinFilter, MipFilter, AddressU, AddressV, MaxAnisotropy, Count };

enum class TexFilter : uint32_t { None = 0, Point = 1, Linear = 2, Anisotropic = 3 };
enum class TexAddress : uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4 };

// ---- texture stage 0 --------------------------------------------------------
enum class TextureStageState { ColorOp, ColorArg1, ColorArg2, AlphaOp, AlphaArg1, AlphaArg2, Count };

enum class TextureOp : uint32_t {
    Disable = 1,
    SelectArg1 = 2,
    SelectArg2 = 3,
    Modulate = 4,
    Modulate2x = 5,
    Modulate4x = 6,
    Add = 7,
    AddSigned = 8,
    Subtract = 10,
};

enum class TextureArg : uint32_t { Diffuse = 0, Current = 1, Texture = 2, Specular = 4 };

// ---- fixed-function lighting --------------------------------------------------
enum class LightType : uint32_t { None = 0, Point = 1, Spot = 2, Directional = 3 };

struct Light {
    LightType type = LightType::None;
    glm::vec4 diffuse{0.0f};
    glm::vec4 specular{0.0f};
    glm::vec4 ambient{0.0f};
    glm::vec3 position{0.0f};
    glm::vec3 direction{0.0f};
    float range = 0.0f;
    float falloff = 0.0f;
    float attenuation0 = 0.0f;
    float attenuation1 = 0.0f;
    float attenuation2 = 0.0f;
    float theta = 0.0f;
    float phi = 0.0f;
    bool operator==(const Light&) const = default;
};

struct Material {
    glm::vec4 diffuse{0.0f};
    glm::vec4 ambient{0.0f};
    glm::vec4 specular{0.0f};
    glm::vec4 emissive{0.0f};
    float power = 0.0f;
    bool operator==(const Material&) const = default;
};

constexpr int MaxLights = 8;

// Pixel rectangle of the current target that drawing maps to.
struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    float minZ = 0.0f;
    float maxZ = 1.0f;
    bool operator==(const Viewport&) const = default;
};

// ---- flexible vertex formats (the bits the game's vertices use) ---------------
enum Fvf : uint32_t {
    FvfXyz = 0x002,
    FvfXyzRhw = 0x004,
    FvfNormal = 0x010,
    FvfDiffuse = 0x040,
    FvfSpecular = 0x080, // a second colour word; the game's vertices have none, but it takes its 4 bytes
    FvfTex1 = 0x100,
    FvfTex2 = 0x200,
};
// How many texture-coordinate sets follow the colours: bits 8-11.
constexpr uint32_t fvfTexCoordSets(uint32_t fvf) { return (fvf >> 8) & 0xF; }
// Each set's float count is a 2-bit code from bit 16 on: 0 two, 1 three, 2 four, 3 one.
constexpr uint32_t fvfTexCoordSize3(int set) { return 1u << (set * 2 + 16); }
constexpr int fvfTexCoordFloats(uint32_t fvf, uint32_t set)
{
    const uint32_t code = (fvf >> (16 + 2 * set)) & 3;
    return code == 0 ? 2 : code == 1 ? 3 : code == 2 ? 4 : 1;
}
// Pre-transformed screen quads: x, y, z, rhw, ARGB colour, u, v (28 bytes).
constexpr uint32_t FvfScreenQuad = FvfXyzRhw | FvfDiffuse | FvfTex1; // 0x144
// Mesh vertices: position, normal, u v, and a three-float second set (44 bytes).
constexpr uint32_t FvfMesh = FvfXyz | FvfNormal | FvfTex2 | fvfTexCoordSize3(1); // 0x40212

enum class PrimitiveType { TriangleList, TriangleStrip, TriangleFan };

// One render state and the value it is set to (an effect pass's settings).
struct RenderStateSetting {
    RenderState state;
    uint32_t value;
};

// Everything a state block captures: all state but the render targets, which
// Direct3D keeps outside state blocks too.
struct DeviceState {
    DeviceState();

    std::array<uint32_t, static_cast<size_t>(RenderState::Count)> renderStates{};
    std::array<uint32_t, static_cast<size_t>(SamplerState::Count)> samplerStates{};
    std::array<uint32_t, static_cast<size_t>(TextureStageState::Count)> stageStates{};
    const CTexture* texture = nullptr; // texture stage 0
    glm::mat4 world{1.0f};
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
    std::array<Light, MaxLights> lights{};
    std::array<bool, MaxLights> lightEnabled{};
    Material material{};
    Viewport viewport{};
    // No program means no vertex and no pixel shader: the built-in
    // fixed-function stages draw.
    const CShaderProgram* program = nullptr;
    uint32_t fvf = 0;
    const CVertexBuffer* stream = nullptr;
    uint32_t streamStride = 0;
    const CIndexBuffer* indices = nullptr;

    bool operator==(const DeviceState&) const = default;
};

// State values are 32-bit words as in Direct3D; floats travel as bit patterns.
template <typename T>
constexpr uint32_t stateValue(T value)
{
    if constexpr (std::is_same_v<T, float>)
        return std::bit_cast<uint32_t>(value);
    else if constexpr (std::is_same_v<T, bool>)
        return value ? 1u : 0u;
    else
        return static_cast<uint32_t>(value);
}
inline float stateFloat(uint32_t value) { return std::bit_cast<float>(value); }
