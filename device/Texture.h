#pragma once
// Textures and their surfaces. A texture is a GL texture object of a
// Direct3D-style format; its level 0 is a surface that can be made render
// target 0 (colour formats) or the depth-stencil surface (D24S8). The window's
// back buffer is made of two more surfaces that the device owns.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CTexture;

enum class Format : uint32_t {
    Unknown = 0,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    A8 = 28,
    D24S8 = 75,
    R32F = 114,
};

enum class TextureUsage { Plain, RenderTarget, DepthStencil };

// How the bytes handed to an upload are laid out (tightly packed rows, top row first).
enum class PixelLayout {
    Rgba8,    // bytes R, G, B, A
    Bgra8,    // bytes B, G, R, A: the memory order of 32-bit ARGB words
    RgbaFloat,
    RFloat,
    R8,
};

// A 2D picture that can be drawn into or used as a depth-stencil surface.
class CSurface {
public:
    int width() const { return surfaceWidth; }
    int height() const { return surfaceHeight; }
    bool isDepthStencil() const { return depthStencil; }
    // The texture this is level 0 of (the back buffer's surfaces are textures too).
    CTexture* texture() const { return owner; }
    unsigned glName() const { return name; }

    CSurface(CTexture* owner, unsigned name, int width, int height, bool depthStencil)
        : owner(owner), name(name), surfaceWidth(width), surfaceHeight(height), depthStencil(depthStencil)
    {
    }

private:
    CTexture* owner;
    unsigned name;
    int surfaceWidth;
    int surfaceHeight;
    bool depthStencil;
};

class CTexture {
public:
    // Creation: none comes back when the size or format cannot be made.
    // levels 0 means the whole chain down to 1 x 1.
    static std::unique_ptr<CTexture> create(int width, int height, int levels, Format format,
                                            TextureUsage usage = TextureUsage::Plain);
    static std::unique_ptr<CTexture> createCube(int size, int levels, Format format);
    ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    int width() const { return textureWidth; }
    int height() const { return textureHeight; }
    int levels() const { return levelCount; }
    Format format() const { return textureFormat; }
    bool isCube() const { return cube; }
    bool isDepthStencil() const { return textureFormat == Format::D24S8; }
    unsigned glName() const { return name; }
    int levelWidth(int level) const;
    int levelHeight(int level) const;

    // Level 0 as a surface (render target or depth-stencil).
    CSurface* surface() { return &levelZero; }
    const CSurface* surface() const { return &levelZero; }

    // Pixel data: a whole level (of one cube face, 0..5 in +x -x +y -y +z -z order).
    void upload(int level, PixelLayout layout, const void* pixels, int face = 0);
    // A rectangle of level 0 (2D textures).
    void uploadRegion(int x, int y, int width, int height, PixelLayout layout, const void* pixels);
    void generateMipmaps();
    // Sampled as (1, 1, 1, red): a one-channel coverage map drawn in the vertex colour.
    void useRedAsAlpha();
    // Level 0 (face 0) as RGBA bytes, top row first (tests and screenshots).
    std::vector<uint8_t> readPixels() const;
    // Level 0 of a one-channel float texture.
    std::vector<float> readFloats() const;

private:
    CTexture(unsigned name, int width, int height, int levels, Format format, bool cube);

    unsigned name;
    int textureWidth;
    int textureHeight;
    int levelCount;
    Format textureFormat;
    bool cube;
    CSurface levelZero;
};

// What an image file says about itself, read without decoding it.
struct ImageInfo {
    int width = 0;
    int height = 0;
    int channels = 0;
    bool valid = false;
};

// Reads .tga, .jpg, .png (and .bmp) files.
ImageInfo readImageInfo(const std::filesystem::path& path);
// A texture with a full mipmap chain at the file's own size; none when the file
// is missing, unreadable or cut short (its pixels end before the picture does:
// a decoder would draw the rest black). Then *problem, when given, says what
// the decoder found wrong in a few words ("" when the file could not be
// opened at all).
std::unique_ptr<CTexture> loadTextureFromFile(const std::filesystem::path& path, ImageInfo* info = nullptr,
                                              std::string* problem = nullptr);
