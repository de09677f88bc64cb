#pragma once
// Textured quads on the screen, in fractions of the current viewport, and the
// images of the menu drawn at their size on the reference screen that the
// overlays are laid out on (render/ReferenceLayout.h).
#include "device/Texture.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// Draws the texture (or, with none, the colour alone) over the rectangle
// (left, top)-(right, bottom) in fractions of the viewport, with the ARGB
// colour in every vertex; texel (0, 0) at the top left. With keepState false
// the device state is saved first and put back after, and the quad is drawn
// by the device's screen program, with no z test: the texture times the
// colour. With keepState true only the vertex layout changes, so the quad can
// be drawn inside an effect pass. texRight and
// texBottom are where the texture's used part ends (the scene of a frame
// drawn at a smaller scale fills only its top left part).
void drawScreenQuad(const CTexture* texture, float left, float top, float right, float bottom, uint32_t colour,
                    bool keepState, float texRight = 1.0f, float texBottom = 1.0f);

// A part of the screen and the part of a texture laid over it, both as
// (left, top, right, bottom) fractions.
struct QuadPlacement {
    glm::vec4 screen{0.0f, 0.0f, 1.0f, 1.0f};
    glm::vec4 texture{0.0f, 0.0f, 1.0f, 1.0f};
};

// The quad of drawScreenQuad with keepState true, the texture's part laid
// over the screen's part.
void drawPlacedQuad(const QuadPlacement& placement, uint32_t colour);

// A picture of the current target's size copied over the whole target, pixel
// for pixel, as a full-screen quad with a white colour and no blending would
// draw it, but as a copy: a software GL runs no program for it. False, with
// nothing drawn, when the sizes differ or the viewport is not the whole
// target; the caller then draws the quad.
bool copyOverRenderTarget(const CTexture& picture);

// The states of the 2D overlays (HUD and menu): the screen program, which
// takes colour and alpha from the vertex colour times the texture, so that a
// fade colour fades a picture, and blending by source alpha. The frame puts
// its default state back after each overlay.
void setOverlayStates();

// Fills every texel of every level with the colour (r, g, b, a in 0..1).
void fillTextureSolid(CTexture* texture, float r, float g, float b, float a);

class CScreenImage {
public:
    // A missing or unreadable file leaves the image empty; it then draws nothing.
    explicit CScreenImage(const std::filesystem::path& path);

    // Its top left at (x, y), fractions of the reference screen, as large as
    // the file's pixels on it; the reference screen sits on the viewport
    // scaled evenly and centred, so the image keeps its shape at any size.
    void draw(float x, float y) const;

    const CTexture* texture() const { return image.get(); }
    const ImageInfo& info() const { return imageInfo; }
    // What the decoder found wrong with the file when there is no texture;
    // "" when it could not be opened at all.
    const std::string& problem() const { return loadProblem; }

    uint32_t colour = 0xFFFFFFFF;

private:
    std::unique_ptr<CTexture> image;
    ImageInfo imageInfo;
    std::string loadProblem;
};
