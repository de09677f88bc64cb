#pragma once
// The player's settings from settings.xml: the display mode, the rendering
// switches and the scene's scale, the frame limit and the sound levels. Read
// once at start-up before the window opens; what the player changes in the
// game is written back by the CSettingsStore (app/SettingsStore.h).
#include "render/ReferenceLayout.h"

#include <optional>
#include <string>

class CXmlNode;

struct CSettings {
    // Used for the window size when the file gives none, or one of 0 or
    // below: the size the HUD and the menu are laid out on.
    static constexpr int DefaultWidth = ReferenceWidth;
    static constexpr int DefaultHeight = ReferenceHeight;

    int width = DefaultWidth;
    int height = DefaultHeight;
    bool fullscreen = false;

    // Optional passes of the renderer, copied into it once it exists.
    bool enableBloom = true;
    bool enableShadow = true;
    bool enableMirror = true;
    bool filterFrameBuffer = true;

    // The share of the window's width and height the 3D scene is drawn at,
    // 0.5 to 1; none ("auto", the shipped value) lets the game choose it
    // from its frame times. A value that is neither is reported once and
    // read as auto.
    std::optional<float> renderScale;

    // Pause a running game when another window takes the keyboard.
    bool pauseOnFocusLoss = true;

    // Frames a second the loop is held to (30), or 0 for no limit.
    int frameLimit = 0;
    // The frame-rate line over the picture.
    bool showFrameRate = false;

    // Sound levels from 0 (silent) to 10 (as loud as the sound set makes it).
    static constexpr int MaxVolume = 10;
    int musicVolume = MaxVolume;
    int effectsVolume = MaxVolume;
    bool mute = false;

    // Where the values came from, for what the game says about them: the
    // file, and the width and height as the file writes them ("" when it
    // gives none).
    std::string file = "settings.xml";
    std::string widthText;
    std::string heightText;

    // Fills the record from the root element of the file at path. A missing
    // file or attribute keeps the value already there, silently. A file that
    // does not parse, and each value that is not understood, keeps the value
    // too and says so in one line on standard error, naming the file, the
    // attribute as written and the value used instead. Switches read 1/0,
    // yes/no, true/false and on/off in any case; any other whole number is on
    // unless it is 0.
    void load(const std::string& path);
    void read(const CXmlNode& root);
};
