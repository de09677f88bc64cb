// Gamepads: the held-key and repeat rules of the pad keys, and a pad plugged
// into the real window through SDL's virtual joystick, no hardware needed.
#include "platform/Gamepads.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/VirtualKeys.h"
#include "platform/Window.h"

namespace {

// The keys pressed by then; a repeat counts as minus the key.
std::vector<int> takeAll(CPadKeys& keys, uint64_t now)
{
    std::vector<int> pressed;
    int key = 0;
    bool repeat = false;
    while (pressed.size() < 100 && keys.takePress(now, key, repeat))
        pressed.push_back(repeat ? -key : key);
    return pressed;
}

using Keys = std::vector<int>;

} // namespace

TEST(PadKeys, APressIsTakenOnceThenRepeatsLikeAHeldKeyboardKey)
{
    CPadKeys keys;
    keys.press(0, 1, vk::Left, true, 1000);
    EXPECT_TRUE(keys.isHeld(vk::Left));
    EXPECT_EQ(takeAll(keys, 1000), Keys{vk::Left});
    EXPECT_EQ(takeAll(keys, 1000 + CPadKeys::RepeatDelay - 1), Keys{});
    // The repeats say they are repeats.
    EXPECT_EQ(takeAll(keys, 1000 + CPadKeys::RepeatDelay), Keys{-vk::Left});
    EXPECT_EQ(takeAll(keys, 1000 + CPadKeys::RepeatDelay + CPadKeys::RepeatInterval), Keys{-vk::Left});
    // A long stall gives one repeat, not a burst.
    EXPECT_EQ(takeAll(keys, 60000), Keys{-vk::Left});
    keys.release(0, 1);
    EXPECT_FALSE(keys.isHeld(vk::Left));
    EXPECT_EQ(takeAll(keys, 90000), Keys{});
}

TEST(PadKeys, PauseAndLeaveDoNotRepeat)
{
    CPadKeys keys;
    keys.press(0, 6, vk::PadStart, false, 0);
    EXPECT_EQ(takeAll(keys, 0), Keys{vk::PadStart});
    EXPECT_EQ(takeAll(keys, 10000), Keys{});
    EXPECT_TRUE(keys.isHeld(vk::PadStart));
}

TEST(PadKeys, TwoControlsForOneKeyPressOnceAndHoldUntilBothLetGo)
{
    CPadKeys keys;
    keys.press(0, 13, vk::Left, true, 0);  // d-pad
    keys.press(0, 100, vk::Left, true, 5); // stick
    keys.press(1, 13, vk::Left, true, 7);  // a second pad
    EXPECT_EQ(takeAll(keys, 10), Keys{vk::Left});
    keys.release(0, 13);
    keys.release(1, 13);
    EXPECT_TRUE(keys.isHeld(vk::Left));
    keys.release(0, 100);
    EXPECT_FALSE(keys.isHeld(vk::Left));
}

TEST(PadKeys, ATapBetweenTwoPollsStillCounts)
{
    CPadKeys keys;
    keys.press(0, 0, vk::PadA, true, 0);
    keys.release(0, 0);
    EXPECT_FALSE(keys.isHeld(vk::PadA));
    EXPECT_EQ(takeAll(keys, 1), Keys{vk::PadA});
    EXPECT_EQ(takeAll(keys, 5000), Keys{});
}

TEST(PadKeys, UnpluggingOrLosingFocusLetsGoOfEverything)
{
    CPadKeys keys;
    keys.press(0, 13, vk::Left, true, 0);
    keys.press(1, 12, vk::Down, true, 0);
    takeAll(keys, 0);
    keys.releaseDevice(0);
    EXPECT_FALSE(keys.isHeld(vk::Left));
    EXPECT_TRUE(keys.isHeld(vk::Down));
    keys.releaseAll();
    EXPECT_FALSE(keys.isHeld(vk::Down));
    EXPECT_EQ(takeAll(keys, 10000), Keys{});
}

