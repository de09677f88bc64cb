#pragma once
// The device state, kept as plain data. The drawing code sets these values;
// the device compares them with what OpenGL was last given and sends only the
// difference before a draw. The enumerators keep the numbers the effect files
// were first written against, so a state's number reads the same in both.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>


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
    Count
};

// The states whose values are numbers with a fraction: the depth offset of
// what is drawn, a constant part in depth-range units and a part scaled by
// the surface's slope.
enum class FloatState { DepthBias, SlopeScaleDepthBias, Count };

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

// ---- vertex layouts -----------------------------------------------------------
// The inputs every program declares (see ShaderProgram.h), by location.
enum class VertexInput : unsigned { Position = 0, Normal = 1, Colour = 2, TexCoord0 = 3, TexCoord1 = 4 };

// One input of a vertex: which program input it feeds, from where in the
// vertex, as how many floats, or as one 32-bit ARGB colour word (read as
// four bytes 0..1, red first).
struct VertexAttribute {
    VertexInput input;
    unsigned offset; // bytes from the vertex's start
    int floats;      // 1 to 4; 0 for an ARGB word
    bool operator==(const VertexAttribute&) const = default;
};
constexpr int ArgbWord = 0;

// What a vertex holds and how large it is: the device feeds each listed
// input from it; inputs not listed read GL's defaults.
struct VertexLayout {
    std::span<const VertexAttribute> attributes;
    unsigned size; // bytes
};

// Vertices placed in pixels of the viewport (x, y from its top left, depth
// z; w is 1), with an ARGB colour and one texture coordinate pair: the
// screen quads, the text and the overlays.
struct ScreenVertex {
    float x, y, z, w;
    uint32_t colour;
    float u, v;
};
inline constexpr VertexAttribute ScreenVertexAttributes[] = {
    {VertexInput::Position, offsetof(ScreenVertex, x), 4},
    {VertexInput::Colour, offsetof(ScreenVertex, colour), ArgbWord},
    {VertexInput::TexCoord0, offsetof(ScreenVertex, u), 2},
};
inline constexpr VertexLayout ScreenVertexLayout{ScreenVertexAttributes, sizeof(ScreenVertex)};

enum class PrimitiveType { TriangleList, TriangleStrip, TriangleFan };

// One render state and the value it is set to (an effect pass's settings).
struct RenderStateSetting {
    RenderState state;
    uint32_t value;
};
struct FloatStateSetting {
    FloatState state;
    float value;
};

// Everything a state block captures: all state but the render targets, which
// a pass changes on its own (CRenderTargetScope).
struct DeviceState {
    DeviceState();

    std::array<uint32_t, static_cast<size_t>(RenderState::Count)> renderStates{};
    std::array<float, static_cast<size_t>(FloatState::Count)> floatStates{};
    std::array<uint32_t, static_cast<size_t>(SamplerState::Count)> samplerStates{};
    // Unit 0, read by the screen program: none (or a cube map) reads white.
    const CTexture* texture = nullptr;
    Viewport viewport{};
    // No program: the screen program draws, the texture of unit 0 times the
    // vertex colour at the vertices' pixels.
    const CShaderProgram* program = nullptr;
    const VertexLayout* layout = &ScreenVertexLayout;
    const CVertexBuffer* stream = nullptr;
    uint32_t streamStride = 0;
    const CIndexBuffer* indices = nullptr;

    bool operator==(const DeviceState&) const = default;
};

// Switches, choices and masks are held as 32-bit words.
template <typename T>
constexpr uint32_t stateValue(T value)
{
    static_assert(!std::is_floating_point_v<T>, "a float state is set as a FloatState");
    if constexpr (std::is_same_v<T, bool>)
        return value ? 1u : 0u;
    else
        return static_cast<uint32_t>(value);
}
