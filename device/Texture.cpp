#include "device/Texture.h"

#include "device/Device.h"

#include <algorithm>
#include <cstdio>
#include <epoxy/gl.h>
#include <stb_image.h>
#include <stb_image_resize.h>
#include <vector>

namespace {

struct GlFormat {
    GLenum internal;
    bool valid;
};

GlFormat glFormatOf(Format format)
{
    switch (format) {
    case Format::A8R8G8B8:
        return {GL_RGBA8, true};
    case Format::X8R8G8B8:
        // No stored alpha: it reads as 1 when sampled, blended or read back.
        return {GL_RGB8, true};
    case Format::A8:
        return {GL_R8, true};
    case Format::R32F:
        return {GL_R32F, true};
    case Format::D24S8:
        return {GL_DEPTH24_STENCIL8, true};
    default:
        return {0, false};
    }
}

int fullChainLength(int width, int height)
{
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}

void uploadFormat(PixelLayout layout, GLenum& format, GLenum& type)
{
    switch (layout) {
    case PixelLayout::Rgba8:
        format = GL_RGBA, type = GL_UNSIGNED_BYTE;
        return;
    case PixelLayout::Bgra8:
        format = GL_BGRA, type = GL_UNSIGNED_BYTE;
        return;
    case PixelLayout::RgbaFloat:
        format = GL_RGBA, type = GL_FLOAT;
        return;
    case PixelLayout::RFloat:
        format = GL_RED, type = GL_FLOAT;
        return;
    case PixelLayout::R8:
        format = GL_RED, type = GL_UNSIGNED_BYTE;
        return;
    }
}

// Fills every level below the top by halving the one above with a box filter.
// The filtering is done here rather than by the GL because a software GL
// builds and compiles a drawing program for its own filtering, which costs a
// start more than the filtering does.
void uploadWithMipmaps(CTexture& texture, const uint8_t* rgba)
{
    texture.upload(0, PixelLayout::Rgba8, rgba);
    std::vector<uint8_t> above(rgba, rgba + static_cast<size_t>(texture.width()) * texture.height() * 4);
    std::vector<uint8_t> level;
    for (int n = 1; n < texture.levels(); ++n) {
        const int width = texture.levelWidth(n), height = texture.levelHeight(n);
        level.resize(static_cast<size_t>(width) * height * 4);
        stbir_resize_uint8_generic(above.data(), texture.levelWidth(n - 1), texture.levelHeight(n - 1), 0,
                                   level.data(), width, height, 0, 4, STBIR_ALPHA_CHANNEL_NONE, 0,
                                   STBIR_EDGE_CLAMP, STBIR_FILTER_BOX, STBIR_COLORSPACE_LINEAR, nullptr);
        texture.upload(n, PixelLayout::Rgba8, level.data());
        above.swap(level);
    }
}

// An image file handed to the decoder piece by piece, noting whether the
// decoder wanted bytes after the last one. The decoder fills pixels past the
// end with zeros and reports success, so a file cut in half would otherwise
// load as a picture half black.
class ImageFileSource {
public:
    explicit ImageFileSource(FILE* file) : file(file) {}

    bool ranPastTheEnd() const { return wantedMoreThanThere; }
    stbi_io_callbacks callbacks() const { return {&ImageFileSource::read, &ImageFileSource::skip, &ImageFileSource::eof}; }

private:
    // The decoder refills its buffer in pieces of this many bytes; a shorter
    // answer to such a refill is just the file's last piece. Any other short
    // read was for bytes the picture needs.
    static constexpr int RefillSize = 128;

    static int read(void* self, char* data, int size)
    {
        auto& source = *static_cast<ImageFileSource*>(self);
        const size_t got = std::fread(data, 1, static_cast<size_t>(size), source.file);
        if (got == 0 || (static_cast<int>(got) < size && size != RefillSize))
            source.wantedMoreThanThere = true;
        return static_cast<int>(got);
    }
    static void skip(void* self, int count)
    {
        auto& source = *static_cast<ImageFileSource*>(self);
        if (count < 0 || std::fseek(source.file, count, SEEK_CUR) != 0)
            source.wantedMoreThanThere = true;
    }
    static int eof(void* self) { return std::feof(static_cast<ImageFileSource*>(self)->file); }

    FILE* file;
    bool wantedMoreThanThere = false;
};

} // namespace

CTexture::CTexture(unsigned name, int width, int height, int levels, Format format, bool cube)
    : name(name), textureWidth(width), textureHeight(height), levelCount(levels), textureFormat(format), cube(cube),
      levelZero(this, name, width, height, format == Format::D24S8)
{
}

std::unique_ptr<CTexture> CTexture::create(int width, int height, int levels, Format format, TextureUsage usage)
{
    const GlFormat gl = glFormatOf(format);
    if (!gl.valid || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return nullptr;
    if ((usage == TextureUsage::DepthStencil) != (format == Format::D24S8))
        return nullptr;
    const int chain = fullChainLength(width, height);
    if (levels <= 0 || levels > chain)
        levels = chain;
    GLuint name = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &name);
    glTextureStorage2D(name, levels, gl.internal, width, height);
    glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, levels - 1);
    return std::unique_ptr<CTexture>(new CTexture(name, width, height, levels, format, false));
}

