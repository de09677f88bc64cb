#pragma once
// The bloom's glow added onto the frame only where there is glow. Most of a
// frame's glow is black, and adding black changes no colour, yet a single
// quad over the whole picture reads and blends every pixel: a software GL
// spends milliseconds on it. The quad is cut into a grid of tiles instead. A
// small pass first marks the tiles whose filtered reads can meet a glow texel
// that is not black (the tile's own texels and one more round them); the
// vertex stage then draws each row's run of marked tiles as one quad and
// collapses every other tile to nothing, so no pixel of it is touched. Few
// quads, not one per tile: a software GL pays for every triangle and shades
// the pixel blocks along each edge once per triangle. The quads are drawn
// exactly as the single quad would draw their pixels: every edge is placed
// by the same sums, so an edge two quads share is one line and each pixel is
// drawn once.
#include <memory>

#include <glm/glm.hpp>

#include "effects/Effect.h"
#include "render/RenderTexture.h"

class CIndexBuffer;
class CTexture;
class CVertexBuffer;

class CGlowTiles {
public:
    // The grid's tiles each way.
    static constexpr int TilesAcross = 16;

    // glowSize: the glow's texels each way, in the top left of the textures
    // it is given; a multiple of TilesAcross, so that every tile reads whole
    // texels. Builds its programs and its small target of marks; a GL that
    // cannot compile the programs ends the program as a broken effect does.
    explicit CGlowTiles(int glowSize);
    ~CGlowTiles();
    CGlowTiles(const CGlowTiles&) = delete;
    CGlowTiles& operator=(const CGlowTiles&) = delete;

    // Adds the glow's top left glowSize x glowSize texels, stretched over
    // screen (left, top, right, bottom: fractions of the viewport) into the
    // current target, with the blending the caller set: filtered reads kept
    // half a texel inside the glow's edges, as a single quad over screen with
    // its reads clamped would give. The render target, the viewport and the
    // states in force before are in force after.
    void add(const CTexture& glow, const glm::vec4& screen);

    // The marks of the last add: a TilesAcross x TilesAcross picture, red
    // where a tile was drawn (tests).
    const CRenderTexture& litTiles() const { return *marks; }

private:
    void markLitTiles(const CTexture& glow);
    void drawLitTiles(const CTexture& glow, const glm::vec4& screen);
    void makeCorners();

    int glowSize;
    std::unique_ptr<CEffect> effect;
    std::unique_ptr<CRenderTexture> marks;
    std::unique_ptr<CVertexBuffer> corners;
    std::unique_ptr<CIndexBuffer> triangles;
};
