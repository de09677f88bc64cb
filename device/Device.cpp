#include "device/Device.h"

#include "device/Buffers.h"
#include "device/ShaderProgram.h"
#include "device/Texture.h"
#include "platform/Letterbox.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

CDevice* theDevice = nullptr;

GLenum glPrimitive(PrimitiveType type)
{
    switch (type) {
    case PrimitiveType::TriangleStrip: return GL_TRIANGLE_STRIP;
    case PrimitiveType::TriangleFan: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

int vertexCountOf(PrimitiveType type, int primitives)
{
    return type == PrimitiveType::TriangleList ? primitives * 3 : primitives + 2;
}

// What draws when no program is set: the texture of unit 0 times the vertex
// colour, placed in the viewport's pixels. The overlays, the text and the
// plain screen quads need no more.
const char* const ScreenFragmentStage = R"(in vec4 vColour;
in vec2 vTexCoord;
uniform sampler2D uTexture;
out vec4 fragColour;
void main() { fragColour = texture(uTexture, vTexCoord) * vColour; }
)";

} // namespace

CDevice& device() { return *theDevice; }
bool hasDevice() { return theDevice != nullptr; }
void publishDevice(CDevice* d) { theDevice = d; }

CDevice::CDevice() = default;

CDevice::~CDevice()
{
    if (theDevice == this)
        theDevice = nullptr;
    if (!screenProgram)
        return; // never created: no GL objects
    for (auto& [key, name] : framebuffers)
        glDeleteFramebuffers(1, &name);
    for (auto& [layout, name] : vertexArrays)
        glDeleteVertexArrays(1, &name);
    glDeleteSamplers(1, &sampler0);
    glDeleteBuffers(1, &upBuffer);
    glDeleteBuffers(1, &instanceBuffer);
}

bool CDevice::create(SDL_Window* sdlWindow, int width, int height)
{
    window = sdlWindow;
    backWidth = width;
    backHeight = height;
    if (epoxy_gl_version() < 45) {
        lastError = "OpenGL 4.5 is not available";
        return false;
    }
    if (!createBackBuffer(width, height)) {
        lastError = "the back buffer cannot be created";
        return false;
    }
    if (!createScreenProgram()) {
        lastError = "the built-in shaders do not compile";
        return false;
    }
    // Depth from 0 to 1 and the first row at the top, as the game's
    // projections and pictures are made.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glCreateSamplers(1, &sampler0);
    glBindSampler(0, sampler0);
    glCreateBuffers(1, &upBuffer);
    glCreateBuffers(1, &instanceBuffer);
    readDebugSwitches();
    current = DeviceState();
    target = backColour->surface();
    depthStencil = backDepth->surface();
    current.viewport = Viewport{0, 0, width, height, 0.0f, 1.0f};
    appliedValid = false;
    appliedTarget = nullptr;
    appliedDepthStencil = nullptr;
    return true;
}

