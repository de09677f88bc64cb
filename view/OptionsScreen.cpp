#include "view/OptionsScreen.h"

#include "game/Menu.h"
#include "device/Device.h"
#include "device/Font.h"
#include "render/ScreenQuad.h"
#include "view/PixelQuad.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t PanelColour = 0xC00A0E1Cu;     // dark glass over the backdrop
constexpr uint32_t HelpPanelColour = 0xFF0A0E1Cu; // the same, opaque
constexpr uint32_t PanelEdgeColour = 0x6090B8FFu; // a cool rim of light
constexpr uint32_t ItemColour = 0xDDFFFFFFu;      // as the menu's items
constexpr uint32_t DimColour = 0x90FFFFFFu;       // pages not shown
constexpr uint32_t KeyColour = 0xFF9CC8FFu;       // the keys in the tables
constexpr int FarEdge = 10000;

// "key<TAB>what it does" in two colours, the second part at a fixed column.
void drawHelpLine(CFont& font, const std::string& line, int left, int column, int top)
{
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) {
        font.drawText(line, {left, top, FarEdge, FarEdge}, TextLeft, ItemColour);
        return;
    }
    font.drawText(line.substr(0, tab), {left, top, FarEdge, FarEdge}, TextLeft, KeyColour);
    font.drawText(line.substr(tab + 1), {column, top, FarEdge, FarEdge}, TextLeft, ItemColour);
}

} // namespace

COptionsScreen::COptionsScreen() = default;
COptionsScreen::~COptionsScreen() = default;

void COptionsScreen::makeFonts(const OptionsLayout& layout)
{
    // The menu's face; the rows narrow as the list's rows are.
    rowFont = fonts.font("Tahoma", layout.rowFont, layout.rowFont * 10 / 24);
    smallFont = fonts.font("Tahoma", layout.smallFont);
}

void COptionsScreen::draw(const CMenu& menu)
{
    const auto layout = beginPanel(PanelColour);
    if (!layout)
        return;
    drawPageRow(menu);
    // The controls page: its rows of moves and keys, and under them what
    // the last choice of a key said (the tables stay for the help).
    if (menu.options().page() == OptionsPage::Controls && menu.options().items().empty())
        drawControls(menu.options());
    else
        drawSettings(menu);
    if (menu.options().page() == OptionsPage::Controls && !menu.options().controlsLine().empty())
        smallFont->drawText(menu.options().controlsLine(),
                            {layout->panelLeft, layout->hintTop - smallFont->lineHeight() * 3 / 2, layout->panelRight,
                             FarEdge},
                            TextCenter, ItemColour);
    const bool controls = menu.options().page() == OptionsPage::Controls;
    smallFont->drawText(controls ? ControlsHint : BackHint, {layout->panelLeft, layout->hintTop, layout->panelRight, FarEdge}, TextCenter,
                        DimColour);
}

// The fonts for this window's height and the panel under everything else;
// the layout to draw on it, or nothing when no font could be made.
std::optional<OptionsLayout> COptionsScreen::beginPanel(uint32_t colour)
{
    const Viewport& v = device().viewport();
    makeFonts(OptionsLayout(v.width, v.height));
    if (!rowFont || !smallFont)
        return std::nullopt;
    drawPanel(colour);
    return OptionsLayout(v.width, v.height);
}

void COptionsScreen::drawPanel(uint32_t colour)
{
    const Viewport& v = device().viewport();
    const OptionsLayout layout(v.width, v.height);
    setOverlayStates();
    fillPixels(layout.panelLeft - 2, layout.panelTop - 2, layout.panelRight + 2, layout.panelBottom + 2,
               PanelEdgeColour);
    fillPixels(layout.panelLeft, layout.panelTop, layout.panelRight, layout.panelBottom, colour);
}

void COptionsScreen::drawHelp(const CMenu& menu)
{
    const auto layout = beginPanel(HelpPanelColour);
    if (!layout)
        return;
    rowFont->drawText("Help", {layout->panelLeft, layout->rowTop(0), layout->panelRight, FarEdge}, TextCenter,
                      pulseColour(menu.pulse()));
    drawControls(menu.options());
    smallFont->drawText(HelpHint, {layout->panelLeft, layout->hintTop, layout->panelRight, FarEdge}, TextCenter,
                        DimColour);
}

