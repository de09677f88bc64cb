#include "device/DdsReader.h"

#include "device/Texture.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>

namespace {

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t PixelFormatAlpha = 0x1;
constexpr uint32_t PixelFormatFourCC = 0x4;
constexpr uint32_t PixelFormatRgb = 0x40;
constexpr uint32_t PixelFormatLuminance = 0x20000;
constexpr uint32_t HeaderMipMapCount = 0x20000;
constexpr uint32_t CapsCubeMap = 0x200;
constexpr size_t MaxDecodedBytes = size_t(256) << 20;
constexpr uint32_t CubeFaceFlags[6] = {0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x8000};

uint32_t read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

enum class Encoding { Dxt1, Dxt3, Dxt5, Masks };

struct Layout {
    Encoding encoding = Encoding::Masks;
    int bytesPerPixel = 4;
    uint32_t masks[4] = {}; // r, g, b, a; a mask of 0 reads as opaque
    bool luminance = false;
};

size_t levelBytes(const Layout& layout, int width, int height)
{
    const size_t blocks = static_cast<size_t>((width + 3) / 4) * static_cast<size_t>((height + 3) / 4);
    switch (layout.encoding) {
    case Encoding::Dxt1: return blocks * 8;
    case Encoding::Dxt3:
    case Encoding::Dxt5: return blocks * 16;
    default: return static_cast<size_t>(width) * height * layout.bytesPerPixel;
    }
}

uint8_t channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 255;
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255u / max);
}

void colour565(uint16_t c, uint8_t out[4])
{
    out[0] = static_cast<uint8_t>(((c >> 11) & 31) * 255 / 31);
    out[1] = static_cast<uint8_t>(((c >> 5) & 63) * 255 / 63);
    out[2] = static_cast<uint8_t>((c & 31) * 255 / 31);
    out[3] = 255;
}

// One 4 x 4 colour block into 16 RGBA texels; the three-colour mode (with
// transparent black) only where DXT1 allows it.
void decodeColourBlock(const uint8_t* block, bool allowThreeColour, uint8_t texels[16][4])
{
    const uint16_t c0 = read16(block), c1 = read16(block + 2);
    uint8_t palette[4][4];
    colour565(c0, palette[0]);
    colour565(c1, palette[1]);
    if (c0 > c1 || !allowThreeColour) {
        for (int i = 0; i < 4; ++i) {
            palette[2][i] = static_cast<uint8_t>((2 * palette[0][i] + palette[1][i]) / 3);
            palette[3][i] = static_cast<uint8_t>((palette[0][i] + 2 * palette[1][i]) / 3);
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            palette[2][i] = static_cast<uint8_t>((palette[0][i] + palette[1][i]) / 2);
            palette[3][i] = 0;
        }
    }
    const uint32_t indices = read32(block + 4);
    for (int t = 0; t < 16; ++t)
        std::copy_n(palette[(indices >> (2 * t)) & 3], 4, texels[t]);
}

void decodeBlock(const Layout& layout, const uint8_t* block, uint8_t texels[16][4])
{
    if (layout.encoding == Encoding::Dxt1) {
        decodeColourBlock(block, true, texels);
        return;
    }
    decodeColourBlock(block + 8, false, texels);
    if (layout.encoding == Encoding::Dxt3) {
        for (int t = 0; t < 16; ++t) {
            const int nibble = (block[t / 2] >> ((t % 2) * 4)) & 15;
            texels[t][3] = static_cast<uint8_t>(nibble * 17);
        }
        return;
    }
    uint8_t alpha[8];
    alpha[0] = block[0];
    alpha[1] = block[1];
    if (alpha[0] > alpha[1]) {
        for (int i = 1; i < 7; ++i)
            alpha[i + 1] = static_cast<uint8_t>(((7 - i) * alpha[0] + i * alpha[1]) / 7);
    } else {
        for (int i = 1; i < 5; ++i)
            alpha[i + 1] = static_cast<uint8_t>(((5 - i) * alpha[0] + i * alpha[1]) / 5);
        alpha[6] = 0;
        alpha[7] = 255;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i)
        bits |= uint64_t(block[2 + i]) << (8 * i);
    for (int t = 0; t < 16; ++t)
        texels[t][3] = alpha[(bits >> (3 * t)) & 7];
}

std::vector<uint8_t> decodeLevel(const Layout& layout, const uint8_t* data, int width, int height)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    if (layout.encoding == Encoding::Masks) {
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            uint32_t pixel = 0;
            for (int b = 0; b < layout.bytesPerPixel; ++b)
                pixel |= uint32_t(data[i * layout.bytesPerPixel + b]) << (8 * b);
            uint8_t* out = &rgba[i * 4];
            if (layout.luminance) {
                out[0] = out[1] = out[2] = channel(pixel, layout.masks[0]);
            } else {
                out[0] = channel(pixel, layout.masks[0]);
                out[1] = channel(pixel, layout.masks[1]);
                out[2] = channel(pixel, layout.masks[2]);
            }
            out[3] = channel(pixel, layout.masks[3]);
        }
        return rgba;
    }
    const size_t blockBytes = layout.encoding == Encoding::Dxt1 ? 8 : 16;
    const int blocksWide = (width + 3) / 4;
    for (int by = 0; by < (height + 3) / 4; ++by) {
        for (int bx = 0; bx < blocksWide; ++bx) {
            uint8_t texels[16][4];
            decodeBlock(layout, data + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes, texels);
            for (int t = 0; t < 16; ++t) {
                const int x = bx * 4 + t % 4, y = by * 4 + t / 4;
                if (x < width && y < height)
                    std::copy_n(texels[t], 4, &rgba[(static_cast<size_t>(y) * width + x) * 4]);
            }
        }
    }
    return rgba;
}