namespace {

// The game's window on the off-screen driver with a virtual pad plugged in.
class VirtualPadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        // An off-screen window never has the keyboard, and SDL keeps pad
        // events from windows without it.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        // The window brings a GL context of its own; drawing tests in the
        // same process get theirs back afterwards.
        previousWindow = SDL_GL_GetCurrentWindow();
        previousContext = SDL_GL_GetCurrentContext();
        if (!window->create("pad test", 64, 64, false))
            GTEST_SKIP() << "no window: " << window->error();
        if (!window->gamepadsAvailable())
            GTEST_SKIP() << "SDL's game controller support cannot start here: " << SDL_GetError();
        plug();
        ASSERT_EQ(window->gamepadCount(), 1) << SDL_GetError();
    }
    void TearDown() override
    {
        if (joystick)
            SDL_JoystickClose(joystick);
        if (deviceIndex >= 0)
            SDL_JoystickDetachVirtual(deviceIndex);
        window.reset();
        if (previousContext)
            SDL_GL_MakeCurrent(previousWindow, previousContext);
    }

    void plug()
    {
        SDL_VirtualJoystickDesc pad{};
        pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        pad.naxes = SDL_CONTROLLER_AXIS_MAX;
        pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        pad.name = "Vesbrik test pad";
        deviceIndex = SDL_JoystickAttachVirtualEx(&pad);
        ASSERT_GE(deviceIndex, 0) << SDL_GetError();
        joystick = SDL_JoystickOpen(deviceIndex);
        ASSERT_NE(joystick, nullptr) << SDL_GetError();
        drain();
    }
    void unplug()
    {
        SDL_JoystickClose(joystick);
        joystick = nullptr;
        SDL_JoystickDetachVirtual(deviceIndex);
        deviceIndex = -1;
        drain();
    }

    // Every key press the window delivers until nothing waits.
    Keys drain()
    {
        Keys pressed;
        InputMessage message;
        for (int round = 0; round < 3; ++round) {
            while (pressed.size() < 100 && window->poll(message)) {
                if (message.type == InputMessage::KeyDown)
                    pressed.push_back(message.key);
            }
        }
        return pressed;
    }
    Keys button(SDL_GameControllerButton which, bool down)
    {
        SDL_JoystickSetVirtualButton(joystick, which, down ? SDL_PRESSED : SDL_RELEASED);
        return drain();
    }
    Keys stick(SDL_GameControllerAxis axis, int value)
    {
        SDL_JoystickSetVirtualAxis(joystick, axis, static_cast<Sint16>(value));
        return drain();
    }

    std::unique_ptr<CWindow> window = std::make_unique<CWindow>();
    SDL_Window* previousWindow = nullptr;
    SDL_GLContext previousContext = nullptr;
    int deviceIndex = -1;
    SDL_Joystick* joystick = nullptr;
};

} // namespace

TEST_F(VirtualPadTest, FaceButtonsBecomeThePadKeys)
{
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), Keys{vk::PadA});
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, false), Keys{});
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_B, true), Keys{vk::PadB});
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_START, true), Keys{vk::PadStart});
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_BACK, true), Keys{vk::PadBack});
    // Buttons the game has no use for stay silent.
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_X, true), Keys{});
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true), Keys{});
}

TEST_F(VirtualPadTest, DpadPressesAndHoldsThePadsDirections)
{
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true), Keys{vk::PadLeft});
    EXPECT_TRUE(window->isHeld(vk::PadLeft));
    EXPECT_FALSE(window->isHeld(vk::PadRight));
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false), Keys{});
    EXPECT_FALSE(window->isHeld(vk::PadLeft));

    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true), Keys{vk::PadDown});
    EXPECT_TRUE(window->isHeld(vk::PadDown));
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, true), Keys{vk::PadUp});
}

TEST_F(VirtualPadTest, LeftStickActsAsTheDpadWithSomeSlack)
{
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, -32768), Keys{vk::PadLeft});
    EXPECT_TRUE(window->isHeld(vk::PadLeft));
    // Easing off a little keeps it held; a small push never presses.
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, -15000), Keys{});
    EXPECT_TRUE(window->isHeld(vk::PadLeft));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 0), Keys{});
    EXPECT_FALSE(window->isHeld(vk::PadLeft));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 15000), Keys{});
    EXPECT_FALSE(window->isHeld(vk::PadRight));
    // Straight across from right to left lets go of one and presses the other.
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 32767), Keys{vk::PadRight});
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, -32768), Keys{vk::PadLeft});
    EXPECT_FALSE(window->isHeld(vk::PadRight));

    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTY, 32767), Keys{vk::PadDown});
    EXPECT_TRUE(window->isHeld(vk::PadDown));
    // The right stick is the camera's business elsewhere, not the piece's.
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_RIGHTX, 32767), Keys{});
}

TEST_F(VirtualPadTest, UnpluggingLetsGoAndPluggingAgainWorks)
{
    button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    ASSERT_TRUE(window->isHeld(vk::PadRight));
    unplug();
    EXPECT_EQ(window->gamepadCount(), 0);
    EXPECT_FALSE(window->isHeld(vk::PadRight));

    plug();
    EXPECT_EQ(window->gamepadCount(), 1);
    EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), Keys{vk::PadA});
}

// ---- a pad watching a replay ---------------------------------------------------

#include "ScriptRunner.h"

TEST(PadWatchingAReplay, StartPausesBackEndsItAndAScreenshotCanBeTaken)
{
    CScriptFolder folder;
    ASSERT_EQ(folder.run("frames 1\npress Return\nframes 40\npress Escape\nframes 2\n").status, 0);
    const std::filesystem::path pictures = folder.path() / "pictures";
    const ScriptResult watched = folder.run("frames 10\n"
                                            "press PadStart\nexpect hud.banner Replay x1 paused\n"
                                            "press PadStart\nexpect hud.banner Replay x1\n"
                                            "press F12\nframes 1\n"
                                            "press PadBack\nframes 2\n",
                                            "--replay replays/last.vrp",
                                            "XDG_PICTURES_DIR='" + pictures.string() + "'");
    // Back ended the replay, and with it the game the command line started:
    // the frames after it never came.
    EXPECT_EQ(watched.status, 1);
    EXPECT_NE(watched.errors.find("the game quit before line 9"), std::string::npos) << watched.errors;
    EXPECT_EQ(watched.errors.find("expected"), std::string::npos) << watched.errors;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pictures / "Vesbrik"),
                            std::filesystem::directory_iterator{}),
              1);
}
