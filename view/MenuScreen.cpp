#include "view/MenuScreen.h"

#include "device/Device.h"
#include "device/Font.h"
#include "files/FileProblems.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "render/ReferenceLayout.h"
#include "view/MenuLayout.h"
#include "view/PixelQuad.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Top-left corners of the pictures, in fractions of the viewport.
constexpr float TitleX = 0.2f, TitleY = 0.05f;
constexpr float ItemY = static_cast<float>(MenuLayout::ItemRowTop) / ReferenceHeight;
float itemX(int item)
{
    return static_cast<float>(MenuLayout::ItemSlots[static_cast<size_t>(item)].left) / ReferenceWidth;
}

ReferenceLayout viewportLayout()
{
    const Viewport& v = device().viewport();
    return ReferenceLayout(v.width, v.height);
}

// A gap of the high-score list's layout in pixels, scaled as the list is.
int listGap(int length)
{
    const Viewport& v = device().viewport();
    return static_cast<int>(std::lround(length * MenuLayout::listScale(v.width, v.height)));
}

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
    bool pictureMissing = !title->texture();
    for (const auto& item : items)
        pictureMissing = pictureMissing || !item->texture();
    labelsWanted = pictureMissing;
    const Viewport& v = device().viewport();
    fitFonts(v.width, v.height);
}

void CMenuScreen::fitFonts(int viewportWidth, int viewportHeight)
{
    // "Tahoma" is what the rows were laid out for; fontconfig picks the
    // nearest face installed. The list's font is narrow so ten-letter names
    // and six-digit scores fit the 600-pixel column, and grows and shrinks
    // with it.
    const double listScale = MenuLayout::listScale(viewportWidth, viewportHeight);
    largeFont = fonts.font("Tahoma", static_cast<int>(std::lround(24 * listScale)),
                           std::max(1, static_cast<int>(std::lround(10 * listScale))));
    // The rest grows and shrinks with the reference screen's scale: the
    // address line keeps to its plate at the bottom left, left of the items.
    const ReferenceLayout layout(viewportWidth, viewportHeight);
    pausedFont = fonts.font("Tahoma", std::max(12, layout.length(48)), 0, 700);
    smallFont = fonts.font("Tahoma", std::max(7, layout.length(18)));
    // Text in place of a missing picture, in the HUD's font.
    labelFont = labelsWanted ? fonts.font("Tahoma", std::max(10, layout.length(24)), std::max(1, layout.length(16)))
                             : nullptr;
}

int CMenuScreen::helpLineTop(const ReferenceLayout& layout, int lineHeight) const
{
    // The items' letters end 22 pixels above the bottom of the reference
    // screen (the first whole line under them is free); their pictures start
    // at the item row.
    const int lettersEnd = static_cast<int>(std::ceil(layout.y(ReferenceHeight - 22)));
    const int below = layout.height - layout.margin(2) - lineHeight;
    if (below >= lettersEnd)
        return below;
    return layout.py(MenuLayout::ItemRowTop) - lineHeight;
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
    const ReferenceLayout layout = viewportLayout();
    // Over the well while a game stands still, whatever stopped it.
    if (menu.pausedShown() && !menu.helpShown() && pausedFont)
        pausedFont->drawText(PausedText, {0, layout.py(240), layout.width, FarEdge}, TextCenter,
                             pulseColour(menu.pulse()));
    // The one word in the menu about help, small, at the bottom right.
    if (menu.fullyShown() && !menu.options().isOpen() && !menu.helpShown() && smallFont) {
        const int top = helpLineTop(layout, smallFont->lineHeight());
        smallFont->drawText(HelpText, {0, top, layout.width - layout.margin(6), layout.height}, TextRight, 0xB0FFFFFFu);
    }
}

