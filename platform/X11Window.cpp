#include "platform/X11Window.h"

#include <SDL.h>
#include <SDL_syswm.h>
// Xlib's macros (None, Bool, Status...) stay inside this file.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <atomic>

namespace {

// The X window watched for destruction, and what became of it. Xlib calls
// its error handler on the thread that reads the connection: the game's own.
std::atomic<unsigned long> watchedWindow{0};
std::atomic<bool> destroyed{false};
// Errors while probing the window manager's properties are expected (a
// manager that quit leaves a stale window id behind) and only counted.
std::atomic<bool> probing{false};
std::atomic<int> probeErrors{0};
XErrorHandler previousHandler = nullptr;

int onXError(Display* display, XErrorEvent* error)
{
    if (probing) {
        ++probeErrors;
        return 0;
    }
    const unsigned long watched = watchedWindow;
    if (watched != 0 && error->resourceid == watched) {
        destroyed = true;
        return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

void installHandler()
{
    static bool installed = false;
    if (installed)
        return;
    previousHandler = XSetErrorHandler(onXError);
    installed = true;
}

bool x11Window(SDL_Window* window, Display*& display, Window& xWindow)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    display = info.info.x11.display;
    xWindow = info.info.x11.window;
    return display != nullptr;
}

// The 32-bit items of a property, up to `capacity` of them.
int propertyItems(Display* display, Window owner, const char* name, Atom type, unsigned long* items, int capacity)
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, owner, XInternAtom(display, name, False), 0, capacity, False,
                                          type, &actualType, &format, &count, &after, &data);
    int taken = 0;
    if (status == Success && data && actualType == type && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (; taken < static_cast<int>(count) && taken < capacity; ++taken)
            items[taken] = values[taken];
    }
    if (data)
        XFree(data);
    return taken;
}

// The SDL key of an X key symbol, for the keys the game reads; SDLK_UNKNOWN
// for the rest.
SDL_Keycode sdlKeyOf(KeySym symbol)
{
    // Printable Latin-1: SDL's key is the (lower-case) character itself.
    if (symbol >= XK_A && symbol <= XK_Z)
        return static_cast<SDL_Keycode>(symbol - XK_A + XK_a);
    if (symbol >= XK_space && symbol <= XK_asciitilde)
        return static_cast<SDL_Keycode>(symbol);
    if (symbol >= XK_F1 && symbol <= XK_F12)
        return static_cast<SDL_Keycode>(SDLK_F1 + (symbol - XK_F1));
    switch (symbol) {
    case XK_Escape: return SDLK_ESCAPE;
    case XK_Return: return SDLK_RETURN;
    case XK_KP_Enter: return SDLK_KP_ENTER;
    case XK_BackSpace: return SDLK_BACKSPACE;
    case XK_Tab: return SDLK_TAB;
    case XK_Left: return SDLK_LEFT;
    case XK_Right: return SDLK_RIGHT;
    case XK_Up: return SDLK_UP;
    case XK_Down: return SDLK_DOWN;
    case XK_Shift_L: return SDLK_LSHIFT;
    case XK_Shift_R: return SDLK_RSHIFT;
    case XK_Control_L: return SDLK_LCTRL;
    case XK_Control_R: return SDLK_RCTRL;
    case XK_Alt_L: return SDLK_LALT;
    case XK_Alt_R: return SDLK_RALT;
    case XK_Pause: return SDLK_PAUSE;
    case XK_Prior: return SDLK_PAGEUP;
    case XK_Next: return SDLK_PAGEDOWN;
    case XK_Home: return SDLK_HOME;
    case XK_End: return SDLK_END;
    case XK_Insert: return SDLK_INSERT;
    case XK_Delete: return SDLK_DELETE;
    case XK_Print: return SDLK_PRINTSCREEN;
    default: return SDLK_UNKNOWN;
    }
}

} // namespace

bool desktopDoesFullScreen(SDL_Window* window)
{
    Display* display = nullptr;
    Window xWindow = 0;
    if (!x11Window(window, display, xWindow))
        return true;
    installHandler();
    XSync(display, False);
    probing = true;
    probeErrors = 0;
    // A running manager names its check window on the root and on the check
    // window itself; a manager that quit leaves only the first behind.
    const Window root = DefaultRootWindow(display);
    unsigned long check[1] = {0}, self[1] = {0};
    bool running = propertyItems(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, check, 1) == 1 &&
                   propertyItems(display, check[0], "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, self, 1) == 1 &&
                   self[0] == check[0];
    bool fullScreen = false;
    if (running) {
        const Atom wanted = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        unsigned long supported[512];
        const int count = propertyItems(display, root, "_NET_SUPPORTED", XA_ATOM, supported, 512);
        for (int i = 0; i < count && !fullScreen; ++i)
            fullScreen = supported[i] == wanted;
    }
    XSync(display, False);
    probing = false;
    return running && fullScreen && probeErrors == 0;
}

void watchForOutsideDestruction(SDL_Window* window)
{
    Display* display = nullptr;
    Window xWindow = 0;
    if (!x11Window(window, display, xWindow))
        return;
    installHandler();
    watchedWindow = xWindow;
}

bool windowDestroyedFromOutside() { return destroyed; }

std::vector<int> keysDownOnDisplay(SDL_Window* window)
{
    Display* display = nullptr;
    Window xWindow = 0;
    if (!x11Window(window, display, xWindow))
        return {};
    char down[32] = {};
    XQueryKeymap(display, down);
    std::vector<int> scancodes;
    for (int keycode = 8; keycode < 256; ++keycode) {
        if ((down[keycode / 8] & (1 << (keycode % 8))) == 0)
            continue;
        const SDL_Keycode key = sdlKeyOf(XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0));
        const SDL_Scancode scancode = key == SDLK_UNKNOWN ? SDL_SCANCODE_UNKNOWN : SDL_GetScancodeFromKey(key);
        if (scancode != SDL_SCANCODE_UNKNOWN)
            scancodes.push_back(scancode);
    }
    return scancodes;
}

namespace {

// The bits of a pixel under a colour mask, as a byte.
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
        ++shift;
    const unsigned long top = mask >> shift;
    return static_cast<uint8_t>(((pixel >> shift) & top) * 255u / top);
}

} // namespace

bool readShownPixels(SDL_Window* window, std::vector<uint8_t>& rgba, int& width, int& height)
{
    Display* display = nullptr;
    Window xWindow = 0;
    if (!x11Window(window, display, xWindow))
        return false;
    installHandler();
    // A window that is not viewable cannot be read: an error, not an exit.
    probing = true;
    XSync(display, False);
    probeErrors = 0;
    XWindowAttributes attributes{};
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, xWindow, &attributes) && attributes.map_state == IsViewable)
        image = XGetImage(display, xWindow, 0, 0, static_cast<unsigned>(attributes.width),
                          static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    XSync(display, False);
    probing = false;
    if (!image)
        return false;
    width = attributes.width;
    height = attributes.height;
    rgba.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            uint8_t* out = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
            out[0] = channel(pixel, image->red_mask);
            out[1] = channel(pixel, image->green_mask);
            out[2] = channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return probeErrors == 0;
}
