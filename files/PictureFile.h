#pragma once
// Pictures saved as PNG files: the player's screenshots, and shots written to
// a file of a given name (scripted runs). A picture is RGBA rows, top row
// first. It is saved opaque, as the window shows it: the window shows no
// alpha, and whatever the drawing left there would make viewers show parts
// of the picture as transparent.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

struct ScreenshotResult {
    bool saved = false;
    std::filesystem::path file; // when saved
    std::string error;          // when not: one line for the player
};

// A screenshot in the folder, named by the local date and time (see
// screenshotFileName). Makes the folder when it is missing. An existing file
// is never replaced: shots within one second get numbered names.
ScreenshotResult savePicture(std::vector<uint8_t> rgba, int width, int height, const std::filesystem::path& folder,
                             const std::tm& localTime);

// The picture as the file at path, replaced whole or not at all. False when
// the picture is empty or of another size, or the file cannot be written.
bool writePicture(const std::string& path, std::vector<uint8_t> rgba, int width, int height);
