#include "app/PlayerSettings.h"

#include <algorithm>
#include <utility>

#include "app/KeyMap.h"
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
    using enum SettingId;
    targets.renderer.setSwitches({.shadow = settings.isOn(Shadow),
                                  .bloom = settings.isOn(Bloom),
                                  .mirror = settings.isOn(Mirror),
                                  .filteredCopy = settings.isOn(FilteredCopy)});
    targets.view.showFrameRate = settings.isOn(ShowFrameRate);
    targets.view.dropGuide = settings.isOn(DropGuide);
    targets.view.kindMarks = settings.isOn(KindMarks);
    if (targets.limitFrames)
        targets.limitFrames(settings.frameLimit());
    targets.sounds.setLevels(settings.value(MusicVolume), settings.value(EffectsVolume), settings.isOn(Mute));
}

void CPlayerSettings::flip(SettingId id, bool keep)
{
    settings.flip(id);
    flippedForThisRun[static_cast<size_t>(id)] = !keep && !flippedForThisRun[static_cast<size_t>(id)];
    applyToGame();
    if (keep)
        save();
}

OptionPages optionPagesOf(const CSettings& settings, const std::vector<WindowSize>& sizes, WindowSize current)
{
    OptionPages pages;
    for (const SettingDeclaration& setting : settingTable()) {
        if (setting.row == 0)
            continue;
        OptionItem item{static_cast<int>(setting.id), setting.label, settingChoices(setting),
                        choiceOfValue(setting, settings.value(setting.id)),
                        setting.kind == SettingKind::Switch || setting.kind == SettingKind::Limit};
        // The window's width stands for its size, chosen from the desktop's.
        if (setting.id == SettingId::Width) {
            item.choices.clear();
            for (const WindowSize& size : sizes)
                item.choices.push_back(windowSizeText(size));
            const auto at = std::find(sizes.begin(), sizes.end(), current);
            item.value = at == sizes.end() ? 0 : static_cast<int>(at - sizes.begin());
        }
        std::vector<OptionItem>& page = pages[static_cast<size_t>(setting.page)];
        page.resize(std::max(page.size(), static_cast<size_t>(setting.row)));
        page[static_cast<size_t>(setting.row - 1)] = std::move(item);
    }
    std::vector<OptionItem>& controls = pages[static_cast<size_t>(OptionsPage::Controls)];
    for (int move = 0; move < BindableMoveCount; ++move) {
        OptionItem row{KeyRowSetting + move, bindableMoves()[static_cast<size_t>(move)].label,
                       {boundKeyName(settings.keys, move) + " / " + boundButtonName(settings.keys, move)}};
        row.waitsForKey = true;
        controls.push_back(std::move(row));
    }
    OptionItem defaults{DefaultKeysSetting, "Default keys", {""}};
    defaults.isCommand = true;
    controls.push_back(std::move(defaults));
    return pages;
}

OptionPages CPlayerSettings::optionPages() const
{
    CSettings shown = settings;
    // Full screen may not have been granted, or Alt+Enter switched it.
    if (targets.isFullScreen)
        shown.set(SettingId::FullScreen, targets.isFullScreen() ? 1 : 0);
    return optionPagesOf(shown, sizes, windowSize);
}

void CPlayerSettings::change(int setting, int choice)
{
    if (setting < 0 || setting >= SettingCount)
        return;
    const SettingId id = static_cast<SettingId>(setting);
    flippedForThisRun[static_cast<size_t>(id)] = false;
    switch (id) {
    case SettingId::Width:
        if (choice < 0 || choice >= static_cast<int>(sizes.size()))
            return;
        windowSize = sizes[static_cast<size_t>(choice)];
        settings.set(SettingId::Width, windowSize.width);
        settings.set(SettingId::Height, windowSize.height);
        if (targets.resizeWindow)
            targets.resizeWindow(windowSize.width, windowSize.height);
        return;
    case SettingId::FullScreen:
        settings.set(id, choice);
        if (targets.setFullScreen)
            targets.setFullScreen(settings.isOn(id));
        return;
    case SettingId::RenderScale:
        settings.set(id, valueOfChoice(declarationOf(id), choice));
        if (targets.setRenderScale)
            targets.setRenderScale(settings.renderScale());
        return;
    default:
        settings.set(id, valueOfChoice(declarationOf(id), choice));
        applyToGame();
    }
}

std::optional<std::string> CPlayerSettings::bindKey(int move, int keyOrButton)
{
    return settings.keys.bind(move, keyOrButton, playUseOf(keyOrButton));
}

bool CPlayerSettings::save()
{
    // Alt+Enter switches the window behind the settings' back.
    if (targets.isFullScreen)
        settings.set(SettingId::FullScreen, targets.isFullScreen() ? 1 : 0);
    CSettings kept = settings;
    for (const SettingDeclaration& setting : settingTable())
        if (flippedForThisRun[static_cast<size_t>(setting.id)])
            kept.flip(setting.id);
    return store.save(kept);
}
