#pragma once
// The shell every frame runs in: one window with its graphics device, the
// message loop and the frame timer. The game derives from it.
#include <optional>
#include <string>

#include "platform/FrameTimer.h"
#include "device/Device.h"
#include "platform/InputSource.h"
#include "platform/Window.h"

class CApplicationBase {
public:
    virtual ~CApplicationBase() = default;

    // Opens the window and creates the device. Returns a negative value on
    // failure, with the reason in createError().
    int create(int width, int height, bool fullscreen);
    const std::string& createError() const { return lastError; }

    // The message loop: takes waiting input first, otherwise makes a frame
    // while the window is active. Returns the exit status when asked to quit:
    // by stopLoop, the window closed, or a stop signal (platform/StopSignals.h).
    int run(CInputSource& input);

    // Scripted runs use a fixed frame time instead of the counter.
    void setFixedFrameTime(std::optional<double> seconds) { fixedFrameTime = seconds; }

    // Ends the loop after the current message or frame, as closing the
    // window does; the window itself stays until the application goes.
    void stopLoop() { stopRequested = true; }

    // A new client size for the window, chosen by the player: the picture
    // takes its shape and, from the next frame on, its pixels.
    void resizeWindow(int width, int height);

    CWindow& window() { return mainWindow; }
    CDevice& graphics() { return mainDevice; }
    // Follows Alt+Enter, which the window handles itself.
    bool isWindowed() const { return mainWindow.isWindowed(); }
    int width() const { return clientWidth; }
    int height() const { return clientHeight; }

protected:
    virtual void frame(double elapsed) = 0;
    virtual void onMessage(const InputMessage&) {}
    // The input the running loop reads; frames poll held keys through it.
    const CInputSource& input() const { return *loopInput; }
    // Before a frame is drawn: the back buffer takes the size the picture
    // has in the window now, the largest of the picture's shape that fits
    // the window's drawable (a window resized by the player or the desktop,
    // full screen on or off). True when it changed size, so that whatever is
    // drawn at the picture's size follows.
    bool followWindowSize();

    CFrameTimer timer;

private:
    CWindow mainWindow;
    CDevice mainDevice;
    // The size the window was asked for, which is the picture's shape.
    int clientWidth = 640;
    int clientHeight = 480;
    // The window's drawable size the back buffer was last fitted to.
    int fittedWidth = -1;
    int fittedHeight = -1;
    bool stopRequested = false;
    const CInputSource* loopInput = nullptr;
    std::optional<double> fixedFrameTime;
    std::string lastError;
};
