// The window's own keys and events: Alt+Enter switches full screen on the
// desktop's mode without reaching the game, the screenshot key has a code of
// its own, and losing the keyboard reaches the game as a message.
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/VirtualKeys.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        previousWindow = SDL_GL_GetCurrentWindow();
        previousContext = SDL_GL_GetCurrentContext();
        if (!window->create("window test", 64, 64, false))
            GTEST_SKIP() << "no window: " << window->error();
        drain();
    }
    void TearDown() override
    {
        window.reset();
        if (previousContext)
            SDL_GL_MakeCurrent(previousWindow, previousContext);
    }

    std::vector<InputMessage> drain()
    {
        std::vector<InputMessage> messages;
        InputMessage message;
        while (messages.size() < 100 && window->poll(message))
            messages.push_back(message);
        return messages;
    }
    void pushKey(SDL_Keycode key, Uint16 modifiers, bool repeat = false)
    {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.windowID = SDL_GetWindowID(window->handle());
        event.key.state = SDL_PRESSED;
        event.key.repeat = repeat;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
    bool isFullScreenOnTheDesktop() const
    {
        const Uint32 flags = SDL_GetWindowFlags(window->handle());
        return (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
    }

    std::unique_ptr<CWindow> window = std::make_unique<CWindow>();
    SDL_Window* previousWindow = nullptr;
    SDL_GLContext previousContext = nullptr;
};

} // namespace

TEST_F(WindowTest, AltEnterSwitchesFullScreenAndBackWithoutReachingTheGame)
{
    pushKey(SDLK_RETURN, KMOD_LALT);
    EXPECT_TRUE(drain().empty());
    EXPECT_FALSE(window->isWindowed());
    EXPECT_TRUE(isFullScreenOnTheDesktop());

    // A held Enter repeats; the repeats switch nothing.
    pushKey(SDLK_RETURN, KMOD_LALT, true);
    EXPECT_TRUE(drain().empty());
    EXPECT_FALSE(window->isWindowed());

    pushKey(SDLK_KP_ENTER, KMOD_RALT);
    drain();
    EXPECT_TRUE(window->isWindowed());
    EXPECT_FALSE(isFullScreenOnTheDesktop());

    // Enter alone is the game's.
    pushKey(SDLK_RETURN, KMOD_NONE);
    const std::vector<InputMessage> messages = drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, InputMessage::KeyDown);
    EXPECT_EQ(messages[0].key, vk::Return);
}

TEST_F(WindowTest, ScreenshotKeysHaveTheirCodes)
{
    pushKey(SDLK_PRINTSCREEN, KMOD_NONE);
    pushKey(SDLK_F12, KMOD_NONE);
    const std::vector<InputMessage> messages = drain();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].key, vk::Snapshot);
    EXPECT_EQ(messages[1].key, vk::F12);
    EXPECT_EQ(virtualKeyFromName("PrintScreen"), vk::Snapshot);
    EXPECT_EQ(virtualKeyFromName("padstart"), vk::PadStart);
}

TEST_F(WindowTest, LosingTheKeyboardIsAMessageAndKeepsFramesComing)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = SDL_GetWindowID(window->handle());
    event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&event);
    const std::vector<InputMessage> messages = drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, InputMessage::FocusLost);
    // Unlike minimising, another window in front still shows the game.
    EXPECT_TRUE(window->isActive());
}

// The window switched to full screen (or resized, or moved) under a pointer
// that stays put: the pointer's new place in the window is not the player
// pointing there, until it really moves. Key repeats say they are repeats.
TEST_F(WindowTest, APointerTheWindowMovedUnderStaysStillUntilItMoves)
{
    const auto push = [this](Uint32 type, Uint8 windowEvent, int x, int y) {
        SDL_Event event{};
        event.type = type;
        if (type == SDL_WINDOWEVENT) {
            event.window.windowID = SDL_GetWindowID(window->handle());
            event.window.event = windowEvent;
        } else {
            event.motion.windowID = SDL_GetWindowID(window->handle());
            event.motion.x = x;
            event.motion.y = y;
        }
        SDL_PushEvent(&event);
    };
    const auto stillness = [this] {
        std::vector<bool> still;
        for (const InputMessage& message : drain())
            if (message.type == InputMessage::MouseMove)
                still.push_back(message.pointerStill);
        return still;
    };
    push(SDL_MOUSEMOTION, 0, 10, 10);
    EXPECT_EQ(stillness(), std::vector<bool>{false});
    push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_SIZE_CHANGED, 0, 0);
    push(SDL_MOUSEMOTION, 0, 40, 30);
    push(SDL_MOUSEMOTION, 0, 40, 30);
    push(SDL_MOUSEMOTION, 0, 41, 30);
    push(SDL_MOUSEMOTION, 0, 40, 30);
    EXPECT_EQ(stillness(), (std::vector<bool>{true, true, false, false}));

    pushKey(SDLK_DOWN, KMOD_NONE);
    pushKey(SDLK_DOWN, KMOD_NONE, true);
    const std::vector<InputMessage> keys = drain();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_FALSE(keys[0].repeat);
    EXPECT_TRUE(keys[1].repeat);
}
