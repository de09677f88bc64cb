#pragma once
// The settings as the running game holds them: one record the options screen
// and the switch keys both change, put into the game at once (the renderer's
// passes, the frame-rate line, the frame limit, the sound levels, the
// window's size and full screen) and kept in settings.xml by the store.
#include <functional>
#include <vector>

#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "app/WindowSize.h"
#include "game/OptionsMenu.h"

class CGameView;
class CRenderer;
class CSoundBank;

// What the settings act on.
struct SettingsTargets {
    CRenderer& renderer;
    CGameView& view;
    CSoundBank& sounds;
    // Frames a second the loop is held to, 0 for none (the game flow's).
    int& frameLimit;
    // The window: a new client size, full screen on or off, and whether it
    // is full screen now (Alt+Enter switches it behind the settings' back).
    std::function<void(int width, int height)> resizeWindow;
    std::function<void(bool fullScreen)> setFullScreen;
    std::function<bool()> isFullScreen;
    // The scene's scale: fixed at a share, or none to follow the frame rate.
    std::function<void(std::optional<float>)> setRenderScale;
};

class CPlayerSettings {
public:
    // settings: as read from the store's file; windowSizes: the sizes the
    // options offer; openedSize: the window's size as it opened.
    CPlayerSettings(const CSettings& settings, CSettingsStore store, SettingsTargets targets,
                    std::vector<WindowSize> windowSizes, WindowSize openedSize);

    // Puts every setting but the window's (which it opened with) into the game.
    void applyToGame();
    // Takes what the keys switched (passes, frame rate, frame limit) and full
    // screen from the game into the record and saves it.
    void takeFromGame();

    // The values the options screen shows.
    OptionValues optionValues() const;
    // One change from the screen, into the game at once (saved on leaving).
    void change(OptionId option, int value);
    // True when the file holds the settings (or nothing had changed).
    bool save();

    const CSettings& current() const { return settings; }

private:
    CSettings settings;
    CSettingsStore store;
    SettingsTargets targets;
    std::vector<WindowSize> sizes;
    // The size the window has now, which may differ from the record's when
    // the file asked for one that does not fit.
    WindowSize windowSize;
};
