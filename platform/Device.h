#pragma once
// The graphics device: an OpenGL 4.5 core context driven through a small
// Direct3D-9-style layer. The frame is drawn into an off-screen back buffer
// (colour plus 24-bit depth / 8-bit stencil) that present() copies to the window.
#include <cstdint>
#include <vector>

struct SDL_Window;

enum ClearFlags : unsigned {
    ClearTarget = 1,
    ClearZBuffer = 2,
    ClearStencil = 4,
};

class CDevice {
public:
    // Needs the window's GL context to be current. Returns false (with a
    // reason in error()) when the context lacks what the game needs.
    bool create(SDL_Window* window, int width, int height);

    void beginScene();
    void endScene();
    void clear(unsigned flags, uint32_t argb, float z, int stencil);
    // Copies the back buffer to the window and swaps.
    void present();

    // The back buffer as tightly packed RGBA rows, top row first.
    std::vector<uint8_t> readBackBuffer() const;

    int width() const { return backWidth; }
    int height() const { return backHeight; }
    const char* error() const { return lastError; }

private:
    SDL_Window* window = nullptr;
    int backWidth = 0;
    int backHeight = 0;
    unsigned backFramebuffer = 0;
    unsigned backColour = 0;
    unsigned backDepthStencil = 0;
    const char* lastError = "";
};

// The one device, reachable by every drawing part once start-up published it.
CDevice& device();
void publishDevice(CDevice* device);
