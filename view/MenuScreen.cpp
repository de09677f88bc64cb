#include "view/MenuScreen.h"

#include "device/Device.h"
#include "device/Font.h"
#include "files/FileProblems.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "view/PixelQuad.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Top-left corners of the pictures, in fractions of the viewport.
constexpr float TitleX = 0.2f, TitleY = 0.05f;
constexpr float ItemY = CMenu::ItemRowTop / 600.0f;
float itemX(int item) { return static_cast<float>(CMenu::ItemSlots[static_cast<size_t>(item)].left) / 800.0f; }

// The list's backing: near-black, so that every colour of the rows' cycle
// keeps a contrast of at least 4.5 : 1 against it, whatever lies behind.
constexpr uint32_t ListBackingColour = 0x05070Cu;
constexpr double ListBackingOpacity = 0.88;
constexpr int ListBackingHalfWidth = 304;

// The HUD's banner colour: a warm yellow, clear on the dark well and the sky.
constexpr uint32_t GameOverColour = 0xFFFFD040u;

// Text reaches as far right and down as it likes unless the row says otherwise.
constexpr int FarEdge = 10000;

// What the pictures say, written out where a picture is missing.
constexpr const char* TitleText = "Vesbrik";
constexpr std::array<const char*, CMenu::ItemCount> ItemText = {"Play", "Scores", "Options", "Exit"};

// Loads one picture; a missing one is said, with what shows in its place.
std::unique_ptr<CScreenImage> loadPicture(const std::filesystem::path& file, const std::string& instead)
{
    auto image = std::make_unique<CScreenImage>(file);
    if (!image->texture())
        reportFileProblem(file.string(),
                          whyUnusable(file, image->problem().empty() ? "not a readable image" : image->problem()),
                          instead);
    return image;
}

} // namespace

CMenuScreen::CMenuScreen() = default;
CMenuScreen::~CMenuScreen() = default;

void CMenuScreen::load(const std::filesystem::path& mediaDir)
{
    background = loadPicture(mediaDir / "back1.tga", "the menu is drawn over a dark background");
    title = loadPicture(mediaDir / "title.tga", "the title is written in text");
    const std::array<const char*, CMenu::ItemCount> files = {"play.tga", "highscore.tga", "options.tga", "exit.tga"};
    for (int i = 0; i < CMenu::ItemCount; ++i)
        items[i] = loadPicture(mediaDir / files[i], "the item is written in text");
    const Viewport& v = device().viewport();
    fitFonts(v.width, v.height);
    bool pictureMissing = !title->texture();
    for (const auto& item : items)
        pictureMissing = pictureMissing || !item->texture();
    if (pictureMissing)
        labelFont = CFont::create("Tahoma", 24, 16); // the HUD's font
}

void CMenuScreen::fitFonts(int viewportWidth, int viewportHeight)
{
    if (viewportWidth == fontsWidth && viewportHeight == fontsHeight)
        return;
    fontsWidth = viewportWidth;
    fontsHeight = viewportHeight;
    // "Tahoma" is what the rows were laid out for; fontconfig picks the
    // nearest face installed. The list's font is narrow so ten-letter names
    // and six-digit scores fit the 600-pixel column, and shrinks with it.
    const double listScale = CMenu::highScoreScale(viewportWidth, viewportHeight);
    largeFont = CFont::create("Tahoma", static_cast<int>(std::lround(24 * listScale)),
                              std::max(1, static_cast<int>(std::lround(10 * listScale))));
    pausedFont = CFont::create("Tahoma", std::max(12, 48 * viewportHeight / 600), 0, 700);
    // The address line keeps to its plate at the bottom left, left of the
    // items, so it shrinks with a window smaller than the 600 pixels high it
    // was laid out for.
    smallFont = CFont::create("Tahoma", viewportHeight >= 600 ? 18 : std::max(7, 18 * viewportHeight / 600));
}

int CMenuScreen::helpLineTop(int viewportHeight, int lineHeight) const
{
    // The items' letters end 22 pixels above the bottom of the 800 x 600
    // screen; their pictures start at the item row.
    const int lettersEnd = viewportHeight - 22 * viewportHeight / 600;
    const int below = viewportHeight - lineHeight - 2;
    if (below >= lettersEnd)
        return below;
    return CMenu::ItemRowTop * viewportHeight / 600 - lineHeight;
}

void CMenuScreen::draw(const CMenu& menu, const CHighScoreTable& scores)
{
    fitFonts(device().viewport().width, device().viewport().height);
    setOverlayStates();
    drawBackground(menu);
    // The help covers the items, the title and the list whole: they are not
    // drawn behind it, so none sticks out past it or shows through.
    if (!menu.helpShown())
        drawFront(menu);
    if (menu.scoresFade() > 0.0 && !menu.options().isOpen() && !menu.helpShown())
        drawHighScores(menu, scores);
    drawPausedAndHelpWord(menu);
    drawGameOver(menu);
    if (menu.helpShown()) {
        optionsScreen.drawHelp(menu);
        setOverlayStates();
    }
    device().setRenderState(RenderState::AlphaBlendEnable, false);
    drawWebAddress();
}

