#include "render/ScreenQuad.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "render/ReferenceLayout.h"

#include <algorithm>
#include <optional>
#include <vector>

void drawScreenQuad(const CTexture* texture, float left, float top, float right, float bottom, uint32_t colour,
                    bool keepState, float texRight, float texBottom)
{
    CDevice& d = device();
    std::optional<CStateBlock> saved;
    if (!keepState) {
        saved.emplace();
        d.setProgram(nullptr);
        d.setRenderState(RenderState::ZEnable, false);
        d.setTexture(texture);
    }
    drawPlacedQuad({{left, top, right, bottom}, {0.0f, 0.0f, texRight, texBottom}}, colour);
    if (saved)
        saved->apply();
}

void drawPlacedQuad(const QuadPlacement& placement, uint32_t colour)
{
    CDevice& d = device();
    const float w = static_cast<float>(d.viewport().width);
    const float h = static_cast<float>(d.viewport().height);
    const glm::vec4& on = placement.screen;
    const glm::vec4& tex = placement.texture;
    // No half-pixel offset: GL samples texel centres at pixel centres already.
    const ScreenVertex quad[4] = {
        {on.x * w, on.y * h, 0.0f, 1.0f, colour, tex.x, tex.y},
        {on.z * w, on.y * h, 0.0f, 1.0f, colour, tex.z, tex.y},
        {on.z * w, on.w * h, 0.0f, 1.0f, colour, tex.z, tex.w},
        {on.x * w, on.w * h, 0.0f, 1.0f, colour, tex.x, tex.w},
    };
    d.setVertexLayout(ScreenVertexLayout);
    d.drawPrimitiveUP(PrimitiveType::TriangleFan, 2, quad, sizeof(ScreenVertex));
}

bool copyOverRenderTarget(const CTexture& picture)
{
    CDevice& d = device();
    CSurface* target = d.renderTarget();
    const Viewport& viewport = d.viewport();
    if (!target || viewport.x != 0 || viewport.y != 0 || viewport.width != target->width() ||
        viewport.height != target->height())
        return false;
    return d.copySurface(picture.surface(), target);
}

void fillTextureSolid(CTexture* texture, float r, float g, float b, float a)
{
    if (!texture || texture->isDepthStencil())
        return;
    for (int level = 0; level < texture->levels(); ++level) {
        const size_t texels = static_cast<size_t>(texture->levelWidth(level)) * texture->levelHeight(level);
        for (int face = 0; face < (texture->isCube() ? 6 : 1); ++face) {
            switch (texture->format()) {
            case Format::R32F: {
                std::vector<float> values(texels, r);
                texture->upload(level, PixelLayout::RFloat, values.data(), face);
                break;
            }
            case Format::A8: {
                std::vector<uint8_t> values(texels, static_cast<uint8_t>(std::clamp(a, 0.0f, 1.0f) * 255.0f + 0.5f));
                texture->upload(level, PixelLayout::R8, values.data(), face);
                break;
            }
            default: {
                std::vector<float> values(texels * 4);
                for (size_t i = 0; i < texels; ++i) {
                    values[i * 4 + 0] = r;
                    values[i * 4 + 1] = g;
                    values[i * 4 + 2] = b;
                    values[i * 4 + 3] = a;
                }
                texture->upload(level, PixelLayout::RgbaFloat, values.data(), face);
                break;
            }
            }
        }
    }
}

CScreenImage::CScreenImage(const std::filesystem::path& path)
{
    imageInfo = readImageInfo(path);
    image = loadTextureFromFile(path, nullptr, &loadProblem);
}

void CScreenImage::draw(float x, float y) const
{
    // An image whose file could not be read has no size to draw at.
    if (!image || !imageInfo.valid)
        return;
    // One pixel of the file is one pixel of the reference screen, which sits
    // on the viewport scaled evenly and centred.
    const Viewport& v = device().viewport();
    const ReferenceLayout layout(v.width, v.height);
    const double left = layout.x(x * ReferenceWidth), top = layout.y(y * ReferenceHeight);
    const double right = left + imageInfo.width * layout.scale, bottom = top + imageInfo.height * layout.scale;
    drawScreenQuad(image.get(), static_cast<float>(left / layout.width), static_cast<float>(top / layout.height),
                   static_cast<float>(right / layout.width), static_cast<float>(bottom / layout.height), colour,
                   false);
}

void setOverlayStates()
{
    CDevice& d = device();
    d.setProgram(nullptr);
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    d.setRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    d.setRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
}
