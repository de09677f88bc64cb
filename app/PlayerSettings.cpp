#include "app/PlayerSettings.h"

#include <algorithm>
#include <utility>

#include "audio/SoundBank.h"
#include "render/Renderer.h"
#include "view/GameView.h"

CPlayerSettings::CPlayerSettings(const CSettings& settings, CSettingsStore store, SettingsTargets targets,
                                 std::vector<WindowSize> windowSizes, WindowSize openedSize)
    : settings(settings), store(std::move(store)), targets(std::move(targets)), sizes(std::move(windowSizes)),
      windowSize(openedSize)
{
}

void CPlayerSettings::applyToGame()
{
    CRenderer& renderer = targets.renderer;
    renderer.setSwitches({.shadow = settings.enableShadow,
                          .bloom = settings.enableBloom,
                          .mirror = settings.enableMirror,
                          .filteredCopy = settings.filterFrameBuffer});
    targets.view.showFrameRate = settings.showFrameRate;
    targets.frameLimit = settings.frameLimit;
    targets.sounds.setLevels(settings.musicVolume, settings.effectsVolume, settings.mute);
}

void CPlayerSettings::takeFromGame()
{
    const CRenderer& renderer = targets.renderer;
    const RenderSwitches switches = renderer.switches();
    settings.enableBloom = switches.bloom;
    settings.enableShadow = switches.shadow;
    settings.enableMirror = switches.mirror;
    settings.filterFrameBuffer = switches.filteredCopy;
    settings.showFrameRate = targets.view.showFrameRate;
    settings.frameLimit = targets.frameLimit;
    if (targets.isFullScreen)
        settings.fullscreen = targets.isFullScreen();
    save();
}

OptionValues CPlayerSettings::optionValues() const
{
    OptionValues values;
    for (const WindowSize& size : sizes)
        values.windowSizes.push_back(windowSizeText(size));
    const auto at = std::find(sizes.begin(), sizes.end(), windowSize);
    values.windowSize = at == sizes.end() ? 0 : static_cast<int>(at - sizes.begin());
    values.fullScreen = targets.isFullScreen ? targets.isFullScreen() : settings.fullscreen;
    values.frameLimit = settings.frameLimit != 0;
    values.showFrameRate = settings.showFrameRate;
    values.renderScale = renderScaleChoice(settings.renderScale);
    values.bloom = settings.enableBloom;
    values.shadows = settings.enableShadow;
    values.mirror = settings.enableMirror;
    values.filteredCopy = settings.filterFrameBuffer;
    values.musicVolume = settings.musicVolume;
    values.effectsVolume = settings.effectsVolume;
    values.mute = settings.mute;
    return values;
}

void CPlayerSettings::change(OptionId option, int value)
{
    const bool on = value != 0;
    switch (option) {
    case OptionId::WindowSize:
        if (value < 0 || value >= static_cast<int>(sizes.size()))
            return;
        windowSize = sizes[static_cast<size_t>(value)];
        settings.width = windowSize.width;
        settings.height = windowSize.height;
        if (targets.resizeWindow)
            targets.resizeWindow(windowSize.width, windowSize.height);
        return;
    case OptionId::FullScreen:
        settings.fullscreen = on;
        if (targets.setFullScreen)
            targets.setFullScreen(on);
        return;
    case OptionId::RenderScale:
        settings.renderScale = renderScaleShare(value);
        if (targets.setRenderScale)
            targets.setRenderScale(settings.renderScale);
        return;
    case OptionId::FrameLimit: settings.frameLimit = on ? 30 : 0; break;
    case OptionId::ShowFrameRate: settings.showFrameRate = on; break;
    case OptionId::Bloom: settings.enableBloom = on; break;
    case OptionId::Shadows: settings.enableShadow = on; break;
    case OptionId::Mirror: settings.enableMirror = on; break;
    case OptionId::FilteredCopy: settings.filterFrameBuffer = on; break;
    case OptionId::MusicVolume: settings.musicVolume = std::clamp(value, 0, CSettings::MaxVolume); break;
    case OptionId::EffectsVolume: settings.effectsVolume = std::clamp(value, 0, CSettings::MaxVolume); break;
    case OptionId::Mute: settings.mute = on; break;
    }
    applyToGame();
}

bool CPlayerSettings::save() { return store.save(settings); }
