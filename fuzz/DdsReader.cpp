// Damaged DDS files: the reader must answer every input without reading past it.
#include "device/DdsReader.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DdsImage image;
    std::string error;
    if (parseDds(data, size, image, error)) {
        // Every level that came back has the size its dimensions promise.
        for (const auto& face : image.faces) {
            for (size_t level = 0; level < face.size(); ++level) {
                const size_t w = std::max(1, image.width >> level), h = std::max(1, image.height >> level);
                if (face[level].size() != w * h * 4)
                    __builtin_trap();
            }
        }
    }
    return 0;
}
