#pragma once
// The frame's full-screen quads (the mirror's blend, the shadow multiply, the
// copy to the back buffer, the bloom's glow) drawn by one small program for
// each filter. The picture is the screen quad's (texture times the quad's
// colour, blended as the caller's states say), but reads stay inside the
// part of the texture a scene drawn at a smaller scale fills, and the filter
// is the quad's own, whatever sampler 0 is set to.
#include <cstdint>
#include <memory>

#include <glm/glm.hpp>

#include "effects/Effect.h"
#include "render/ScreenQuad.h"

class CTexture;

enum class QuadFilter {
    Point,  // the nearest texel
    Linear, // the four nearest texels, weighed by distance
};

// What a read past the edge of the texture's part takes.
enum class QuadEdges {
    Wrap,  // a whole texture: the texels of the opposite edge, as the screen quad reads
    Clamp, // the part's own edge texels, never beyond
};

class CPostQuad {
public:
    // Builds the programs; a GL that cannot compile them is a broken GL, and
    // ends the program as a broken effect file does.
    CPostQuad();
    ~CPostQuad();
    CPostQuad(const CPostQuad&) = delete;
    CPostQuad& operator=(const CPostQuad&) = delete;

    // Draws the texture over (left, top)-(right, bottom), fractions of the
    // viewport, times the ARGB colour, with the blending, stencil and colour
    // writes the caller set; no depth test, no culling. textureArea: the part
    // of the texture to stretch over the quad (x, y: its right and bottom
    // edge as shares of the texture; the scene of a slow frame fills only its
    // top left part). Texels outside a part smaller than the texture are
    // never read; a whole texture wraps at its edges unless told to clamp.
    void draw(const CTexture* texture, float left, float top, float right, float bottom, uint32_t colour,
              QuadFilter filter, glm::vec2 textureArea = {1.0f, 1.0f}, QuadEdges edges = QuadEdges::Wrap);

    // The same for the texture's part stretched over the whole viewport, but
    // drawn over screenPart only (left, top, right, bottom fractions of the
    // viewport): each pixel there gets what the whole quad gives it.
    void drawPart(const CTexture* texture, const glm::vec4& screenPart, uint32_t colour, QuadFilter filter,
                  glm::vec2 textureArea);

private:
    void drawPlaced(const CTexture& texture, const QuadPlacement& placement, uint32_t colour, QuadFilter filter,
                    glm::vec2 textureArea, QuadEdges edges);

    std::unique_ptr<CEffect> effect;
};
