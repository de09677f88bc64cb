#pragma once
// The menu drawn over the finished frame: the background that fades in and
// out, the title and the four items (the chosen one pulsing), the high-score
// list with the name being typed, the options screen while it is open, and
// the web-address line at the bottom, which shows in every state. What it shows comes from the CMenu; this class
// holds only the pictures and fonts.
#include "render/ScreenQuad.h"
#include "view/FontCache.h"
#include "view/OptionsScreen.h"

#include <array>
#include <filesystem>
#include <memory>

class CFont;
class CHighScoreTable;
class CMenu;
struct ReferenceLayout;

class CMenuScreen {
public:
    CMenuScreen();
    ~CMenuScreen();

    // The six images from the media folder, then the two fonts. Needs the
    // device. A missing image is said on standard error; the title and the
    // items are then written in the HUD's font, and the background becomes
    // a dark colour, so the light text over it stays readable.
    void load(const std::filesystem::path& mediaDir);
    // Once per frame, after the scene and the HUD.
    void draw(const CMenu& menu, const CHighScoreTable& scores);

    // The line at the bottom of the screen: the game's web address, or its
    // name and version while it has no published address.
    static const char* bottomLine();
    static constexpr const char* PausedText = "Paused";
    static constexpr const char* GameOverText = "Game over";
    static constexpr const char* HelpText = "F1 or pad Back: help";
    // Over the list while a new high score's name is wanted.
    static constexpr const char* NameWanted =
        "New high score! Type your name and press Enter   (pad: up / down, A, Start)";
    // Under the list when an entry kept its game.
    static constexpr const char* StarMeaning = "* a recorded game: 1 - 0 picks the entry, Enter plays it";
    // The colour behind the menu when its background image is missing (RGB).
    static constexpr uint32_t MissingBackground = 0x0C1018u;

private:
    // The fonts at the sizes the layout gives this viewport: the list's, the
    // bottom line's, the pause's and the labels'.
    void fitFonts(int viewportWidth, int viewportHeight);
    // The help line's top: under the items where the room below them holds
    // it, otherwise just above them, never touching their pictures.
    int helpLineTop(const ReferenceLayout& layout, int lineHeight) const;
    // The steps of draw, in its order.
    void drawBackground(const CMenu& menu);
    void drawFront(const CMenu& menu);
    void drawPausedAndHelpWord(const CMenu& menu);
    void drawGameOver(const CMenu& menu);
    void drawWebAddress();
    void drawHighScores(const CMenu& menu, const CHighScoreTable& scores);
    void drawListBacking(const CMenu& menu, const CHighScoreTable& scores);
    // Whether the line under the list about recorded games shows.
    static bool listHintShown(const CMenu& menu, const CHighScoreTable& scores);
    void drawScoresNotice(const CMenu& menu);
    void drawListHints(const CMenu& menu, const CHighScoreTable& scores);
    // The image, or its text where the image is missing.
    void drawPicture(const CScreenImage& image, const char* text, float x, float y);

    std::unique_ptr<CScreenImage> background;
    std::unique_ptr<CScreenImage> title;
    std::array<std::unique_ptr<CScreenImage>, 4> items;
    COptionsScreen optionsScreen;
    CFontCache fonts;
    // This frame's fonts, from the cache.
    CFont* largeFont = nullptr;
    CFont* smallFont = nullptr;
    CFont* pausedFont = nullptr;
    // Made only when an image is missing.
    CFont* labelFont = nullptr;
    bool labelsWanted = false;
};
