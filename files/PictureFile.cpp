#include "files/PictureFile.h"

#include "files/AtomicFile.h"
#include "files/FileWriting.h"
#include "files/GameFolders.h"

#include <cerrno>
#include <cstring>

#include <stb_image_write.h>

namespace fs = std::filesystem;

namespace {

// Numbered names for shots within one second; far more than a finger makes.
constexpr int MaxAttempts = 100;

void appendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

// The PNG file's bytes, or "" when there is no picture of that size to encode.
std::string encodeOpaquePng(std::vector<uint8_t> rgba, int width, int height)
{
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4)
        return "";
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    std::string png;
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, 4, rgba.data(), width * 4))
        return "";
    return png;
}

} // namespace

ScreenshotResult savePicture(std::vector<uint8_t> rgba, int width, int height, const fs::path& folder,
                             const std::tm& localTime)
{
    ScreenshotResult result;
    if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) {
        result.error = "no picture to save";
        return result;
    }
    const std::string png = encodeOpaquePng(std::move(rgba), width, height);
    if (png.empty()) {
        result.error = "the picture cannot be encoded";
        return result;
    }
    std::error_code made;
    fs::create_directories(folder, made);
    if (!fs::is_directory(folder, made)) {
        result.error = "cannot create " + folder.string();
        return result;
    }
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const fs::path file = folder / screenshotFileName(localTime, attempt);
        const int error = createFileWith(file.string(), png);
        if (error == EEXIST)
            continue;
        if (error != 0) {
            result.error = "cannot write " + file.string() + ": " + std::strerror(error);
            return result;
        }
        result.saved = true;
        result.file = file;
        return result;
    }
    result.error = "too many screenshots in one second";
    return result;
}

bool writePicture(const std::string& path, std::vector<uint8_t> rgba, int width, int height)
{
    const std::string png = encodeOpaquePng(std::move(rgba), width, height);
    return !png.empty() && replaceFileAtomically(path, png);
}
