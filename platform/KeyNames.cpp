#include "platform/KeyNames.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/VirtualKeys.h"

namespace {

// The keys the game takes besides the letters, digits and F1 to F12. Where
// two keys are one to the game (both Shift keys) the first names it.
constexpr std::pair<SDL_Keycode, int> NamedKeys[] = {
    {SDLK_BACKSPACE, vk::Backspace}, {SDLK_TAB, vk::Tab},           {SDLK_RETURN, vk::Return},
    {SDLK_KP_ENTER, vk::Return},     {SDLK_LSHIFT, vk::Shift},      {SDLK_RSHIFT, vk::Shift},
    {SDLK_LCTRL, vk::Control},       {SDLK_RCTRL, vk::Control},     {SDLK_LALT, vk::Alt},
    {SDLK_RALT, vk::Alt},            {SDLK_PAUSE, vk::Pause},       {SDLK_ESCAPE, vk::Escape},
    {SDLK_SPACE, vk::Space},         {SDLK_PAGEUP, vk::PageUp},     {SDLK_PAGEDOWN, vk::PageDown},
    {SDLK_END, vk::End},             {SDLK_HOME, vk::Home},         {SDLK_LEFT, vk::Left},
    {SDLK_UP, vk::Up},               {SDLK_RIGHT, vk::Right},       {SDLK_DOWN, vk::Down},
    {SDLK_INSERT, vk::Insert},       {SDLK_DELETE, vk::Delete},     {SDLK_PRINTSCREEN, vk::Snapshot},
};

// The pad buttons the game takes, by SDL's names for them.
constexpr std::pair<SDL_GameControllerButton, int> PadButtons[] = {
    {SDL_CONTROLLER_BUTTON_A, vk::PadA},
    {SDL_CONTROLLER_BUTTON_B, vk::PadB},
    {SDL_CONTROLLER_BUTTON_START, vk::PadStart},
    {SDL_CONTROLLER_BUTTON_BACK, vk::PadBack},
    // The d-pad, which the left stick stands in for.
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, vk::PadLeft},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, vk::PadRight},
    {SDL_CONTROLLER_BUTTON_DPAD_UP, vk::PadUp},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, vk::PadDown},
};

SDL_Keycode sdlKeyOf(int key)
{
    if (key >= vk::LetterA && key < vk::LetterA + 26)
        return SDLK_a + (key - vk::LetterA);
    if (key >= vk::Digit0 && key < vk::Digit0 + 10)
        return SDLK_0 + (key - vk::Digit0);
    if (key >= vk::F1 && key < vk::F1 + 12)
        return SDLK_F1 + (key - vk::F1);
    for (const auto& [sdl, code] : NamedKeys)
        if (code == key)
            return sdl;
    return SDLK_UNKNOWN;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

int virtualKeyOfSdlKey(int sdlKeycode)
{
    const SDL_Keycode key = sdlKeycode;
    if (key >= SDLK_a && key <= SDLK_z)
        return vk::LetterA + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return vk::Digit0 + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return vk::F1 + (key - SDLK_F1);
    for (const auto& [sdl, code] : NamedKeys)
        if (sdl == key)
            return code;
    return 0;
}

std::string keyName(int key)
{
    const SDL_Keycode sdl = sdlKeyOf(key);
    return sdl == SDLK_UNKNOWN ? std::string() : std::string(SDL_GetKeyName(sdl));
}

int keyFromName(const std::string& name)
{
    // SDL reads its names in any case; an empty name is no key.
    return name.empty() ? 0 : virtualKeyOfSdlKey(SDL_GetKeyFromName(name.c_str()));
}

std::string padButtonName(int key)
{
    for (const auto& [button, code] : PadButtons)
        if (code == key)
            return SDL_GameControllerGetStringForButton(button);
    return {};
}

int padButtonFromName(const std::string& name)
{
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(lower(name).c_str());
    for (const auto& [known, code] : PadButtons)
        if (known == button)
            return code;
    return 0;
}
