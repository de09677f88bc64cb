#pragma once
// The graphics device: an OpenGL 4.5 core context driven through a small
// layer that keeps the drawing state as plain data (render states, sampler
// 0, the texture of unit 0, the program, the vertex layout, render target 0
// and the depth-stencil surface) and is the one owner of GL state: before
// each draw or clear it sends GL only what differs from what GL was last
// given. Nothing else calls glEnable and friends.
//
// The frame is drawn into an off-screen back buffer (colour plus a 24-bit
// depth / 8-bit stencil surface) that present() copies to the window, so any
// colour target can be paired with any depth-stencil surface.
#include "device/RenderStates.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct SDL_Window;
class CSurface;
class CTexture;

enum ClearFlags : unsigned {
    ClearTarget = 1,
    ClearZBuffer = 2,
    ClearStencil = 4,
};

// What differs between the copies of an instanced draw: the vertex stage reads
// the world matrix as inInstanceWorld (locations 5 to 8, one column each) and
// the colour as inInstanceColour (location 9).
struct MeshInstance {
    glm::mat4 world{1.0f};
    glm::vec4 colour{1.0f};
};
static_assert(sizeof(MeshInstance) == 80, "instances are packed as five vec4");

class CDevice {
public:
    CDevice();
    ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    // ---- life and frame ---------------------------------------------------------
    // Needs the window's GL context to be current. Returns false (with a
    // reason in error()) when the context lacks what the game needs.
    // A null window makes a device that never presents (tests).
    bool create(SDL_Window* window, int width, int height);
    void beginScene();
    // Clears the current targets within the viewport, whatever the write
    // masks of the render states say.
    void clear(unsigned flags, uint32_t argb, float z, int stencil);
    // Copies the back buffer to the window and swaps.
    void present();
    // The back buffer as tightly packed RGBA rows, top row first.
    std::vector<uint8_t> readBackBuffer() const;
    int width() const { return backWidth; }
    int height() const { return backHeight; }
    // Makes the back buffer anew at another size, between frames: the picture
    // then keeps the pixels of the window it is shown in. Render target 0, the
    // depth-stencil surface and the viewport that were the back buffer's
    // become the new one's, and the whole window is cleared at the next two
    // presents. False, with the old buffer kept, for a size without area or
    // one the driver refuses.
    bool resizeBackBuffer(int width, int height);
    const char* error() const { return lastError; }

    // ---- states ---------------------------------------------------------------------
    template <typename T>
    void setRenderState(RenderState s, T value)
    {
        current.renderStates[static_cast<size_t>(s)] = stateValue(value);
    }
    uint32_t renderState(RenderState s) const { return current.renderStates[static_cast<size_t>(s)]; }
    void setRenderState(FloatState s, float value) { current.floatStates[static_cast<size_t>(s)] = value; }
    float renderState(FloatState s) const { return current.floatStates[static_cast<size_t>(s)]; }
    template <typename T>
    void setSamplerState(SamplerState s, T value)
    {
        current.samplerStates[static_cast<size_t>(s)] = stateValue(value);
    }
    uint32_t samplerState(SamplerState s) const { return current.samplerStates[static_cast<size_t>(s)]; }
    // The texture of unit 0, which the screen program reads (2D textures; a
    // cube map here reads as none, and none reads white).
    void setTexture(const CTexture* texture) { current.texture = texture; }
    const CTexture* texture() const { return current.texture; }
    // None: the screen program draws (see DeviceState::program).
    void setProgram(const CShaderProgram* program) { current.program = program; }
    const CShaderProgram* program() const { return current.program; }
    // What the vertices of the next draws hold; the layout must outlive its use.
    void setVertexLayout(const VertexLayout& layout) { current.layout = &layout; }
    const VertexLayout& vertexLayout() const { return *current.layout; }
    void setStreamSource(const CVertexBuffer* buffer, uint32_t stride);
    void setIndices(const CIndexBuffer* buffer) { current.indices = buffer; }
    const Viewport& viewport() const { return current.viewport; }
    void setViewport(const Viewport& viewport) { current.viewport = viewport; }

    // The whole captured state (what a state block holds) and putting it back.
    const DeviceState& state() const { return current; }
    void setState(const DeviceState& state) { current = state; }

