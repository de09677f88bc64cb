#pragma once
// An off-screen render target: one colour texture and, optionally, a depth
// texture of the same size that effects can sample (the shadow map).
// saveTarget / bind / restoreTarget swap it in and out of the device:
//   target.saveTarget();   // remembers render target 0 (and the depth-stencil surface if it has one)
//   target.bind();         // may be called again, also after binding another target
//   target.restoreTarget(); // puts back what the last saveTarget remembered
// Without a depth texture, binding keeps the device's depth-stencil surface,
// contents included. Binding makes the target's drawing area the viewport:
// the whole target unless setDrawArea chose its top left part, and
// restoreTarget puts back the viewport that was in force at saveTarget.
#include "device/RenderStates.h"
#include "device/Texture.h"

#include <memory>

class CDevice;

class CRenderTexture {
public:
    // A width or height of 0 takes that size from the device's viewport now; a
    // depth format of Unknown means no depth texture. A failure shows a message
    // and ends the program with status 1.
    CRenderTexture(CDevice* device, unsigned width, unsigned height, Format colourFormat,
                   Format depthFormat = Format::Unknown);
    ~CRenderTexture();
    CRenderTexture(const CRenderTexture&) = delete;
    CRenderTexture& operator=(const CRenderTexture&) = delete;

    void saveTarget();
    void bind();
    void restoreTarget();

    // The top left width x height pixels are drawn into from the next bind on,
    // clamped to the target; 0 x 0 (as at creation) is the whole target. The
    // scene of a slow machine is drawn at fewer pixels this way, and nothing
    // is created or resized for it.
    void setDrawArea(int width, int height);
    int drawWidth() const;
    int drawHeight() const;

    // Makes the textures anew at another size, in the same formats, when the
    // window's picture changed size; their contents are lost and the drawing
    // area is the whole target again. False, with the old textures kept,
    // when the new ones cannot be made or the size has no area.
    bool resize(int width, int height);

    CTexture* colorTexture() const { return colour.get(); }
    CTexture* depthTexture() const { return depth.get(); }
    unsigned requestedWidth() const { return wantedWidth; }
    unsigned requestedHeight() const { return wantedHeight; }

private:
    unsigned wantedWidth;
    unsigned wantedHeight;
    std::unique_ptr<CTexture> colour;
    std::unique_ptr<CTexture> depth;
    CDevice* owner = nullptr;
    CSurface* savedTarget = nullptr;
    CSurface* savedDepthStencil = nullptr;
    Viewport savedViewport;
    int areaWidth = 0;
    int areaHeight = 0;
};

// Binds a target for a scope and restores the previous one at its end.
class CRenderTargetScope {
public:
    explicit CRenderTargetScope(CRenderTexture& target) : target(target)
    {
        target.saveTarget();
        target.bind();
    }
    ~CRenderTargetScope() { target.restoreTarget(); }
    CRenderTargetScope(const CRenderTargetScope&) = delete;
    CRenderTargetScope& operator=(const CRenderTargetScope&) = delete;

private:
    CRenderTexture& target;
};
