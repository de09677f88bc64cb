#include "device/Screenshot.h"

#include "device/Device.h"

ScreenshotResult saveScreenshot(const CDevice& device, const std::filesystem::path& folder, const std::tm& localTime)
{
    return savePicture(device.readBackBuffer(), device.width(), device.height(), folder, localTime);
}
