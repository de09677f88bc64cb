#include "render/GlowTiles.h"

#include <string>
#include <utility>

#include "device/Buffers.h"
#include "device/Device.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "platform/FatalError.h"
#include "render/ScreenQuad.h"

namespace {

const char* const GlowTilesEffect = R"(
// One texel of the marks per tile: red where any glow texel the tile's
// filtered reads can take in is not black. A read at a pixel of the tile
// weighs the two texels on either side of its place, so the texels that
// matter are the tile's own and one more all round, kept inside the glow.
fragment markLit {
    in vec2 vTexCoord;
    uniform sampler2D texGlow;
    // x: glow texels per tile each way, y: the glow's last texel each way,
    // z: tiles each way.
    uniform vec4 vTiling;
    out vec4 fragColour;
    void main() {
        int perTile = int(vTiling.x);
        ivec2 tile = ivec2(floor(vTexCoord * vTiling.z));
        ivec2 first = max(tile * perTile - 1, ivec2(0));
        ivec2 last = min(tile * perTile + perTile, ivec2(int(vTiling.y)));
        float brightest = 0.0;
        for (int y = first.y; y <= last.y; ++y)
            for (int x = first.x; x <= last.x; ++x) {
                vec3 texel = texelFetch(texGlow, ivec2(x, y), 0).rgb;
                brightest = max(brightest, max(texel.r, max(texel.g, texel.b)));
            }
        fragColour = vec4(brightest > 0.0 ? 1.0 : 0.0, 0.0, 0.0, 1.0);
    }
}

// A row's lit tiles side by side are drawn as one quad, drawn by the first
// of them: the quad's right corners go to the right edge of the last, and
// the others' corners, as every unlit tile's, all go to one point off the
// screen, where their triangles have no area and draw no pixel. Every edge
// is placed by the same sums, so an edge two quads share is one line.
vertex litRuns {
    uniform vec2 uViewportSize;
    uniform sampler2D texMarks;
    // The glow laid over (left, top, right, bottom), in pixels.
    uniform vec4 vScreen;
    // xy: the glow's share of its texture each way, z: tiles each way.
    uniform vec4 vGlowArea;
    out vec2 vTexCoord;
    bool lit(int x, int y) { return texelFetch(texMarks, ivec2(x, y), 0).r > 0.0; }
    void main() {
        ivec2 tile = ivec2(inTexCoord1.xy);
        int tiles = int(vGlowArea.z);
        bool first = lit(tile.x, tile.y) && (tile.x == 0 || !lit(tile.x - 1, tile.y));
        ivec2 edge = tile + ivec2(inTexCoord0);
        if (inTexCoord0.x > 0.0)
            while (edge.x < tiles && lit(edge.x, tile.y))
                ++edge.x;
        vec2 share = vec2(edge) / vGlowArea.z;
        vec2 pixel = vScreen.xy + (vScreen.zw - vScreen.xy) * share;
        gl_Position = first ? vec4(pixel.x / uViewportSize.x * 2.0 - 1.0, 1.0 - pixel.y / uViewportSize.y * 2.0, 0.0, 1.0)
                            : vec4(-2.0, -2.0, 0.0, 1.0);
        vTexCoord = vGlowArea.xy * share;
    }
}

// The glow as the bloom's single quad read it: filtered, kept half a texel
// inside vBounds (left, top, right, bottom).
fragment glow {
    in vec2 vTexCoord;
    uniform sampler2D texGlow;
    uniform vec4 vBounds;
    out vec4 fragColour;
    void main() { fragColour = texture(texGlow, clamp(vTexCoord, vBounds.xy, vBounds.zw)); }
}

sampler texGlow { filter = linear; address = clamp; }
sampler texMarks { filter = point; address = clamp; }

technique mark {
    pass p0 {
        fragment = markLit;
        ZEnable = false;
        AlphaBlendEnable = false;
        StencilEnable = false;
        CullMode = none;
    }
}

technique add {
    pass p0 {
        vertex = litRuns;
        fragment = glow;
        ZEnable = false;
        CullMode = none;
    }
}
)";

// A tile's corner: the vertex stage places it from which corner of which
// tile it is alone.
struct TileVertex {
    float right, down; // which corner: 0 or 1 each way (inTexCoord0)
    float tileX, tileY; // which tile (inTexCoord1)
};
constexpr VertexAttribute TileVertexAttributes[] = {
    {VertexInput::TexCoord0, offsetof(TileVertex, right), 2},
    {VertexInput::TexCoord1, offsetof(TileVertex, tileX), 2},
};
constexpr VertexLayout TileVertexLayout{TileVertexAttributes, sizeof(TileVertex)};

