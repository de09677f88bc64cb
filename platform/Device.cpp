#include "platform/Device.h"

#include <SDL.h>
#include <epoxy/gl.h>

namespace {
CDevice* theDevice = nullptr;
}

CDevice& device() { return *theDevice; }
void publishDevice(CDevice* d) { theDevice = d; }

bool CDevice::create(SDL_Window* sdlWindow, int width, int height)
{
    window = sdlWindow;
    backWidth = width;
    backHeight = height;
    if (epoxy_gl_version() < 45) {
        lastError = "OpenGL 4.5 is not available";
        return false;
    }
    glCreateFramebuffers(1, &backFramebuffer);
    glCreateTextures(GL_TEXTURE_2D, 1, &backColour);
    glTextureStorage2D(backColour, 1, GL_RGBA8, width, height);
    glCreateRenderbuffers(1, &backDepthStencil);
    glNamedRenderbufferStorage(backDepthStencil, GL_DEPTH24_STENCIL8, width, height);
    glNamedFramebufferTexture(backFramebuffer, GL_COLOR_ATTACHMENT0, backColour, 0);
    glNamedFramebufferRenderbuffer(backFramebuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, backDepthStencil);
    if (glCheckNamedFramebufferStatus(backFramebuffer, GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        lastError = "the back buffer cannot be created";
        return false;
    }
    // Direct3D's conventions: depth 0..1 and the origin at the top left.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glBindFramebuffer(GL_FRAMEBUFFER, backFramebuffer);
    glViewport(0, 0, width, height);
    return true;
}

void CDevice::beginScene() { glBindFramebuffer(GL_FRAMEBUFFER, backFramebuffer); }

void CDevice::endScene() {}

void CDevice::clear(unsigned flags, uint32_t argb, float z, int stencil)
{
    GLbitfield mask = 0;
    if (flags & ClearTarget) {
        glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                     ((argb >> 24) & 0xFF) / 255.0f);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & ClearZBuffer) {
        glClearDepthf(z);
        glDepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & ClearStencil) {
        glClearStencil(stencil);
        glStencilMask(0xFF);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    glClear(mask);
}

void CDevice::present()
{
    // With the upper-left clip origin the back buffer's first row is the top of
    // the picture, while the window's first row is its bottom: flip on the copy.
    glBlitNamedFramebuffer(backFramebuffer, 0, 0, 0, backWidth, backHeight, 0, backHeight, backWidth, 0,
                           GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(window);
}

std::vector<uint8_t> CDevice::readBackBuffer() const
{
    std::vector<uint8_t> pixels(static_cast<size_t>(backWidth) * backHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureImage(backColour, 0, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(pixels.size()), pixels.data());
    return pixels;
}