bool readLayout(const uint8_t* pf, Layout& layout, std::string& error)
{
    const uint32_t flags = read32(pf + 4);
    if (flags & PixelFormatFourCC) {
        const uint32_t fourCC = read32(pf + 8);
        if (fourCC == FourCC('D', 'X', 'T', '1'))
            layout.encoding = Encoding::Dxt1;
        else if (fourCC == FourCC('D', 'X', 'T', '3') || fourCC == FourCC('D', 'X', 'T', '2'))
            layout.encoding = Encoding::Dxt3;
        else if (fourCC == FourCC('D', 'X', 'T', '5') || fourCC == FourCC('D', 'X', 'T', '4'))
            layout.encoding = Encoding::Dxt5;
        else
            return error = "unsupported compressed format", false;
        return true;
    }
    const uint32_t bits = read32(pf + 12);
    if (!(flags & (PixelFormatRgb | PixelFormatLuminance)) || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
        return error = "unsupported pixel format", false;
    layout.encoding = Encoding::Masks;
    layout.bytesPerPixel = static_cast<int>(bits / 8);
    layout.luminance = (flags & PixelFormatLuminance) != 0;
    for (int i = 0; i < 3; ++i)
        layout.masks[i] = read32(pf + 16 + 4 * i);
    layout.masks[3] = (flags & PixelFormatAlpha) ? read32(pf + 28) : 0;
    if (!layout.luminance && (layout.masks[0] == 0 || layout.masks[1] == 0 || layout.masks[2] == 0))
        return error = "a colour mask is empty", false;
    if (layout.luminance && layout.masks[0] == 0)
        return error = "the luminance mask is empty", false;
    return true;
}

} // namespace

bool parseDds(const uint8_t* data, size_t size, DdsImage& image, std::string& error)
{
    image = DdsImage();
    constexpr size_t HeaderEnd = 4 + 124;
    if (!data || size < HeaderEnd || read32(data) != FourCC('D', 'D', 'S', ' '))
        return error = "not a DDS file", false;
    const uint8_t* header = data + 4;
    if (read32(header) != 124)
        return error = "the header has the wrong size", false;
    const uint32_t headerFlags = read32(header + 4);
    const int height = static_cast<int>(std::min<uint32_t>(read32(header + 8), 1u << 16));
    const int width = static_cast<int>(std::min<uint32_t>(read32(header + 12), 1u << 16));
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return error = "the image size is out of range", false;
    uint32_t levels = (headerFlags & HeaderMipMapCount) ? read32(header + 24) : 1;
    int chain = 1;
    for (int s = std::max(width, height); s > 1; s /= 2)
        ++chain;
    levels = std::clamp<uint32_t>(levels, 1, static_cast<uint32_t>(chain));
    Layout layout;
    if (!readLayout(header + 72, layout, error))
        return false;
    const uint32_t caps2 = read32(header + 108);
    image.cube = (caps2 & CapsCubeMap) != 0;
    if (image.cube && width != height)
        return error = "a cube map's faces are not square", false;
    // Faces left out of a cube file cost no bytes in it but still become
    // pixels: bound what the header may ask for, whatever the file holds.
    size_t decoded = 0;
    for (uint32_t level = 0; level < levels; ++level)
        decoded += static_cast<size_t>(std::max(1, width >> level)) * std::max(1, height >> level) * 4;
    if (decoded * (image.cube ? 6 : 1) > MaxDecodedBytes)
        return error = "the image is too large", false;
    image.width = width;
    image.height = height;
    image.levels = static_cast<int>(levels);
    size_t at = HeaderEnd;
    const int faceCount = image.cube ? 6 : 1;
    image.faces.resize(static_cast<size_t>(faceCount));
    for (int face = 0; face < faceCount; ++face) {
        const bool present = !image.cube || (caps2 & CubeFaceFlags[face]);
        for (uint32_t level = 0; level < levels; ++level) {
            const int w = std::max(1, width >> level), h = std::max(1, height >> level);
            if (!present) { // missing from the file: black in every level
                image.faces[face].emplace_back(static_cast<size_t>(w) * h * 4, uint8_t(0));
                continue;
            }
            const size_t bytes = levelBytes(layout, w, h);
            if (bytes > size - at)
                return error = "the file ends inside its pixel data", false;
            image.faces[face].push_back(decodeLevel(layout, data + at, w, h));
            at += bytes;
        }
    }
    return true;
}

std::unique_ptr<CTexture> loadDdsTexture(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return nullptr;
    // Far beyond anything the game ships: refuse such files instead of
    // reading them whole.
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    if (length <= 0 || length > (64ll << 20))
        return nullptr;
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), length))
        return nullptr;
    DdsImage image;
    std::string error;
    if (!parseDds(bytes.data(), bytes.size(), image, error))
        return nullptr;
    std::unique_ptr<CTexture> texture =
        image.cube ? CTexture::createCube(image.width, image.levels, Format::A8R8G8B8)
                   : CTexture::create(image.width, image.height, image.levels, Format::A8R8G8B8);
    if (!texture)
        return nullptr;
    for (size_t face = 0; face < image.faces.size(); ++face) {
        for (size_t level = 0; level < image.faces[face].size(); ++level)
            texture->upload(static_cast<int>(level), PixelLayout::Rgba8, image.faces[face][level].data(),
                            static_cast<int>(face));
    }
    return texture;
}
