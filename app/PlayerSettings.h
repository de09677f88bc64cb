#pragma once
// The settings as the running game holds them: one record the options screen
// and the switch keys both change, put into the game at once (the renderer's
// passes, the frame-rate line, the frame limit, the sound levels, the
// window's size and full screen) and kept in settings.xml by the store. What
// the screen shows of each setting comes from its row in app/SettingTable.h.
#include <array>
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
    // The loop's frame limit.
    std::function<void(FrameLimit)> limitFrames;
    // The window: a new client size, full screen on or off, and whether it
    // is full screen now (Alt+Enter switches it behind the settings' back).
    std::function<void(int width, int height)> resizeWindow;
    std::function<void(bool fullScreen)> setFullScreen;
    std::function<bool()> isFullScreen;
    // The scene's scale: fixed at a share, or none to follow the frame rate.
    std::function<void(std::optional<float>)> setRenderScale;
};

// The controls page's rows stand for no setting of the table: a key row's
// setting is KeyRowSetting plus its move, the default row's DefaultKeysSetting.
constexpr int KeyRowSetting = 100;
constexpr int DefaultKeysSetting = KeyRowSetting + BindableMoveCount;

// The options screen's pages for these settings: every setting with a row,
// its choices and the one chosen; the window size's choices are sizes, the
// current one chosen.
OptionPages optionPagesOf(const CSettings& settings, const std::vector<WindowSize>& sizes, WindowSize current);

class CPlayerSettings {
public:
    // settings: as read from the store's file; windowSizes: the sizes the
    // options offer; openedSize: the window's size as it opened.
    CPlayerSettings(const CSettings& settings, CSettingsStore store, SettingsTargets targets,
                    std::vector<WindowSize> windowSizes, WindowSize openedSize);

    // Puts every setting but the window's (which it opened with) into the game.
    void applyToGame();
    // A switch key: the setting flips in the game at once; keep saves it too.
    // Without keep (a key pressed while a recording plays) it is flipped for
    // this run only and no save writes it, until the player sets it again.
    void flip(SettingId id, bool keep);

    // The options screen's pages: every setting with a row, its choices and
    // the one chosen.
    OptionPages optionPages() const;
    // One change from the screen (the setting's id and its new choice), into
    // the game at once (saved on leaving).
    void change(int setting, int choice);
    // Saves the record, with full screen as the window is now. True when the
    // file holds the settings (or nothing had changed).
    bool save();

    // The key or pad button for a move of play, from the controls page:
    // refused, with the line that says where it is already, as
    // CKeyBindings::bind does. Saved on leaving, as the other settings are.
    std::optional<std::string> bindKey(int move, int keyOrButton);
    void restoreDefaultKeys() { settings.keys.restoreDefaults(); }

    const CSettings& current() const { return settings; }

private:
    CSettings settings;
    CSettingsStore store;
    SettingsTargets targets;
    std::vector<WindowSize> sizes;
    // The size the window has now, which may differ from the record's when
    // the file asked for one that does not fit.
    WindowSize windowSize;
    // Settings flipped while a recording played: in the game, not the
    // player's choice.
    std::array<bool, SettingCount> flippedForThisRun{};
};