bool CDevice::createBackBuffer(int width, int height)
{
    // The window's back buffer keeps no alpha, like a Direct3D X8R8G8B8 back
    // buffer: a screenshot of a frame cleared to 0x00000000 is opaque, and
    // blending that reads the destination alpha reads 1.
    backColour = CTexture::create(width, height, 1, Format::X8R8G8B8, TextureUsage::RenderTarget);
    backDepth = CTexture::create(width, height, 1, Format::D24S8, TextureUsage::DepthStencil);
    if (!backColour || !backDepth)
        return false;
    const GLuint backFramebuffer = framebufferFor(backColour->surface(), backDepth->surface());
    return glCheckNamedFramebufferStatus(backFramebuffer, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

bool CDevice::createScreenProgram()
{
    std::string errors;
    screenProgram = CShaderProgram::build({ScreenVertexStage, "built-in screen vertex stage", 1},
                                          {ScreenFragmentStage, "built-in screen fragment stage", 1}, errors);
    if (!screenProgram) {
        std::fprintf(stderr, "%s", errors.c_str());
        return false;
    }
    // Its one sampler reads unit 0, not the first effect unit.
    glProgramUniform1i(screenProgram->glName(), glGetUniformLocation(screenProgram->glName(), "uTexture"), 0);
    whiteTexture = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    const uint8_t white[4] = {255, 255, 255, 255};
    whiteTexture->upload(0, PixelLayout::Rgba8, white);
    return true;
}

bool CDevice::resizeBackBuffer(int width, int height)
{
    if (width <= 0 || height <= 0 || !backColour || !backDepth)
        return false;
    if (width == backWidth && height == backHeight)
        return true;
    const bool targetWasBack = target == backBuffer();
    const bool depthWasBack = depthStencil == backDepthStencil();
    std::unique_ptr<CTexture> oldColour = std::move(backColour);
    std::unique_ptr<CTexture> oldDepth = std::move(backDepth);
    if (!createBackBuffer(width, height)) {
        backColour = std::move(oldColour);
        backDepth = std::move(oldDepth);
        return false;
    }
    // The old buffer goes: the device forgets it, and its framebuffers with it.
    oldColour.reset();
    oldDepth.reset();
    backWidth = width;
    backHeight = height;
    if (targetWasBack) {
        target = backBuffer();
        current.viewport = Viewport{0, 0, width, height, 0.0f, 1.0f};
    }
    if (depthWasBack)
        depthStencil = backDepthStencil();
    appliedValid = false;
    presentedWidth = -1; // the next present clears the whole window
    return true;
}

// Debug aids: VESBRIK_NO_DEPTH_TEXTURES=1 takes the shadow path without depth
// textures; VESBRIK_GL_FULL_APPLY=1 re-sends every state before each draw (a
// picture that changes with it points at a state sent too late);
// VESBRIK_GL_DEBUG=1 prints the driver's messages.
void CDevice::readDebugSwitches()
{
    if (const char* full = std::getenv("VESBRIK_GL_FULL_APPLY"))
        forceFullApply = full[0] == '1';
    const char* noDepthTextures = std::getenv("VESBRIK_NO_DEPTH_TEXTURES");
    depthTextures = !(noDepthTextures && noDepthTextures[0] == '1');
    if (const char* debug = std::getenv("VESBRIK_GL_DEBUG"); debug && debug[0] == '1') {
        glEnable(GL_DEBUG_OUTPUT);
        glDebugMessageCallback(
            [](GLenum, GLenum, GLuint, GLenum severity, GLsizei, const GLchar* message, const void*) {
                if (severity != GL_DEBUG_SEVERITY_NOTIFICATION)
                    std::fprintf(stderr, "GL: %s\n", message);
            },
            nullptr);
    }
}

CSurface* CDevice::backBuffer() const { return backColour ? backColour->surface() : nullptr; }
CSurface* CDevice::backDepthStencil() const { return backDepth ? backDepth->surface() : nullptr; }

namespace {

// Whether the top left width x height lies within both surfaces.
bool partFits(const CSurface* source, const CSurface* destination, int width, int height)
{
    return width > 0 && height > 0 && width <= source->width() && height <= source->height() &&
           width <= destination->width() && height <= destination->height();
}

} // namespace

bool CDevice::copySurface(const CSurface* source, CSurface* destination)
{
    if (!source || !destination || source->width() != destination->width() ||
        source->height() != destination->height())
        return false;
    return copySurfacePart(source, destination, source->width(), source->height());
}

bool CDevice::copySurfacePart(const CSurface* source, CSurface* destination, int width, int height)
{
    if (!source || !destination || source == destination || source->isDepthStencil() ||
        destination->isDepthStencil() || !partFits(source, destination, width, height))
        return false;
    glBlitNamedFramebuffer(framebufferFor(source, nullptr), framebufferFor(destination, nullptr), 0, 0, width, height,
                           0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return true;
}

namespace {

// Whether two colour surfaces and their depth-stencil surfaces pair up: four
// distinct surfaces of one size, colour with colour and depth with depth.
bool surfacesPairUp(const CSurface* source, const CSurface* sourceDepth, const CSurface* destination,
                    const CSurface* destinationDepth)
{
    const auto sameSize = [](const CSurface* a, const CSurface* b) {
        return a->width() == b->width() && a->height() == b->height();
    };
    if (!sourceDepth || !destinationDepth || sourceDepth == destinationDepth || !sourceDepth->isDepthStencil() ||
        !destinationDepth->isDepthStencil() || !sameSize(sourceDepth, destinationDepth))
        return false;
    return source && destination && source != destination && !source->isDepthStencil() &&
           !destination->isDepthStencil() && sameSize(source, destination) && sameSize(source, sourceDepth);
}

} // namespace

bool CDevice::copySurfacesArea(const CSurface* source, const CSurface* sourceDepth, CSurface* destination,
                               CSurface* destinationDepth, int x, int y, int width, int height)
{
    if (!surfacesPairUp(source, sourceDepth, destination, destinationDepth) || x < 0 || y < 0 || width <= 0 ||
        height <= 0 || x + width > source->width() || y + height > source->height())
        return false;
    glBlitNamedFramebuffer(framebufferFor(source, sourceDepth), framebufferFor(destination, destinationDepth), x, y,
                           x + width, y + height, x, y, x + width, y + height,
                           GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, GL_NEAREST);
    return true;
}

bool CDevice::copyDepthStencilPart(const CSurface* source, CSurface* destination, int width, int height)
{
    if (!source || !destination || source == destination || !source->isDepthStencil() ||
        !destination->isDepthStencil() || !partFits(source, destination, width, height))
        return false;
    glBlitNamedFramebuffer(framebufferFor(nullptr, source), framebufferFor(nullptr, destination), 0, 0, width, height,
                           0, 0, width, height, GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, GL_NEAREST);
    return true;
}

void CDevice::beginScene()
{
    draws = 0;
    applyTargets();
}

void CDevice::setStreamSource(const CVertexBuffer* buffer, uint32_t stride)
{
    current.stream = buffer;
    current.streamStride = stride;
}

void CDevice::setRenderTarget(CSurface* surface)
{
    if (!surface || surface->isDepthStencil())
        return;
    target = surface;
    current.viewport = Viewport{0, 0, surface->width(), surface->height(), 0.0f, 1.0f};
}

// ---- clearing and drawing ---------------------------------------------------------

void CDevice::clear(unsigned flags, uint32_t argb, float z, int stencil)
{
    if (!screenProgram)
        return;
    apply(true);
    GLbitfield mask = 0;
    if (flags & ClearTarget) {
        glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                     ((argb >> 24) & 0xFF) / 255.0f);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        applied.renderStates[static_cast<size_t>(RenderState::ColorWriteEnable)] = ColorWriteAll;
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & ClearZBuffer) && depthStencil) {
        glClearDepthf(z);
        glDepthMask(GL_TRUE);
        applied.renderStates[static_cast<size_t>(RenderState::ZWriteEnable)] = 1;
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & ClearStencil) && depthStencil) {
        glClearStencil(stencil);
        glStencilMask(0xFFFFFFFF);
        applied.renderStates[static_cast<size_t>(RenderState::StencilWriteMask)] = 0xFFFFFFFF;
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Only the viewport is cleared; GL clears the whole target unless scissored.
    const Viewport& v = current.viewport;
    const bool partial = target && (v.x != 0 || v.y != 0 || v.width != target->width() || v.height != target->height());
    if (partial) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(v.x, v.y, v.width, v.height);
    }
    if (mask)
        glClear(mask);
    if (partial)
        glDisable(GL_SCISSOR_TEST);
}

