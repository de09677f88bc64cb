#pragma once
// The game's one window with its OpenGL context, and the SDL event loop that
// turns the player's keyboard, mouse and gamepads into the game's input
// messages. Alt+Enter switches between the window and full screen on the
// desktop's own mode; the window handles it itself, the game never sees it.
#include <string>

#include "platform/Desktop.h"
#include "platform/Gamepads.h"
#include "platform/InputSource.h"
#include "platform/KeysAtFocus.h"

struct SDL_Window;

class CWindow : public CInputSource {
public:
    ~CWindow() override;

    // Opens the window with a GL 4.5 core context of the given client size,
    // at (100, 100) or, where it would not fit there, centred on the usable
    // desktop and shrunk to it. Returns false with a one-line reason in error().
    bool create(const std::string& title, int width, int height, bool fullscreen);
    const std::string& error() const { return lastError; }

    SDL_Window* handle() const { return window; }
    bool isWindowed() const { return windowed; }
    // Full screen covers the desktop at its own resolution; the monitor's
    // mode never changes. Without a window manager that does it, the window
    // covers the display itself. False when the switch failed (the mode stays).
    bool setFullScreen(bool fullScreen);
    // A new client size for the window, moved or shrunk as at start where it
    // would not fit the desktop where it stands; in full screen, the size it
    // gets back when it leaves it.
    void setSize(int width, int height);
    // The least client size the window may be given, by the player's drag
    // or anyone else: the window manager is told to keep to it, and a
    // smaller window grows to it at once.
    void setMinimumSize(int width, int height);
    // The client size in window coordinates, those of the mouse.
    void size(int& width, int& height) const;
    // The client size in the pixels GL draws (larger on a high-density screen).
    void drawableSize(int& width, int& height) const;
    void setTitle(const std::string& title);
    // The picture the desktop shows for the window (a PNG); a missing or
    // unreadable file leaves the desktop's default.
    void setIcon(const std::string& pngFile);
    // Asks the loop to end, as the close button does.
    void close();

    bool poll(InputMessage& message) override;
    bool isHeld(int virtualKey) const override;
    bool isActive() const override { return active; }
    // Game controllers plugged in and opened.
    int gamepadCount() const { return pads.count(); }
    bool gamepadsAvailable() const { return pads.available(); }

private:
    void keepFrameOnDesktop(const ScreenRect& usable);
    void coverDisplay(bool cover);
    bool translate(const void* sdlEvent, InputMessage& message);
    bool translateKey(const void* sdlEvent, InputMessage& message);
    void noteKeysDownAtFocus();

    SDL_Window* window = nullptr;
    void* context = nullptr;
    bool windowed = true;
    bool active = false;
    bool closing = false;
    // Where the window was before it covered the display itself.
    ScreenRect windowedPlace;
    // Characters of one text-input event wait here, one message each.
    std::u32string pendingCharacters;
    // After the window moved or changed under the pointer, the place the
    // pointer first showed up at; moves there are the window's, not the
    // player's. None once the pointer really moved.
    bool pointerSettling = false;
    int settledX = 0, settledY = 0;
    CGamepads pads;
    // Keys held when the keyboard arrived count from their next press.
    CKeysAtFocus keysAtFocus;
    std::string lastError;
};

// A hidden window with a current OpenGL 4.5 core context on SDL's off-screen
// driver, for tests and benchmarks that draw without a screen. Returns "" on
// success, otherwise the reason. The window lives until the process ends.
std::string openOffscreenGlContext(int width, int height);

// Shows a message box where a display exists; always writes the text to
// standard error as well.
void showMessageBox(const std::string& caption, const std::string& text);
