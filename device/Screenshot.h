#pragma once
// Screenshots the player asks for: the last finished frame as an opaque PNG
// in the screenshot folder, named by the local date and time.
#include <ctime>
#include <filesystem>
#include <cstdint>
#include <string>
#include <vector>

class CDevice;

struct ScreenshotResult {
    bool saved = false;
    std::filesystem::path file; // when saved
    std::string error;          // when not: one line for the player
};

// Makes the folder when it is missing. An existing file is never replaced:
// shots within one second get numbered names.
ScreenshotResult saveScreenshot(const CDevice& device, const std::filesystem::path& folder, const std::tm& localTime);

// The same for a picture in memory: RGBA rows, top row first.
ScreenshotResult savePicture(std::vector<uint8_t> rgba, int width, int height, const std::filesystem::path& folder,
                             const std::tm& localTime);
