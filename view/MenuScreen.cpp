#include "view/MenuScreen.h"

#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "platform/Device.h"
#include "platform/Font.h"

#include <string>

namespace {

// Top-left corners of the pictures, in fractions of the viewport.
constexpr float TitleX = 0.2f, TitleY = 0.05f;
constexpr std::array<float, 3> ItemX = {0.5f, 0.63f, 0.85f};
constexpr float ItemY = 0.9f;

// Text reaches as far right and down as it likes unless the row says otherwise.
constexpr int FarEdge = 10000;

} // namespace

CMenuScreen::CMenuScreen() = default;
CMenuScreen::~CMenuScreen() = default;

void CMenuScreen::load(const std::filesystem::path& mediaDir)
{
    background = std::make_unique<CScreenImage>(mediaDir / "back1.tga");
    title = std::make_unique<CScreenImage>(mediaDir / "title.tga");
    items[CMenu::PlayItem] = std::make_unique<CScreenImage>(mediaDir / "play.tga");
    items[CMenu::HighScoreItem] = std::make_unique<CScreenImage>(mediaDir / "highscore.tga");
    items[CMenu::ExitItem] = std::make_unique<CScreenImage>(mediaDir / "exit.tga");
    // "Tahoma" is what the rows were laid out for; fontconfig picks the
    // nearest face installed. The list's font is narrow so ten-letter names
    // and six-digit scores fit the 600-pixel column.
    largeFont = CFont::create("Tahoma", 24, 10);
    smallFont = CFont::create("Tahoma", 18);
}

void CMenuScreen::draw(CMenu& menu, const CHighScoreTable& scores)
{
    CDevice& d = device();
    setOverlayStates();
    d.setSamplerState(SamplerState::MagFilter, TexFilter::Anisotropic);
    d.setSamplerState(SamplerState::MinFilter, TexFilter::Anisotropic);

    // The background: fading in over the board, held a little translucent,
    // or fading out as a game starts.
    menu.holdFade();
    if (background)
        drawScreenQuad(background->texture(), 0.0f, 0.0f, 1.0f, 1.0f,
                       static_cast<uint32_t>(colourByte(menu.fade)) << 24 | 0x00FFFFFFu, false);

    d.setSamplerState(SamplerState::MagFilter, TexFilter::Linear);
    d.setSamplerState(SamplerState::MinFilter, TexFilter::Linear);

    // Title and items appear at once when the background has faded in and
    // vanish at once when it starts to fade out.
    if (menu.fullyShown()) {
        if (title)
            title->draw(TitleX, TitleY);
        for (int i = 0; i < CMenu::ItemCount; ++i) {
            if (!items[i])
                continue;
            items[i]->colour = menu.itemColours[i];
            items[i]->draw(ItemX[i], ItemY);
        }
    }

    if (menu.scoresFade > 0.0)
        drawHighScores(menu, scores);

    d.setRenderState(RenderState::AlphaBlendEnable, false);

    // The web address, in every state, during play as well.
    if (smallFont) {
        const Viewport& v = d.viewport();
        smallFont->drawText(WebAddress, {4, v.height - 20, v.width - 4, v.height}, TextLeft | TextTop,
                            0xFF000000u);
    }
}

void CMenuScreen::drawHighScores(const CMenu& menu, const CHighScoreTable& scores)
{
    if (!largeFont)
        return;
    const Viewport& v = device().viewport();
    for (int i = 0; i < CHighScoreTable::EntryCount; ++i) {
        const HighScoreEntry& entry = scores.entry(i);
        // The entry whose name is being typed shows it with a cursor.
        const bool typing = menu.nameEntry == &entry.name;
        const HighScoreRow row = menu.highScoreRow(i, v.width, v.height, typing);
        const std::string name = typing ? entry.name + "|" : entry.name;
        largeFont->drawText(name, {row.nameLeft, row.top, FarEdge, FarEdge}, TextLeft, row.colour);
        largeFont->drawText(std::to_string(entry.score), {row.nameLeft, row.top, row.scoreRight, FarEdge},
                            TextRight, row.colour);
    }
}
