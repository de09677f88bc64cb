#include "render/RenderTexture.h"

#include "device/Device.h"
#include "platform/FatalError.h"

#include <algorithm>

namespace {
const char* const Caption = "CRenderTexture::CRenderTexture";
}

CRenderTexture::CRenderTexture(CDevice* device, unsigned width, unsigned height, Format colourFormat,
                               Format depthFormat)
    : wantedWidth(width), wantedHeight(height), owner(device)
{
    if (!device)
        exitWithMessage("Device failure", Caption);
    const Viewport& viewport = device->viewport();
    const int w = width == 0 ? viewport.width : static_cast<int>(std::min(width, 16384u));
    const int h = height == 0 ? viewport.height : static_cast<int>(std::min(height, 16384u));
    colour = CTexture::create(w, h, 1, colourFormat, TextureUsage::RenderTarget);
    if (!colour || colour->isDepthStencil())
        exitWithMessage("D3DXCreateTexture failure", Caption);
    if (depthFormat != Format::Unknown) {
        depth = CTexture::create(w, h, 1, depthFormat, TextureUsage::DepthStencil);
        if (!depth)
            exitWithMessage("CreateDepthStencilSurface failure", Caption);
    }
}

CRenderTexture::~CRenderTexture() = default;

bool CRenderTexture::resize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return false;
    if (width == colour->width() && height == colour->height())
        return true;
    std::unique_ptr<CTexture> newColour =
        CTexture::create(width, height, 1, colour->format(), TextureUsage::RenderTarget);
    std::unique_ptr<CTexture> newDepth;
    if (depth)
        newDepth = CTexture::create(width, height, 1, depth->format(), TextureUsage::DepthStencil);
    if (!newColour || (depth && !newDepth))
        return false;
    colour = std::move(newColour);
    depth = std::move(newDepth);
    areaWidth = 0;
    areaHeight = 0;
    return true;
}

void CRenderTexture::saveTarget()
{
    if (depth)
        savedDepthStencil = owner->depthStencilSurface();
    savedTarget = owner->renderTarget();
    savedViewport = owner->viewport();
}

void CRenderTexture::setDrawArea(int width, int height)
{
    areaWidth = std::max(width, 0);
    areaHeight = std::max(height, 0);
}

int CRenderTexture::drawWidth() const
{
    const int whole = colour->width();
    return areaWidth == 0 ? whole : std::min(areaWidth, whole);
}

int CRenderTexture::drawHeight() const
{
    const int whole = colour->height();
    return areaHeight == 0 ? whole : std::min(areaHeight, whole);
}

void CRenderTexture::bind()
{
    owner->setRenderTarget(colour->surface());
    if (depth)
        owner->setDepthStencilSurface(depth->surface());
    Viewport area = owner->viewport();
    area.width = drawWidth();
    area.height = drawHeight();
    owner->setViewport(area);
}

void CRenderTexture::restoreTarget()
{
    if (depth) {
        owner->setDepthStencilSurface(savedDepthStencil);
        savedDepthStencil = nullptr;
    }
    if (savedTarget) {
        owner->setRenderTarget(savedTarget);
        owner->setViewport(savedViewport);
        savedTarget = nullptr;
    }
}
