#include "platform/Window.h"

#include <SDL.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/Desktop.h"
#include "platform/KeyNames.h"
#include "platform/Utf8.h"
#include "platform/VirtualKeys.h"
#include "platform/X11Window.h"

namespace {

// OpenGL 4.5 core. The window's own framebuffer only receives the finished
// picture; depth and stencil live with the device's off-screen back buffer.
void requestGlContext()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

} // namespace

CWindow::~CWindow()
{
    if (context)
        SDL_GL_DeleteContext(context);
    if (window)
        SDL_DestroyWindow(window);
}

bool CWindow::create(const std::string& title, int width, int height, bool fullscreen)
{
    skipUnreachableWayland();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        lastError = std::string("no display available (") + SDL_GetError() + ")";
        return false;
    }
    // SDL falls back to its invisible off-screen driver when no display is
    // reachable; a player would get a game nobody can see. Only a run that
    // asked for it (tests, scripts) may draw off screen.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (isOffScreenDriver(driver) && !(requested && std::strcmp(driver, requested) == 0)) {
        lastError = "no display available (is DISPLAY or WAYLAND_DISPLAY set?)";
        return false;
    }
    requestGlContext();

    // The window opens in its place on the desktop and goes full screen
    // afterwards, so that leaving full screen finds it there.
    const std::optional<ScreenRect> usable = usableDesktop();
    const ScreenRect place = usable ? placeWindow(width, height, {}, *usable) : ScreenRect{100, 100, width, height};
    window = SDL_CreateWindow(title.c_str(), place.x, place.y, place.width, place.height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
    if (!window) {
        lastError = std::string("the window cannot be opened (") + SDL_GetError() + ")";
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        lastError = std::string("OpenGL 4.5 is not available (") + SDL_GetError() + ")";
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    // Presentation never waits for the vertical retrace.
    SDL_GL_SetSwapInterval(0);
    watchForOutsideDestruction(window);
    if (usable)
        keepFrameOnDesktop(*usable);
    windowed = true;
    if (fullscreen)
        setFullScreen(true);
    active = (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) == 0;
    SDL_StartTextInput();
    pads.start();
    return true;
}

void CWindow::keepFrameOnDesktop(const ScreenRect& usable)
{
    // The frame is known once the window manager has framed the window.
    SDL_PumpEvents();
    WindowFrame frame;
    if (SDL_GetWindowBordersSize(window, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
        return;
    ScreenRect now;
    SDL_GetWindowPosition(window, &now.x, &now.y);
    SDL_GetWindowSize(window, &now.width, &now.height);
    const ScreenRect place = placeWindow(now.width, now.height, frame, usable);
    if (place.width != now.width || place.height != now.height)
        SDL_SetWindowSize(window, place.width, place.height);
    if (place.x != now.x || place.y != now.y)
        SDL_SetWindowPosition(window, place.x, place.y);
}

bool CWindow::setFullScreen(bool fullScreen)
{
    if (!window)
        return false;
    if (desktopDoesFullScreen(window)) {
        if (SDL_SetWindowFullscreen(window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
            return false;
    } else {
        coverDisplay(fullScreen);
    }
    windowed = !fullScreen;
    return true;
}

void CWindow::coverDisplay(bool cover)
{
    // With no window manager to ask, the window itself covers the display
    // and goes back to where it was. SDL's own switch would only change its
    // idea of the window's size, and the picture would be drawn for a size
    // the window does not have.
    if (cover == !windowed)
        return;
    if (cover) {
        SDL_GetWindowPosition(window, &windowedPlace.x, &windowedPlace.y);
        SDL_GetWindowSize(window, &windowedPlace.width, &windowedPlace.height);
        SDL_Rect display;
        const int index = std::max(SDL_GetWindowDisplayIndex(window), 0);
        if (SDL_GetDisplayBounds(index, &display) != 0)
            return;
        SDL_SetWindowPosition(window, display.x, display.y);
        SDL_SetWindowSize(window, display.w, display.h);
    } else {
        SDL_SetWindowSize(window, windowedPlace.width, windowedPlace.height);
        SDL_SetWindowPosition(window, windowedPlace.x, windowedPlace.y);
    }
}

void CWindow::setTitle(const std::string& title)
{
    if (window)
        SDL_SetWindowTitle(window, title.c_str());
}

void CWindow::setSize(int width, int height)
{
    if (!window)
        return;
    // Covering the display itself, the window keeps the new size for when it
    // leaves full screen; on a desktop's full screen SDL keeps it likewise.
    if (!windowed && !desktopDoesFullScreen(window)) {
        windowedPlace.width = width;
        windowedPlace.height = height;
        return;
    }
    SDL_SetWindowSize(window, width, height);
    // A larger window may no longer fit where it stands: it moves, or
    // shrinks, as it would have at start.
    if (windowed) {
        if (const std::optional<ScreenRect> usable = usableDesktop())
            keepFrameOnDesktop(*usable);
    }
}

void CWindow::setMinimumSize(int width, int height)
{
    if (window)
        SDL_SetWindowMinimumSize(window, width, height);
}

void CWindow::size(int& width, int& height) const
{
    width = 0;
    height = 0;
    if (window)
        SDL_GetWindowSize(window, &width, &height);
}

void CWindow::drawableSize(int& width, int& height) const
{
    width = 0;
    height = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, &width, &height);
}

void CWindow::setIcon(const std::string& pngFile)
{
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(pngFile.c_str(), &width, &height, &channels, 4);
    if (!pixels)
        return;
    // Desktops scale window icons themselves; a huge one would only cost.
    if (window && width > 0 && width <= 512 && height > 0 && height <= 512) {
        SDL_Surface* icon =
            SDL_CreateRGBSurfaceWithFormatFrom(pixels, width, height, 32, width * 4, SDL_PIXELFORMAT_RGBA32);
        if (icon) {
            SDL_SetWindowIcon(window, icon);
            SDL_FreeSurface(icon);
        }
    }
    stbi_image_free(pixels);
}

void CWindow::close() { closing = true; }

bool CWindow::poll(InputMessage& message)
{
    // Another program destroyed the window instead of asking it to close
    // (as a window manager does): the game ends as if it had been closed.
    if (closing || windowDestroyedFromOutside()) {
        closing = false;
        message = {};
        message.type = InputMessage::Quit;
        return true;
    }
    if (!pendingCharacters.empty()) {
        message = {};
        message.type = InputMessage::Character;
        message.character = pendingCharacters.front();
        pendingCharacters.erase(0, 1);
        return true;
    }
    // A pad's press is delivered right after the event that made it, before
    // later events; a repeat comes due with no event at all.
    SDL_Event event;
    int padKey = 0;
    bool padRepeat = false;
    bool padPressed = false;
    while (!padPressed && SDL_PollEvent(&event)) {
        if (translate(&event, message))
            return true;
        if (!pendingCharacters.empty())
            return poll(message);
        padPressed = pads.takePress(SDL_GetTicks64(), padKey, padRepeat);
    }
    if (padPressed || pads.takePress(SDL_GetTicks64(), padKey, padRepeat)) {
        message = {};
        message.type = InputMessage::KeyDown;
        message.key = padKey;
        message.repeat = padRepeat;
        return true;
    }
    return false;
}

namespace {

// The window changes that move its picture under a pointer that stays where
// it is; the pointer then shows up at a new place in the window.
bool windowChangedUnderPointer(int windowEvent)
{
    switch (windowEvent) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_ENTER:
        return true;
    default:
        return false;
    }
}

} // namespace

bool CWindow::translate(const void* sdlEvent, InputMessage& message)
{
    const SDL_Event& event = *static_cast<const SDL_Event*>(sdlEvent);
    message = {};
    switch (event.type) {
    case SDL_QUIT:
        message.type = InputMessage::Quit;
        return true;
    case SDL_WINDOWEVENT:
        // Frames stop while the window is minimised and resume when restored.
        if (event.window.event == SDL_WINDOWEVENT_MINIMIZED)
            active = false;
        else if (event.window.event == SDL_WINDOWEVENT_RESTORED || event.window.event == SDL_WINDOWEVENT_SHOWN ||
                 event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_MAXIMIZED)
            active = true;
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            noteKeysDownAtFocus();
        if (windowChangedUnderPointer(event.window.event)) {
            pointerSettling = true;
            settledX = settledY = -1;
        }
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            // SDL lets go of the keyboard's keys; the pads' keys go up too,
            // or a piece would slide on while the player is elsewhere.
            pads.releaseAll();
            keysAtFocus.focusLost();
            message.type = InputMessage::FocusLost;
            return true;
        }
        return false;
    case SDL_KEYDOWN:
        if (!keysAtFocus.pressCounts(event.key.keysym.scancode))
            return false;
        return translateKey(&event, message);
    case SDL_KEYUP:
        keysAtFocus.released(event.key.keysym.scancode);
        return false;
    case SDL_TEXTINPUT:
        if (keysAtFocus.textCounts())
            pendingCharacters += decodeUtf8(event.text.text);
        return false;
    case SDL_MOUSEMOTION: {
        message.type = InputMessage::MouseMove;
        message.x = event.motion.x;
        message.y = event.motion.y;
        if (pointerSettling && settledX < 0) {
            settledX = message.x;
            settledY = message.y;
        }
        pointerSettling = pointerSettling && message.x == settledX && message.y == settledY;
        message.pointerStill = pointerSettling;
        Uint32 state = event.motion.state;
        message.buttons = ((state & SDL_BUTTON_LMASK) ? MouseLeft : 0) | ((state & SDL_BUTTON_RMASK) ? MouseRight : 0) |
                          ((state & SDL_BUTTON_MMASK) ? MouseMiddle : 0);
        return true;
    }
    case SDL_MOUSEBUTTONDOWN: {
        const Uint8 button = event.button.button;
        message.buttons = button == SDL_BUTTON_LEFT    ? MouseLeft
                          : button == SDL_BUTTON_RIGHT ? MouseRight
                          : button == SDL_BUTTON_MIDDLE ? MouseMiddle
                                                        : 0;
        if (message.buttons == 0)
            return false;
        message.type = InputMessage::MouseDown;
        message.x = event.button.x;
        message.y = event.button.y;
        return true;
    }
    default:
        pads.handle(event, SDL_GetTicks64());
        return false;
    }
}

// The keys down as the keyboard arrives: those SDL knows of, and on X11 those
// the server holds, which SDL takes for fresh presses when they next repeat.
void CWindow::noteKeysDownAtFocus()
{
    int count = 0;
    const Uint8* known = SDL_GetKeyboardState(&count);
    std::vector<uint8_t> down(known, known + std::max(count, 0));
    for (int scancode : keysDownOnDisplay(window))
        if (scancode >= 0 && scancode < count)
            down[static_cast<size_t>(scancode)] = 1;
    keysAtFocus.focusGained(down.data(), count);
}

bool CWindow::translateKey(const void* sdlEvent, InputMessage& message)
{
    const SDL_KeyboardEvent& key = static_cast<const SDL_Event*>(sdlEvent)->key;
    // Alt+Enter belongs to the window: the game must not also take the item
    // of the menu. A held Enter repeats; only the first press switches.
    const bool enter = key.keysym.sym == SDLK_RETURN || key.keysym.sym == SDLK_KP_ENTER;
    if (enter && (key.keysym.mod & KMOD_ALT)) {
        if (!key.repeat)
            setFullScreen(windowed);
        return false;
    }
    message.key = virtualKeyOfSdlKey(key.keysym.sym);
    message.repeat = key.repeat != 0;
    message.type = InputMessage::KeyDown;
    return message.key != 0;
}

bool CWindow::isHeld(int virtualKey) const
{
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const auto down = [&](SDL_Scancode key) { return keys[key] && keysAtFocus.heldCounts(key); };
    switch (virtualKey) {
    case vk::Left: return down(SDL_SCANCODE_LEFT);
    case vk::Right: return down(SDL_SCANCODE_RIGHT);
    case vk::Up: return down(SDL_SCANCODE_UP);
    case vk::Down: return down(SDL_SCANCODE_DOWN);
    case vk::Shift: return down(SDL_SCANCODE_LSHIFT) || down(SDL_SCANCODE_RSHIFT);
    default: return pads.isHeld(virtualKey);
    }
}

void showMessageBox(const std::string& caption, const std::string& text)
{
    std::fprintf(stderr, "vesbrik: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    // Only try a box where a real display driver is running; without one SDL
    // would fail anyway, and the line on standard error is the message.
    if (!drawsOffScreen())
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.empty() ? "Vesbrik" : caption.c_str(), text.c_str(),
                                 nullptr);
}

std::string openOffscreenGlContext(int width, int height)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return std::string("SDL video cannot start: ") + SDL_GetError();
    requestGlContext();
    SDL_Window* window =
        SDL_CreateWindow("vesbrik", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window)
        return std::string("no window: ") + SDL_GetError();
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
        return std::string("no OpenGL 4.5 core context: ") + SDL_GetError();
    SDL_GL_MakeCurrent(window, context);
    return "";
}