// Over the well for a moment after a game ended, with its final score.
void CMenuScreen::drawGameOver(const CMenu& menu)
{
    if (!menu.gameOverShown() || !pausedFont || !largeFont)
        return;
    const ReferenceLayout layout = viewportLayout();
    const int top = layout.py(240);
    const int middle = layout.px(ReferenceWidth / 2);
    // On a dark band, so that it reads over the well's bright cubes.
    const int half = pausedFont->textWidth(GameOverText) / 2 + pausedFont->lineHeight() / 2;
    const int bottom = top + pausedFont->lineHeight() + largeFont->lineHeight() + layout.length(6);
    fillPixels(middle - half, top - layout.length(4), middle + half, bottom, 0xA0000000u);
    pausedFont->drawText(GameOverText, {0, top, layout.width, FarEdge}, TextCenter, GameOverColour);
    largeFont->drawText("Score " + std::to_string(menu.finalScore()),
                        {0, top + pausedFont->lineHeight(), layout.width, FarEdge}, TextCenter, GameOverColour);
}

// The web address, in every state, during play as well: black on the light
// background picture, light grey on the dark colour that stands in for a
// missing one.
void CMenuScreen::drawWebAddress()
{
    if (!smallFont)
        return;
    const ReferenceLayout layout = viewportLayout();
    const uint32_t colour = background && !background->texture() ? 0xFFC0C0C0u : 0xFF000000u;
    const int lineHeight = smallFont->lineHeight();
    const TextRect line{layout.margin(4), layout.height - layout.margin(2) - lineHeight,
                        layout.width - layout.margin(4), layout.height};
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
    // Where the picture would be: on the reference screen, centred.
    const ReferenceLayout layout = viewportLayout();
    const int left = static_cast<int>(layout.x(x * ReferenceWidth));
    const int top = static_cast<int>(layout.y(y * ReferenceHeight));
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
        const HighScoreRow row = MenuLayout::highScoreRow(menu, i, v.width, v.height, typing);
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
        largeFont->drawText(std::to_string(i + 1) + ".",
                            {0, row.top, row.nameLeft - largeFont->lineHeight() / 3, FarEdge}, TextRight, row.colour);
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
    const HighScoreRow first = MenuLayout::highScoreRow(menu, 0, v.width, v.height, false);
    const HighScoreRow below = MenuLayout::highScoreRow(menu, CHighScoreTable::EntryCount, v.width, v.height, false);
    const int half = listGap(ListBackingHalfWidth);
    const int top = menu.typingName() ? first.top - line - listGap(10) : first.top - listGap(8);
    int bottom = below.top + listGap(4);
    if (!menu.scoresNotice().empty())
        bottom += largeFont->lineHeight() + listGap(6);
    if (listHintShown(menu, scores))
        bottom += line + listGap(8);
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
    const HighScoreRow first = MenuLayout::highScoreRow(menu, 0, v.width, v.height, false);
    const int line = smallFont->lineHeight();
    if (menu.typingName())
        smallFont->drawText(NameWanted, {0, first.top - line - listGap(6), v.width, FarEdge}, TextCenter, colour);

    if (!listHintShown(menu, scores))
        return;
    const HighScoreRow below = MenuLayout::highScoreRow(menu, CHighScoreTable::EntryCount, v.width, v.height, false);
    const int top = below.top + listGap(8) + (menu.scoresNotice().empty() ? 0 : largeFont->lineHeight() + listGap(4));
    smallFont->drawText(StarMeaning, {0, top, v.width, FarEdge}, TextCenter, colour);
}

// Under the list, in red that fades with it.
void CMenuScreen::drawScoresNotice(const CMenu& menu)
{
    if (menu.scoresNotice().empty())
        return;
    const Viewport& v = device().viewport();
    const HighScoreRow below = MenuLayout::highScoreRow(menu, CHighScoreTable::EntryCount, v.width, v.height, false);
    const uint32_t alpha = static_cast<uint32_t>(colourByte(menu.scoresFade()));
    largeFont->drawText(menu.scoresNotice(), {0, below.top + listGap(8), v.width, FarEdge}, TextCenter,
                        alpha << 24 | 0x00FF4040u);
}