constexpr int CornersPerTile = 4;
constexpr int IndicesPerTile = 6; // two triangles

} // namespace

CGlowTiles::CGlowTiles(int glowSize) : glowSize(glowSize)
{
    std::string errors;
    effect = CEffect::fromText(GlowTilesEffect, "glow tiles", errors);
    if (!effect)
        exitWithMessage(errors.empty() ? "error loading shader" : errors);
    marks = std::make_unique<CRenderTexture>(&device(), TilesAcross, TilesAcross, Format::A8R8G8B8);
    makeCorners();
}

// Four corners a tile, each saying which tile it belongs to and which corner
// it is (the vertex stage places them), and two triangles a tile over them.
void CGlowTiles::makeCorners()
{
    constexpr int Tiles = TilesAcross * TilesAcross;
    static_assert(Tiles * CornersPerTile <= 65536, "the corners are counted in 16 bits");
    corners = std::make_unique<CVertexBuffer>(sizeof(TileVertex) * Tiles * CornersPerTile);
    triangles = std::make_unique<CIndexBuffer>(static_cast<size_t>(Tiles * IndicesPerTile));
    auto* vertex = reinterpret_cast<TileVertex*>(corners->lock());
    uint16_t* index = triangles->lock();
    for (int row = 0; row < TilesAcross; ++row)
        for (int column = 0; column < TilesAcross; ++column) {
            const auto first = static_cast<uint16_t>((row * TilesAcross + column) * CornersPerTile);
            for (const auto& [right, down] : {std::pair{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}})
                *vertex++ = {right, down, static_cast<float>(column), static_cast<float>(row)};
            for (int corner : {0, 1, 2, 0, 2, 3})
                *index++ = static_cast<uint16_t>(first + corner);
        }
    corners->unlock();
    triangles->unlock();
}

CGlowTiles::~CGlowTiles() = default;

void CGlowTiles::add(const CTexture& glow, const glm::vec4& screen)
{
    markLitTiles(glow);
    drawLitTiles(glow, screen);
}

void CGlowTiles::markLitTiles(const CTexture& glow)
{
    const CStateBlock saved;
    CRenderTargetScope marking(*marks);
    effect->setTechnique("mark");
    effect->setTexture("texGlow", &glow);
    effect->setVector("vTiling", {static_cast<float>(glowSize / TilesAcross), static_cast<float>(glowSize - 1),
                                  static_cast<float>(TilesAcross), 0.0f});
    effect->begin(0);
    effect->beginPass(0);
    drawScreenQuad(nullptr, 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFFu, true);
    effect->endPass();
    effect->end();
    saved.apply();
}

void CGlowTiles::drawLitTiles(const CTexture& glow, const glm::vec4& screen)
{
    CDevice& d = device();
    const float w = static_cast<float>(d.viewport().width);
    const float h = static_cast<float>(d.viewport().height);
    const glm::vec2 glowArea{static_cast<float>(glowSize) / static_cast<float>(glow.width()),
                             static_cast<float>(glowSize) / static_cast<float>(glow.height())};

    const CStateBlock saved;
    effect->setTechnique("add");
    effect->setTexture("texGlow", &glow);
    effect->setTexture("texMarks", marks->colorTexture());
    effect->setVector("vScreen", screen * glm::vec4(w, h, w, h));
    effect->setVector("vGlowArea", {glowArea, static_cast<float>(TilesAcross), 0.0f});
    // Half a texel inside the glow's edges: a filtered read there takes in
    // only glow texels.
    const float halfU = 0.5f / static_cast<float>(glow.width());
    const float halfV = 0.5f / static_cast<float>(glow.height());
    effect->setVector("vBounds", {halfU, halfV, glowArea.x - halfU, glowArea.y - halfV});
    effect->begin(0);
    effect->beginPass(0);
    d.setVertexLayout(TileVertexLayout);
    d.setStreamSource(corners.get(), sizeof(TileVertex));
    d.setIndices(triangles.get());
    constexpr int Tiles = TilesAcross * TilesAcross;
    d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, Tiles * 2);
    effect->endPass();
    effect->end();
    saved.apply();
}