// The background: fading in over the board, held a little translucent, or
// fading out as a game starts. What follows is drawn linearly filtered.
void CMenuScreen::drawBackground(const CMenu& menu)
{
    CDevice& d = device();
    d.setSamplerState(SamplerState::MagFilter, TexFilter::Anisotropic);
    d.setSamplerState(SamplerState::MinFilter, TexFilter::Anisotropic);
    if (background) {
        const uint32_t tint = background->texture() ? 0xFFFFFFu : MissingBackground;
        drawScreenQuad(background->texture(), 0.0f, 0.0f, 1.0f, 1.0f,
                       static_cast<uint32_t>(colourByte(menu.shownFade())) << 24 | tint, false);
    }
    d.setSamplerState(SamplerState::MagFilter, TexFilter::Linear);
    d.setSamplerState(SamplerState::MinFilter, TexFilter::Linear);
}

// Title and items appear at once when the background has faded in and
// vanish at once when it starts to fade out. The options screen takes
// their place while it is open.
void CMenuScreen::drawFront(const CMenu& menu)
{
    if (!menu.fullyShown())
        return;
    if (menu.options().isOpen()) {
        optionsScreen.draw(menu);
        setOverlayStates();
        return;
    }
    if (title)
        drawPicture(*title, TitleText, TitleX, TitleY);
    for (int i = 0; i < CMenu::ItemCount; ++i) {
        if (!items[i])
            continue;
        items[i]->colour = menu.itemColour(i);
        drawPicture(*items[i], ItemText[i], itemX(i), ItemY);
    }
}

void CMenuScreen::drawPausedAndHelpWord(const CMenu& menu)
{
    const Viewport& v = device().viewport();
    // Over the well while a game stands still, whatever stopped it.
    if (menu.pausedShown() && !menu.helpShown() && pausedFont)
        pausedFont->drawText(PausedText, {0, v.height * 2 / 5, v.width, FarEdge}, TextCenter, pulseColour(menu.pulse()));
    // The one word in the menu about help, small, at the bottom right.
    if (menu.fullyShown() && !menu.options().isOpen() && !menu.helpShown() && smallFont) {
        const int top = helpLineTop(v.height, smallFont->lineHeight());
        smallFont->drawText(HelpText, {0, top, v.width - 6, v.height}, TextRight, 0xB0FFFFFFu);
    }
}

// Over the well for a moment after a game ended, with its final score.
void CMenuScreen::drawGameOver(const CMenu& menu)
{
    if (!menu.gameOverShown() || !pausedFont || !largeFont)
        return;
    const Viewport& v = device().viewport();
    const int top = v.height * 2 / 5;
    // On a dark band, so that it reads over the well's bright cubes.
    const int half = pausedFont->textWidth(GameOverText) / 2 + pausedFont->lineHeight() / 2;
    const int bottom = top + pausedFont->lineHeight() + largeFont->lineHeight() + 6;
    fillPixels(v.width / 2 - half, top - 4, v.width / 2 + half, bottom, 0xA0000000u);
    pausedFont->drawText(GameOverText, {0, top, v.width, FarEdge}, TextCenter, GameOverColour);
    largeFont->drawText("Score " + std::to_string(menu.finalScore()), {0, top + pausedFont->lineHeight(), v.width, FarEdge},
                        TextCenter, GameOverColour);
}

// The web address, in every state, during play as well: black on the light
// background picture, light grey on the dark colour that stands in for a
// missing one.
void CMenuScreen::drawWebAddress()
{
    if (!smallFont)
        return;
    const Viewport& v = device().viewport();
    const uint32_t colour = background && !background->texture() ? 0xFFC0C0C0u : 0xFF000000u;
    const int lineHeight = smallFont->lineHeight();
    const TextRect line{4, v.height - lineHeight - 2, v.width - 4, v.height};
    smallFont->drawText(bottomLine(), line, TextLeft | TextTop, colour);
}

const char* CMenuScreen::bottomLine()
{
    return sizeof(VESBRIK_HOMEPAGE) > 1 ? VESBRIK_HOMEPAGE : "Vesbrik " VESBRIK_VERSION;
}

void CMenuScreen::drawPicture(const CScreenImage& image, const char* text, float x, float y)
{
    if (image.texture()) {
        image.draw(x, y);
        return;
    }
    if (!labelFont)
        return;
    const Viewport& v = device().viewport();
    const int left = static_cast<int>(x * static_cast<float>(v.width));
    const int top = static_cast<int>(y * static_cast<float>(v.height));
    labelFont->drawText(text, {left, top, FarEdge, FarEdge}, TextLeft | TextTop, image.colour);
}