// The four page names side by side; the page shown is bright and, while the
// page row is the chosen one, pulses.
void COptionsScreen::drawPageRow(const CMenu& menu)
{
    const Viewport& v = device().viewport();
    const OptionsLayout layout(v.width, v.height);
    const int top = layout.rowTop(0);
    for (int i = 0; i < OptionsPageCount; ++i) {
        const auto page = static_cast<OptionsPage>(i);
        const bool current = page == menu.options().page();
        uint32_t colour = current ? ItemColour : DimColour;
        if (current && menu.options().row() == 0)
            colour = pulseColour(menu.pulse());
        const int left = layout.panelLeft + i * layout.tabWidth;
        rowFont->drawText(optionsPageName(page), {left, top, left + layout.tabWidth, FarEdge}, TextCenter, colour);
        if (current)
            fillPixels(left + layout.tabWidth / 4, top + layout.rowFont + 2, left + 3 * layout.tabWidth / 4,
                       top + layout.rowFont + 4, colour);
    }
}

void COptionsScreen::drawSettings(const CMenu& menu)
{
    const Viewport& v = device().viewport();
    const OptionsLayout layout(v.width, v.height);
    const std::vector<OptionItem>& items = menu.options().items();
    for (size_t i = 0; i < items.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        const bool chosen = menu.options().row() == row;
        const uint32_t colour = chosen ? pulseColour(menu.pulse()) : ItemColour;
        const int top = layout.rowTop(row);
        rowFont->drawText(items[i].label, {layout.labelLeft, top, FarEdge, FarEdge}, TextLeft, colour);
        // The chosen row shows which way Left and Right change its value; the
        // blank in place of an arrow keeps the value where it stood.
        const OptionItem& item = items[i];
        const std::string value = chosen ? std::string(item.stepsBack() ? "<  " : "   ") + item.shown() +
                                               (item.stepsOn() ? "  >" : "   ")
                                         : item.shown();
        rowFont->drawText(value, {layout.labelLeft, top, layout.valueRight, FarEdge}, TextRight, colour);
    }
}

// The font the tables are drawn in: the small one, or a smaller one where
// the longer table would not fit between the heading and the hint line.
CFont& COptionsScreen::tableFontFor(const OptionsLayout& layout, int lines)
{
    const int room = layout.hintTop - layout.textTop;
    const int line = smallFont->lineHeight();
    // The heading and the gap under it take one and a half lines.
    const int needed = line * (2 * lines + 3) / 2;
    if (needed <= room || line <= 0)
        return *smallFont;
    CFont* smaller = fonts.font("Tahoma", std::max(1, layout.smallFont * room / needed));
    return smaller ? *smaller : *smallFont;
}

// The keyboard's table on the left, the pad's shorter one on the right, each
// with its keys in a column as wide as the widest key, so the tables keep
// their shape down to the smallest window.
void COptionsScreen::drawControls(const COptionsMenu& options)
{
    const Viewport& v = device().viewport();
    const OptionsLayout layout(v.width, v.height);
    const std::vector<std::string>& keyboardLines = options.keyboardHelp();
    const std::vector<std::string>& padLines = options.padHelp();
    CFont& font = tableFontFor(layout, static_cast<int>(std::max(keyboardLines.size(), padLines.size())));
    const int line = font.lineHeight();
    const int gap = std::max(4, line / 2);
    struct Widths {
        int keys = 0;
        int whole = 0;
    };
    auto measure = [&font](const std::vector<std::string>& lines) {
        Widths widths;
        for (const std::string& text : lines) {
            const size_t tab = text.find('\t');
            if (tab == std::string::npos)
                continue;
            widths.keys = std::max(widths.keys, font.textWidth(text.substr(0, tab)));
        }
        for (const std::string& text : lines) {
            const size_t tab = text.find('\t');
            widths.whole = std::max(widths.whole, tab == std::string::npos
                                                      ? font.textWidth(text)
                                                      : widths.keys + font.textWidth(text.substr(tab + 1)));
        }
        return widths;
    };
    const Widths keyboard = measure(keyboardLines);
    const Widths pad = measure(padLines);
    // What is left of the panel goes round the two tables and between them.
    const int room = layout.panelRight - layout.panelLeft - keyboard.whole - pad.whole - 4 * gap;
    const int spare = std::max(0, room) / 3;
    const int keyboardLeft = layout.panelLeft + spare;
    const int padLeft = keyboardLeft + keyboard.whole + 2 * gap + spare;

    smallFont->drawText("Keyboard", {keyboardLeft, layout.textTop, FarEdge, FarEdge}, TextLeft, ItemColour);
    smallFont->drawText("Pad", {padLeft, layout.textTop, FarEdge, FarEdge}, TextLeft, ItemColour);
    const int firstTop = layout.textTop + smallFont->lineHeight() * 3 / 2;
    int top = firstTop;
    for (const std::string& text : keyboardLines) {
        drawHelpLine(font, text, keyboardLeft, keyboardLeft + keyboard.keys + gap, top);
        top += line;
    }
    top = firstTop;
    for (const std::string& text : padLines) {
        drawHelpLine(font, text, padLeft, padLeft + pad.keys + gap, top);
        top += line;
    }
}
