#include "app/ApplicationBase.h"

#include "platform/Clock.h"
#include "platform/Letterbox.h"
#include "platform/StopSignals.h"

int CApplicationBase::create(int width, int height, bool fullscreen)
{
    clientWidth = width;
    clientHeight = height;
    if (!mainWindow.create("Vesbrik", width, height, fullscreen)) {
        lastError = mainWindow.error();
        return -1;
    }
    if (!mainDevice.create(mainWindow.handle(), width, height)) {
        lastError = mainDevice.error();
        return -2;
    }
    return 0;
}

void CApplicationBase::resizeWindow(int width, int height)
{
    clientWidth = width;
    clientHeight = height;
    fittedWidth = -1; // the same drawable may now hold another shape
    mainWindow.setSize(width, height);
}

bool CApplicationBase::followWindowSize()
{
    int drawableWidth = 0, drawableHeight = 0;
    mainWindow.drawableSize(drawableWidth, drawableHeight);
    if (drawableWidth == fittedWidth && drawableHeight == fittedHeight)
        return false;
    const PictureRect shown = fitPicture(clientWidth, clientHeight, drawableWidth, drawableHeight);
    // A window without area (being minimised, or not yet mapped) keeps the
    // picture it had; the next size with area is fitted.
    if (shown.width <= 0 || shown.height <= 0)
        return false;
    fittedWidth = drawableWidth;
    fittedHeight = drawableHeight;
    const int oldWidth = mainDevice.width(), oldHeight = mainDevice.height();
    if (!mainDevice.resizeBackBuffer(shown.width, shown.height))
        return false;
    return mainDevice.width() != oldWidth || mainDevice.height() != oldHeight;
}

int CApplicationBase::run(CInputSource& input)
{
    loopInput = &input;
    timer.reset();
    for (;;) {
        if (caughtStopSignal() != 0)
            return 0;
        InputMessage message;
        if (input.poll(message)) {
            if (message.type == InputMessage::Quit)
                return 0;
            onMessage(message);
            if (stopRequested)
                return 0;
            continue;
        }
        // A minimised window makes no frames, and its timer is not ticked: the
        // first frame after a restore receives all the time that passed.
        if (!input.isActive()) {
            sleepMilliseconds(10);
            continue;
        }
        timer.tick();
        frame(fixedFrameTime ? *fixedFrameTime : timer.delta);
        input.frameDone();
        if (stopRequested)
            return 0;
        if (isWindowed() && !fixedFrameTime)
            sleepMilliseconds(1);
    }
}