void CDevice::drawPrimitiveUP(PrimitiveType type, int primitiveCount, const void* vertices, int stride)
{
    if (!screenProgram || primitiveCount <= 0 || !vertices || stride <= 0 ||
        current.layout->size > static_cast<unsigned>(stride))
        return;
    const int count = vertexCountOf(type, primitiveCount);
    const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(stride);
    // Orphan and refill: the driver keeps the old storage alive for draws in flight.
    glNamedBufferData(upBuffer, static_cast<GLsizeiptr>(bytes), vertices, GL_STREAM_DRAW);
    apply(false);
    applyVertexInput(static_cast<uint32_t>(stride), upBuffer, false);
    glDrawArrays(glPrimitive(type), 0, count);
    ++draws;
}

int CDevice::indexedDrawCount(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount) const
{
    if (!screenProgram || primitiveCount <= 0 || !current.stream || !current.indices || current.streamStride == 0)
        return 0;
    const int count = vertexCountOf(type, primitiveCount);
    if (startIndex < 0 || static_cast<size_t>(startIndex) + static_cast<size_t>(count) > current.indices->count())
        return 0;
    // An index past the end of the vertex buffer would make GL read outside
    // it: such a draw is refused as a whole.
    const size_t vertexCapacity = current.stream->size() / current.streamStride;
    if (baseVertex < 0 || static_cast<size_t>(baseVertex) + current.indices->maxIndex() >= vertexCapacity)
        return 0;
    return count;
}

void CDevice::bindIndices()
{
    if (current.indices->glName() != appliedIndexBuffer) {
        glVertexArrayElementBuffer(appliedVertexArray, current.indices->glName());
        appliedIndexBuffer = current.indices->glName();
    }
}

void CDevice::drawIndexedPrimitive(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount)
{
    const int count = indexedDrawCount(type, baseVertex, startIndex, primitiveCount);
    if (count == 0)
        return;
    apply(false);
    applyVertexInput(current.streamStride, current.stream->glName(), false);
    bindIndices();
    glDrawElementsBaseVertex(glPrimitive(type), count, GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * 2), baseVertex);
    ++draws;
}