std::unique_ptr<CTexture> CTexture::createCube(int size, int levels, Format format)
{
    const GlFormat gl = glFormatOf(format);
    if (!gl.valid || format == Format::D24S8 || size <= 0 || size > 16384)
        return nullptr;
    const int chain = fullChainLength(size, size);
    if (levels <= 0 || levels > chain)
        levels = chain;
    GLuint name = 0;
    glCreateTextures(GL_TEXTURE_CUBE_MAP, 1, &name);
    glTextureStorage2D(name, levels, gl.internal, size, size);
    glTextureParameteri(name, GL_TEXTURE_MAX_LEVEL, levels - 1);
    return std::unique_ptr<CTexture>(new CTexture(name, size, size, levels, format, true));
}

CTexture::~CTexture()
{
    if (hasDevice())
        device().forgetTexture(this);
    glDeleteTextures(1, &name);
}

int CTexture::levelWidth(int level) const { return std::max(1, textureWidth >> level); }
int CTexture::levelHeight(int level) const { return std::max(1, textureHeight >> level); }

void CTexture::upload(int level, PixelLayout layout, const void* pixels, int face)
{
    if (level < 0 || level >= levelCount || isDepthStencil())
        return;
    GLenum format = 0;
    GLenum type = 0;
    uploadFormat(layout, format, type);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (cube) {
        glTextureSubImage3D(name, level, 0, 0, std::clamp(face, 0, 5), levelWidth(level), levelHeight(level), 1,
                            format, type, pixels);
    } else {
        glTextureSubImage2D(name, level, 0, 0, levelWidth(level), levelHeight(level), format, type, pixels);
    }
}

void CTexture::uploadRegion(int x, int y, int width, int height, PixelLayout layout, const void* pixels)
{
    if (cube || isDepthStencil() || x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > textureWidth ||
        y + height > textureHeight)
        return;
    GLenum format = 0;
    GLenum type = 0;
    uploadFormat(layout, format, type);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTextureSubImage2D(name, 0, x, y, width, height, format, type, pixels);
}

void CTexture::generateMipmaps()
{
    if (levelCount > 1 && !isDepthStencil())
        glGenerateTextureMipmap(name);
}

void CTexture::useRedAsAlpha()
{
    const GLint swizzle[4] = {GL_ONE, GL_ONE, GL_ONE, GL_RED};
    glTextureParameteriv(name, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
}

std::vector<uint8_t> CTexture::readPixels() const
{
    std::vector<uint8_t> pixels(static_cast<size_t>(textureWidth) * textureHeight * 4);
    if (isDepthStencil())
        return pixels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (cube) {
        glGetTextureSubImage(name, 0, 0, 0, 0, textureWidth, textureHeight, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                             static_cast<GLsizei>(pixels.size()), pixels.data());
    } else {
        glGetTextureImage(name, 0, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(pixels.size()), pixels.data());
    }
    return pixels;
}

std::vector<float> CTexture::readFloats() const
{
    std::vector<float> values(static_cast<size_t>(textureWidth) * textureHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (isDepthStencil()) {
        glGetTextureImage(name, 0, GL_DEPTH_COMPONENT, GL_FLOAT, static_cast<GLsizei>(values.size() * sizeof(float)),
                          values.data());
    } else if (!cube) {
        glGetTextureImage(name, 0, GL_RED, GL_FLOAT, static_cast<GLsizei>(values.size() * sizeof(float)),
                          values.data());
    }
    return values;
}

ImageInfo readImageInfo(const std::filesystem::path& path)
{
    ImageInfo info;
    int w = 0, h = 0, n = 0;
    if (stbi_info(path.c_str(), &w, &h, &n) && w > 0 && h > 0) {
        info.width = w;
        info.height = h;
        info.channels = n;
        info.valid = true;
    }
    return info;
}

std::unique_ptr<CTexture> loadTextureFromFile(const std::filesystem::path& path, ImageInfo* info,
                                              std::string* problem)
{
    const auto fail = [&](const std::string& why) -> std::unique_ptr<CTexture> {
        if (problem)
            *problem = why;
        return nullptr;
    };
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return fail("");
    ImageFileSource source(file);
    const stbi_io_callbacks callbacks = source.callbacks();
    int w = 0, h = 0, n = 0;
    // Image files store their top row first, which is also how textures are
    // addressed here (v = 0 is the top), so no flip.
    stbi_set_flip_vertically_on_load(0);
    stbi_uc* pixels = stbi_load_from_callbacks(&callbacks, &source, &w, &h, &n, 4);
    std::fclose(file);
    if (!pixels)
        return fail("not a readable image");
    if (source.ranPastTheEnd()) {
        stbi_image_free(pixels);
        return fail("cut short: its pixels end before the picture does");
    }
    std::unique_ptr<CTexture> texture = CTexture::create(w, h, 0, Format::A8R8G8B8);
    if (texture) {
        uploadWithMipmaps(*texture, pixels);
        if (info)
            *info = ImageInfo{w, h, n, true};
    }
    stbi_image_free(pixels);
    if (!texture)
        return fail("a picture of " + std::to_string(w) + " x " + std::to_string(h) + " is larger than a texture can be");
    return texture;
}
