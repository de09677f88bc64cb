#include "app/ApplicationBase.h"

#include "platform/Clock.h"

int CApplicationBase::create(int width, int height, bool fullscreen)
{
    clientWidth = width;
    clientHeight = height;
    windowed = !fullscreen;
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

int CApplicationBase::run(CInputSource& input)
{
    loopInput = &input;
    timer.reset();
    for (;;) {
        InputMessage message;
        if (input.poll(message)) {
            if (message.type == InputMessage::Quit)
                return 0;
            onMessage(message);
            if (quitRequested)
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
        if (quitRequested)
            return 0;
        if (windowed && !fixedFrameTime)
            sleepMilliseconds(1);
    }
}
