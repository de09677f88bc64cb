#include "platform/Gamepads.h"

#include <SDL.h>

#include "platform/VirtualKeys.h"

namespace {

// The stick counts as pushed past half way and as let go below 40 %, so a
// thumb resting near the edge does not flutter between pressed and not.
constexpr int StickPressed = 16384;
constexpr int StickReleased = 13107;

// Controls beyond SDL's buttons stand for the stick's four directions.
enum StickControl { StickLeft = 100, StickRight, StickUp, StickDown };

struct ButtonKey {
    int key;
    bool repeats;
};

bool keyForButton(int button, ButtonKey& mapped)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: mapped = {vk::PadLeft, true}; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: mapped = {vk::PadRight, true}; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: mapped = {vk::PadUp, true}; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: mapped = {vk::PadDown, true}; return true;
    case SDL_CONTROLLER_BUTTON_A: mapped = {vk::PadA, true}; return true;
    case SDL_CONTROLLER_BUTTON_B: mapped = {vk::PadB, true}; return true;
    // Pause and leave must not flicker on and off while held.
    case SDL_CONTROLLER_BUTTON_START: mapped = {vk::PadStart, false}; return true;
    case SDL_CONTROLLER_BUTTON_BACK: mapped = {vk::PadBack, false}; return true;
    default: return false;
    }
}

} // namespace

CGamepads::~CGamepads()
{
    for (auto& [id, controller] : open)
        SDL_GameControllerClose(controller);
}

void CGamepads::start()
{
    if (!started)
        started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

bool CGamepads::handle(const SDL_Event& event, uint64_t now)
{
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED: {
        SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which);
        if (controller) {
            const int id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
            if (open.count(id))
                SDL_GameControllerClose(controller); // already open: SDL counts opens
            else
                open[id] = controller;
        }
        return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
        auto it = open.find(event.cdevice.which);
        if (it != open.end()) {
            SDL_GameControllerClose(it->second);
            open.erase(it);
        }
        keys.releaseDevice(event.cdevice.which);
        return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        onButton(event.cbutton.which, event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN, now);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        onAxis(event.caxis.which, event.caxis.axis, event.caxis.value, now);
        return true;
    default:
        return false;
    }
}

void CGamepads::onButton(int device, int button, bool down, uint64_t now)
{
    ButtonKey mapped{};
    if (!keyForButton(button, mapped))
        return;
    if (down)
        keys.press(device, button, mapped.key, mapped.repeats, now);
    else
        keys.release(device, button);
}

void CGamepads::onAxis(int device, int axis, int value, uint64_t now)
{
    int negative = 0, positive = 0, negativeKey = 0, positiveKey = 0;
    if (axis == SDL_CONTROLLER_AXIS_LEFTX) {
        negative = StickLeft, positive = StickRight, negativeKey = vk::PadLeft, positiveKey = vk::PadRight;
    } else if (axis == SDL_CONTROLLER_AXIS_LEFTY) {
        negative = StickUp, positive = StickDown, negativeKey = vk::PadUp, positiveKey = vk::PadDown;
    } else {
        return;
    }
    // Each half of the axis is a control of its own with its own hysteresis.
    auto follow = [&](int control, int key, int pushed) {
        if (pushed > StickPressed)
            keys.press(device, control, key, true, now);
        else if (pushed < StickReleased)
            keys.release(device, control);
    };
    follow(negative, negativeKey, -value);
    follow(positive, positiveKey, value);
}
