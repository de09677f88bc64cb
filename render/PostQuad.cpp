#include "render/PostQuad.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "platform/FatalError.h"
#include "render/ScreenQuad.h"

#include <string>

namespace {

// Texture times the quad's colour, as the device's screen program combines
// them. Reads are kept inside vBounds (texture coordinates: left, top,
// right, bottom), so a scene drawn into part of its target never takes in
// what lies beside it.
const char* const PostQuadEffect = R"(
fragment pointCopy {
    in vec4 vColour;
    in vec2 vTexCoord;
    uniform sampler2D texPoint;
    uniform vec4 vBounds;
    out vec4 fragColour;
    void main() { fragColour = texture(texPoint, clamp(vTexCoord, vBounds.xy, vBounds.zw)) * vColour; }
}

fragment linearCopy {
    in vec4 vColour;
    in vec2 vTexCoord;
    uniform sampler2D texLinear;
    uniform vec4 vBounds;
    out vec4 fragColour;
    void main() { fragColour = texture(texLinear, clamp(vTexCoord, vBounds.xy, vBounds.zw)) * vColour; }
}

sampler texPoint { filter = point; address = wrap; }
sampler texLinear { filter = linear; address = wrap; }

technique point {
    pass p0 {
        fragment = pointCopy;
        ZEnable = false;
        CullMode = none;
    }
}

technique linear {
    pass p0 {
        fragment = linearCopy;
        ZEnable = false;
        CullMode = none;
    }
}
)";

// No bounds: a whole texture is read as the screen program reads it,
// wrapping at its edges.
constexpr glm::vec4 Unbounded{-1.0e6f, -1.0e6f, 1.0e6f, 1.0e6f};

} // namespace

CPostQuad::CPostQuad()
{
    std::string errors;
    effect = CEffect::fromText(PostQuadEffect, "post quad", errors);
    if (!effect)
        exitWithMessage(errors.empty() ? "error loading shader" : errors);
}

CPostQuad::~CPostQuad() = default;

void CPostQuad::draw(const CTexture* texture, float left, float top, float right, float bottom, uint32_t colour,
                     QuadFilter filter, glm::vec2 textureArea, QuadEdges edges)
{
    if (!texture) {
        drawScreenQuad(nullptr, left, top, right, bottom, colour, false);
        return;
    }
    drawPlaced(*texture, {{left, top, right, bottom}, {0.0f, 0.0f, textureArea.x, textureArea.y}}, colour, filter,
               textureArea, edges);
}

void CPostQuad::drawPart(const CTexture* texture, const glm::vec4& screenPart, uint32_t colour, QuadFilter filter,
                         glm::vec2 textureArea)
{
    if (!texture) {
        drawScreenQuad(nullptr, screenPart.x, screenPart.y, screenPart.z, screenPart.w, colour, false);
        return;
    }
    const glm::vec4 texturePart = screenPart * glm::vec4(textureArea, textureArea);
    drawPlaced(*texture, {screenPart, texturePart}, colour, filter, textureArea, QuadEdges::Wrap);
}

void CPostQuad::drawPlaced(const CTexture& texture, const QuadPlacement& placement, uint32_t colour,
                           QuadFilter filter, glm::vec2 textureArea, QuadEdges edges)
{
    const CStateBlock saved;
    const bool point = filter == QuadFilter::Point;
    effect->setTechnique(point ? "point" : "linear");
    effect->setTexture(point ? "texPoint" : "texLinear", &texture);
    glm::vec4 bounds = Unbounded;
    if (textureArea.x < 1.0f || textureArea.y < 1.0f || edges == QuadEdges::Clamp) {
        // Half a texel inside the drawn part's edges: a filtered read there
        // takes in only drawn texels.
        const float halfU = 0.5f / static_cast<float>(texture.width());
        const float halfV = 0.5f / static_cast<float>(texture.height());
        bounds = {halfU, halfV, textureArea.x - halfU, textureArea.y - halfV};
    }
    effect->setVector("vBounds", bounds);
    effect->begin(0);
    effect->beginPass(0);
    drawPlacedQuad(placement, colour);
    effect->endPass();
    effect->end();
    saved.apply();
}