void CMenuScreen::drawHighScores(const CMenu& menu, const CHighScoreTable& scores)
{
    if (!largeFont || !smallFont)
        return;
    const Viewport& v = device().viewport();
    drawListBacking(menu, scores);
    for (int i = 0; i < CHighScoreTable::EntryCount; ++i) {
        const HighScoreEntry& entry = scores.entry(i);
        // The entry whose name is being typed shows it with a cursor.
        const bool typing = menu.entryBeingNamed() == &entry;
        const HighScoreRow row = menu.highScoreRow(i, v.width, v.height, typing);
        // A letter a pad is picking stands in brackets before the cursor
        // (a space as "_"): it is not in the name until A keeps it.
        std::string name = entry.name;
        if (typing && menu.pickedLetter() != 0)
            name += std::string("[") + (menu.pickedLetter() == ' ' ? '_' : menu.pickedLetter()) + "]";
        if (typing)
            name += "|";
        // The entry picked to watch is pointed at; a kept recording shows a star.
        if (menu.chosenScore() == i)
            name = "> " + name;
        if (!entry.replay.empty())
            name += " *";
        largeFont->drawText(name, {row.nameLeft, row.top, FarEdge, FarEdge}, TextLeft, row.colour);
        largeFont->drawText(std::to_string(i + 1) + ".", {0, row.top, row.nameLeft - largeFont->lineHeight() / 3, FarEdge},
                            TextRight, row.colour);
        largeFont->drawText(std::to_string(entry.score), {row.nameLeft, row.top, row.scoreRight, FarEdge},
                            TextRight, row.colour);
    }
    drawScoresNotice(menu);
    drawListHints(menu, scores);
}

// A dark backing under the list and its lines, fading with it, so that the
// rows' colours stay readable over whatever the background shows there.
void CMenuScreen::drawListBacking(const CMenu& menu, const CHighScoreTable& scores)
{
    const Viewport& v = device().viewport();
    const int line = smallFont->lineHeight();
    const HighScoreRow first = menu.highScoreRow(0, v.width, v.height, false);
    const HighScoreRow below = menu.highScoreRow(CHighScoreTable::EntryCount, v.width, v.height, false);
    const int half = static_cast<int>(std::lround(ListBackingHalfWidth * CMenu::highScoreScale(v.width, v.height)));
    const int top = menu.typingName() ? first.top - line - 10 : first.top - 8;
    int bottom = below.top + 4;
    if (!menu.scoresNotice().empty())
        bottom += largeFont->lineHeight() + 6;
    if (listHintShown(menu, scores))
        bottom += line + 8;
    const uint32_t alpha = static_cast<uint32_t>(colourByte(menu.scoresFade() * ListBackingOpacity));
    fillPixels(v.width / 2 - half, top, v.width / 2 + half, bottom, alpha << 24 | ListBackingColour);
}

bool CMenuScreen::listHintShown(const CMenu& menu, const CHighScoreTable& scores)
{
    bool anyRecording = false;
    for (const HighScoreEntry& entry : scores.allEntries())
        anyRecording = anyRecording || !entry.replay.empty();
    return anyRecording && !menu.typingName();
}

// What the player can do with the list: above it, that a name is wanted and
// how to keep it; under it, what the star means and how to watch the game.
void CMenuScreen::drawListHints(const CMenu& menu, const CHighScoreTable& scores)
{
    if (!smallFont)
        return;
    const Viewport& v = device().viewport();
    const uint32_t alpha = static_cast<uint32_t>(colourByte(menu.scoresFade()));
    const uint32_t colour = alpha << 24 | 0x00FFFFFFu;
    const HighScoreRow first = menu.highScoreRow(0, v.width, v.height, false);
    const int line = smallFont->lineHeight();
    if (menu.typingName())
        smallFont->drawText(NameWanted, {0, first.top - line - 6, v.width, FarEdge}, TextCenter, colour);

    if (!listHintShown(menu, scores))
        return;
    const HighScoreRow below = menu.highScoreRow(CHighScoreTable::EntryCount, v.width, v.height, false);
    const int top = below.top + 8 + (menu.scoresNotice().empty() ? 0 : largeFont->lineHeight() + 4);
    smallFont->drawText(StarMeaning, {0, top, v.width, FarEdge}, TextCenter, colour);
}

// Under the list, in red that fades with it.
void CMenuScreen::drawScoresNotice(const CMenu& menu)
{
    if (menu.scoresNotice().empty())
        return;
    const Viewport& v = device().viewport();
    const HighScoreRow below = menu.highScoreRow(CHighScoreTable::EntryCount, v.width, v.height, false);
    const uint32_t alpha = static_cast<uint32_t>(colourByte(menu.scoresFade()));
    largeFont->drawText(menu.scoresNotice(), {0, below.top + 8, v.width, FarEdge},
                        TextCenter, alpha << 24 | 0x00FF4040u);
}
