#pragma once
// The player's settings from settings.xml: the display mode, the rendering
// switches and the scene's scale, the frame limit and the sound levels, each
// a whole number declared in app/SettingTable.h. Read once at start-up before
// the window opens; what the player changes in the game is written back by
// the CSettingsStore (app/SettingsStore.h).
#include <array>
#include <optional>
#include <string>

#include "app/KeyBindings.h"
#include "app/SettingTable.h"

class CXmlNode;

class CSettings {
public:
    // Every setting at its default.
    CSettings();

    int value(SettingId id) const { return values[static_cast<size_t>(id)]; }
    bool isOn(SettingId id) const { return value(id) != 0; }
    // Sets a value, held to what the setting can be.
    void set(SettingId id, int value);
    void flip(SettingId id) { set(id, isOn(id) ? 0 : 1); }

    // ---- the values as the game uses them -------------------------------------
    int width() const { return value(SettingId::Width); }
    int height() const { return value(SettingId::Height); }
    // The share of the window's width and height the 3D scene is drawn at,
    // 0.5 to 1; none ("auto") lets the game choose it from its frame times.
    std::optional<float> renderScale() const;
    FrameLimit frameLimit() const { return {value(SettingId::FrameLimit)}; }

    // ---- the file -------------------------------------------------------------------
    // Fills the record from the root element of the file at path. A missing
    // file or attribute keeps the value already there, silently. A file that
    // does not parse, and each value that is not understood or out of range,
    // says so in one line on standard error (see readSettingText).
    void load(const std::string& path);
    void read(const CXmlNode& root);
    // The file read, and a value's text as the file writes it ("" when it
    // gives none), for what the game says about them.
    const std::string& file() const { return path; }
    const std::string& writtenAs(SettingId id) const { return texts[static_cast<size_t>(id)]; }

    // The keys and pad buttons the player chose for the moves of play, from
    // the root's <keys> and <padbuttons>.
    CKeyBindings keys;

    bool operator==(const CSettings& other) const { return values == other.values; }

private:
    std::array<int, SettingCount> values{};
    std::array<std::string, SettingCount> texts;
    std::string path = "settings.xml";
};