    // ---- targets ---------------------------------------------------------------------
    // Render target 0. Setting it resets the viewport to the whole target.
    CSurface* renderTarget() const { return target; }
    void setRenderTarget(CSurface* surface);
    CSurface* depthStencilSurface() const { return depthStencil; }
    void setDepthStencilSurface(CSurface* surface) { depthStencil = surface; }
    CSurface* backBuffer() const;
    CSurface* backDepthStencil() const;
    // The whole of one colour surface onto the whole of another of the same
    // size, pixel for pixel. No state of the device takes part, and a software GL makes it a memory
    // copy where a drawn quad would run a program for every pixel. False,
    // with nothing copied, when the sizes differ or either holds depth.
    bool copySurface(const CSurface* source, CSurface* destination);
    // The same for the top left width x height pixels only, the part a
    // picture drawn at a smaller scale fills: the rest of the destination
    // keeps what it held. False, with nothing copied, when either surface is
    // smaller than the part, the part has no area or either holds depth.
    bool copySurfacePart(const CSurface* source, CSurface* destination, int width, int height);
    // The same for one rectangle (x, y: its top left pixel) of a colour
    // surface and its depth-stencil surface at once, onto another such pair
    // of the same size and formats, the rest of the destinations kept: a
    // render target and its depth kept aside and put back. False, with
    // nothing copied, when the four do not pair up so or the rectangle has
    // no area or does not lie within them.
    bool copySurfacesArea(const CSurface* source, const CSurface* sourceDepth, CSurface* destination,
                          CSurface* destinationDepth, int x, int y, int width, int height);
    // The top left width x height of one depth-stencil surface onto another:
    // depth and stencil marks kept for a pass that must not disturb the
    // first. False, with nothing copied, when either is colour or smaller
    // than the part, or the part has no area.
    bool copyDepthStencilPart(const CSurface* source, CSurface* destination, int width, int height);
    // Whether a D24S8 texture can be sampled as a shadow map. GL 4.5 always
    // can; VESBRIK_NO_DEPTH_TEXTURES=1 (read at create) or the setter makes
    // the device say it cannot, so the game's other shadow path can run.
    bool supportsDepthTextures() const { return depthTextures; }
    void setSupportsDepthTextures(bool supported) { depthTextures = supported; }

    // ---- drawing -----------------------------------------------------------------------
    // From client memory, in the current vertex layout; stride: bytes from
    // one vertex to the next, at least the layout's size.
    void drawPrimitiveUP(PrimitiveType type, int primitiveCount, const void* vertices, int stride);
    // From the stream source and index buffer (16-bit indices, each added to
    // baseVertex); a draw whose indices reach past the vertices is refused.
    void drawIndexedPrimitive(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount);
    // The same once per instance, in the order given, with each instance's
    // world matrix and colour: one draw where many would cost the driver
    // their set-up each. The instances are copied at the call.
    void drawIndexedPrimitiveInstanced(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount,
                                       const MeshInstance* instances, int instanceCount);
    int drawCount() const { return draws; }

    // ---- for the effect layer and the resources ------------------------------------
    // Texture units 1 and up belong to effect programs; unit 0 is the screen program's.
    void bindEffectTexture(int unit, const CTexture* texture, unsigned sampler);
    void forgetTexture(const CTexture* texture);
    void forgetProgram(const CShaderProgram* program);
    void forgetBuffer(const void* buffer);
    // Debug aid: send every state to GL before each draw, not only the changes.
    void setForceFullApply(bool force) { forceFullApply = force; }

private:
    bool createBackBuffer(int width, int height);
    bool createScreenProgram();
    void readDebugSwitches();
    void apply(bool forClear);
    void applyTargets();
    void applyRenderStates(bool all);
    void applySampler(bool all);
    void applyVertexInput(uint32_t stride, unsigned buffer, bool all, bool instanced = false);
    // The index count of an indexed draw of the current stream and indices,
    // or 0 when the draw would read outside them.
    int indexedDrawCount(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount) const;
    void bindIndices();
    unsigned framebufferFor(const CSurface* colour, const CSurface* depth);
    unsigned vertexArrayFor(const VertexLayout& layout, bool instanced);

    SDL_Window* window = nullptr;
    int backWidth = 0;
    int backHeight = 0;
    // The window's drawable size at the last present, and how many more
    // presents clear the whole window after it changed.
    int presentedWidth = -1;
    int presentedHeight = -1;
    int framesToClear = 0;
    const char* lastError = "";

    std::unique_ptr<CTexture> backColour;
    std::unique_ptr<CTexture> backDepth;
    // What draws when no program is set, and the texture it reads when none is.
    std::unique_ptr<CShaderProgram> screenProgram;
    std::unique_ptr<CTexture> whiteTexture;

    DeviceState current;
    DeviceState applied;
    bool appliedValid = false;
    bool forceFullApply = false;
    bool depthTextures = true;
    CSurface* target = nullptr;
    CSurface* depthStencil = nullptr;
    CSurface* appliedTarget = nullptr;
    CSurface* appliedDepthStencil = nullptr;
    unsigned appliedFramebuffer = 0;
    const CShaderProgram* appliedProgram = nullptr;
    bool appliedProgramValid = false;
    const CTexture* appliedUnitTexture[16] = {};
    unsigned appliedUnitSampler[16] = {};
    unsigned appliedVertexArray = 0;
    unsigned appliedVertexBuffer = 0;
    uint32_t appliedVertexStride = 0;
    unsigned appliedIndexBuffer = 0;
    unsigned sampler0 = 0;
    unsigned upBuffer = 0;
    size_t upBufferSize = 0;
    unsigned instanceBuffer = 0;
    int draws = 0;

    std::map<std::pair<const CSurface*, const CSurface*>, unsigned> framebuffers;
    // By vertex layout, and whether the instance inputs are fed.
    std::map<std::pair<const VertexLayout*, bool>, unsigned> vertexArrays;
};

// The one device, reachable by every drawing part once start-up published it.
CDevice& device();
bool hasDevice();
void publishDevice(CDevice* device);
