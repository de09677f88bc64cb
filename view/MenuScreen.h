#pragma once
// The menu drawn over the finished frame: the background that fades in and
// out, the title and the three items (the chosen one pulsing), the high-score
// list with the name being typed, and the web-address line at the bottom,
// which shows in every state. What it shows comes from the CMenu; this class
// holds only the pictures and fonts.
#include "render/ScreenQuad.h"

#include <array>
#include <filesystem>
#include <memory>

class CFont;
class CHighScoreTable;
class CMenu;

class CMenuScreen {
public:
    CMenuScreen();
    ~CMenuScreen();

    // The five images from the media folder (a missing one draws nothing),
    // then the two fonts. Needs the device.
    void load(const std::filesystem::path& mediaDir);
    // Once per frame, after the scene and the HUD. Holds the menu's fade at its
    // resting opacity.
    void draw(CMenu& menu, const CHighScoreTable& scores);

    // The line at the bottom of the screen.
    static constexpr const char* WebAddress = "https://vesbrik.example.org";

private:
    void drawHighScores(const CMenu& menu, const CHighScoreTable& scores);

    std::unique_ptr<CScreenImage> background;
    std::unique_ptr<CScreenImage> title;
    std::array<std::unique_ptr<CScreenImage>, 3> items;
    std::unique_ptr<CFont> largeFont;
    std::unique_ptr<CFont> smallFont;
};
