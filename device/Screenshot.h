#pragma once
// Screenshots the player asks for: the last finished frame as an opaque PNG
// in the screenshot folder, named by the local date and time (the file's
// side is files/PictureFile.h).
#include "files/PictureFile.h"

class CDevice;

// Makes the folder when it is missing. An existing file is never replaced:
// shots within one second get numbered names.
ScreenshotResult saveScreenshot(const CDevice& device, const std::filesystem::path& folder, const std::tm& localTime);
