#include "device/Screenshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <stb_image_write.h>

#include "device/Device.h"
#include "files/GameFolders.h"

namespace fs = std::filesystem;

namespace {

// Numbered names for shots within one second; far more than a finger makes.
constexpr int MaxAttempts = 100;

void appendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

// Creates the file only if no file of that name exists, so a shot never
// replaces another; EEXIST tells the caller to try the next name.
int writeNewFile(const fs::path& file, const std::string& bytes)
{
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    size_t done = 0;
    int result = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            result = errno ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(written);
    }
    if (close(fd) != 0 && result == 0)
        result = errno;
    if (result != 0)
        unlink(file.c_str()); // no half picture left behind
    return result;
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
    // The window shows no alpha; whatever the passes left there would make
    // viewers show parts of the shot as transparent.
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    std::string png;
    if (!stbi_write_png_to_func(appendBytes, &png, width, height, 4, rgba.data(), width * 4)) {
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
        const int error = writeNewFile(file, png);
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

ScreenshotResult saveScreenshot(const CDevice& device, const fs::path& folder, const std::tm& localTime)
{
    return savePicture(device.readBackBuffer(), device.width(), device.height(), folder, localTime);
}
