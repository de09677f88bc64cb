#pragma once
// DirectDraw Surface files: 2D textures and cube maps, uncompressed (32-, 24-
// and 16-bit masks, 8-bit luminance) or block-compressed DXT1, DXT3 and DXT5,
// decoded to RGBA bytes. Every size and offset in the file is checked against
// the bytes there are; a damaged file gives a reason, never a crash.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CTexture;

struct DdsImage {
    int width = 0;
    int height = 0;
    bool cube = false;
    int levels = 0;
    // [face][level]: RGBA bytes, top row first. One face unless a cube map;
    // a cube map missing faces in the file has them black.
    std::vector<std::vector<std::vector<uint8_t>>> faces;
};

bool parseDds(const uint8_t* data, size_t size, DdsImage& image, std::string& error);

// A cube texture (or a 2D texture, for a flat file) from a .dds file; none
// when the file is missing or damaged.
std::unique_ptr<CTexture> loadDdsTexture(const std::filesystem::path& path);