void CDevice::drawIndexedPrimitiveInstanced(PrimitiveType type, int baseVertex, int startIndex, int primitiveCount,
                                            const MeshInstance* instances, int instanceCount)
{
    const int count = indexedDrawCount(type, baseVertex, startIndex, primitiveCount);
    if (count == 0 || !instances || instanceCount <= 0)
        return;
    // Orphan and refill, as for drawPrimitiveUP.
    glNamedBufferData(instanceBuffer, static_cast<GLsizeiptr>(sizeof(MeshInstance) * static_cast<size_t>(instanceCount)),
                      instances, GL_STREAM_DRAW);
    apply(false);
    applyVertexInput(current.streamStride, current.stream->glName(), false, true);
    bindIndices();
    glDrawElementsInstancedBaseVertex(glPrimitive(type), count, GL_UNSIGNED_SHORT,
                                      reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * 2),
                                      instanceCount, baseVertex);
    ++draws;
}

void CDevice::present()
{
    if (!backColour)
        return;
    int windowWidth = backWidth;
    int windowHeight = backHeight;
    if (window)
        SDL_GL_GetDrawableSize(window, &windowWidth, &windowHeight);
    const PictureRect fit = fitPicture(backWidth, backHeight, windowWidth, windowHeight);
    const bool sameSize = fit.width == backWidth && fit.height == backHeight;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // After a switch to or from full screen, or a resize, the window's GL
    // buffers may keep their old size until the driver looks again: Mesa
    // does when the viewport of the window's framebuffer is set. Without
    // that, leaving full screen drew into a buffer still of the screen's
    // size, and the window showed the picture shifted under a stale strip.
    // Both buffers of the swap chain are cleared once at the new size.
    if (windowWidth != presentedWidth || windowHeight != presentedHeight) {
        presentedWidth = windowWidth;
        presentedHeight = windowHeight;
        glViewport(0, 0, windowWidth, windowHeight);
        applied.viewport.width = -1; // the game's viewport is set again on its next draw
        framesToClear = 2;
    }
    // A window of another shape shows the whole picture at its own aspect
    // ratio between black bars. The bars are cleared every frame: a swapped
    // window buffer holds whatever an earlier frame left there. Scissoring is
    // off outside clear(); the colour mask is the game's, so it is opened here
    // and the device remembers that it was.
    if (!sameSize || fit.x != 0 || fit.y != 0 || framesToClear > 0) {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        applied.renderStates[static_cast<size_t>(RenderState::ColorWriteEnable)] = ColorWriteAll;
        // Cleared through a binding: a direct-state clear of framebuffer 0
        // left the bars as they were on Mesa's off-screen windows.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        framesToClear = std::max(framesToClear - 1, 0);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, appliedFramebuffer);
    // With the upper-left clip origin the back buffer's first row is the top of
    // the picture, while the window's first row is its bottom: flip on the copy.
    const int bottom = windowHeight - fit.y - fit.height;
    const GLuint back = framebufferFor(backColour->surface(), backDepth->surface());
    glBlitNamedFramebuffer(back, 0, 0, 0, backWidth, backHeight, fit.x, bottom + fit.height, fit.x + fit.width, bottom,
                           GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    if (window)
        SDL_GL_SwapWindow(window);
}

std::vector<uint8_t> CDevice::readBackBuffer() const
{
    if (!backColour)
        return {};
    return backColour->readPixels();
}

// ---- resources going away ---------------------------------------------------------

void CDevice::forgetTexture(const CTexture* texture)
{
    if (current.texture == texture)
        current.texture = nullptr;
    if (applied.texture == texture)
        applied.texture = nullptr;
    for (auto& unit : appliedUnitTexture) {
        if (unit == texture)
            unit = nullptr;
    }
    for (auto it = framebuffers.begin(); it != framebuffers.end();) {
        const bool uses = (it->first.first && it->first.first->texture() == texture) ||
                          (it->first.second && it->first.second->texture() == texture);
        if (uses) {
            glDeleteFramebuffers(1, &it->second);
            it = framebuffers.erase(it);
        } else {
            ++it;
        }
    }
    const bool backGone = (backColour && backColour.get() == texture) || (backDepth && backDepth.get() == texture);
    if (target && target->texture() == texture)
        target = backGone ? nullptr : backBuffer();
    if (depthStencil && depthStencil->texture() == texture)
        depthStencil = backGone ? nullptr : backDepthStencil();
    if (appliedTarget && appliedTarget->texture() == texture)
        appliedTarget = nullptr, appliedValid = false;
    if (appliedDepthStencil && appliedDepthStencil->texture() == texture)
        appliedDepthStencil = nullptr, appliedValid = false;
}

void CDevice::forgetProgram(const CShaderProgram* program)
{
    if (current.program == program)
        current.program = nullptr;
    if (appliedProgram == program)
        appliedProgramValid = false;
}

void CDevice::forgetBuffer(const void* buffer)
{
    if (current.stream == buffer)
        current.stream = nullptr;
    if (current.indices == buffer)
        current.indices = nullptr;
    // GL names are reused after deletion, so the bindings must be re-sent.
    appliedVertexBuffer = 0;
    appliedIndexBuffer = 0;
}
