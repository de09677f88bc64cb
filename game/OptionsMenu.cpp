#include "game/OptionsMenu.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

int wrapped(int value, int count) { return (value % count + count) % count; }

} // namespace

const char* optionsPageName(OptionsPage page)
{
    switch (page) {
    case OptionsPage::Display: return "Display";
    case OptionsPage::Effects: return "Effects";
    case OptionsPage::Sound: return "Sound";
    case OptionsPage::Controls: return "Controls";
    }
    return "";
}

void COptionsMenu::open(OptionPages pages)
{
    refresh(std::move(pages));
    shown = true;
    currentPage = OptionsPage::Display;
    currentRow = 0;
}

void COptionsMenu::refresh(OptionPages pages)
{
    // A row with no choices (a size list that lost every size) still shows
    // something, and its value stays within its choices.
    for (auto& page : pages)
        for (OptionItem& item : page) {
            if (item.choices.empty())
                item.choices.push_back("-");
            item.value = std::clamp(item.value, 0, static_cast<int>(item.choices.size()) - 1);
        }
    pageItems = std::move(pages);
    currentRow = std::min(currentRow, rowCount() - 1);
}

const OptionItem& COptionsMenu::item(int setting) const
{
    for (const auto& page : pageItems)
        for (const OptionItem& item : page)
            if (item.setting == setting)
                return item;
    // Every setting with a row has its item once the screen was opened;
    // before that an empty one stands in.
    static const OptionItem none{-1, "", {"-"}, 0, false};
    return none;
}

void COptionsMenu::setControls(std::vector<std::string> keyboard, std::vector<std::string> pad)
{
    keyboardLines = std::move(keyboard);
    padLines = std::move(pad);
}

OptionsOutcome COptionsMenu::step(int by)
{
    if (currentRow == 0) {
        currentPage = static_cast<OptionsPage>(wrapped(static_cast<int>(currentPage) + by, OptionsPageCount));
        return {};
    }
    OptionItem& chosen = pageItems[static_cast<size_t>(currentPage)][static_cast<size_t>(currentRow - 1)];
    const int count = static_cast<int>(chosen.choices.size());
    const int value = chosen.wraps ? wrapped(chosen.value + by, count) : std::clamp(chosen.value + by, 0, count - 1);
    if (value == chosen.value)
        return {};
    chosen.value = value;
    return {true, chosen.setting, value, false};
}

OptionsOutcome COptionsMenu::move(OptionsMove move)
{
    if (!shown)
        return {};
    switch (move) {
    case OptionsMove::Up:
        currentRow = wrapped(currentRow - 1, rowCount());
        return {};
    case OptionsMove::Down:
        currentRow = wrapped(currentRow + 1, rowCount());
        return {};
    case OptionsMove::Left:
        return step(-1);
    case OptionsMove::Right:
        return step(+1);
    case OptionsMove::Take: {
        if (currentRow == 0) {
            if (rowCount() > 1)
                currentRow = 1;
            return {};
        }
        // A list that stops at its end starts again from its beginning.
        OptionItem& chosen = pageItems[static_cast<size_t>(currentPage)][static_cast<size_t>(currentRow - 1)];
        const int count = static_cast<int>(chosen.choices.size());
        if (count < 2)
            return {};
        chosen.value = wrapped(chosen.value + 1, count);
        return {true, chosen.setting, chosen.value, false};
    }
    case OptionsMove::TakeBack:
        return currentRow == 0 ? OptionsOutcome{} : step(-1);
    case OptionsMove::Back:
        shown = false;
        return {false, 0, 0, true};
    }
    return {};
}

void COptionsMenu::point(int row, OptionsPage pageTab)
{
    if (!shown || row < 0 || row >= rowCount())
        return;
    currentRow = row;
    if (row == 0)
        currentPage = pageTab;
}

// ---- layout -------------------------------------------------------------------

namespace {

// The reference layout on an 800 x 600 screen.
constexpr int RefPanelLeft = 80, RefPanelTop = 40, RefPanelRight = 720, RefPanelBottom = 570;
constexpr int RefPageRowTop = 60, RefFirstRowTop = 130, RefRowHeight = 44;
constexpr int RefLabelLeft = 130, RefValueRight = 670;
constexpr int RefHintTop = 530, RefTextTop = 125;
constexpr int RefRowFont = 24, RefSmallFont = 18;
// Text smaller than this cannot be read at all.
constexpr int LeastFont = 9;
constexpr int NarrowWidth = 480, NarrowMargin = 12;

} // namespace

OptionsLayout::OptionsLayout(int viewportWidth, int viewportHeight)
{
    const double sx = viewportWidth / 800.0;
    const double sy = viewportHeight / 600.0;
    auto x = [sx](int v) { return static_cast<int>(std::lround(v * sx)); };
    auto y = [sy](int v) { return static_cast<int>(std::lround(v * sy)); };
    // Text cannot shrink below the least font, so a small window gives the
    // panel nearly its whole width.
    const bool narrow = viewportWidth < NarrowWidth;
    panelLeft = narrow ? x(NarrowMargin) : x(RefPanelLeft);
    panelTop = y(RefPanelTop);
    panelRight = narrow ? x(800 - NarrowMargin) : x(RefPanelRight);
    panelBottom = y(RefPanelBottom);
    tabWidth = (panelRight - panelLeft) / OptionsPageCount;
    labelLeft = panelLeft + x(RefLabelLeft - RefPanelLeft);
    valueRight = panelRight - x(RefPanelRight - RefValueRight);
    rowHeight = std::max(1, y(RefRowHeight));
    hintTop = y(RefHintTop);
    textTop = y(RefTextTop);
    rowFont = std::max(LeastFont, y(RefRowFont));
    smallFont = std::max(LeastFont, y(RefSmallFont));
}

int OptionsLayout::rowTop(int row) const
{
    if (row == 0)
        return static_cast<int>(std::lround(panelTop + (RefPageRowTop - RefPanelTop) * rowHeight / double(RefRowHeight)));
    return static_cast<int>(std::lround(panelTop + (RefFirstRowTop - RefPanelTop) * rowHeight / double(RefRowHeight))) +
           (row - 1) * rowHeight;
}

int OptionsLayout::rowAt(int x, int y, int rowCount) const
{
    if (x < panelLeft || x >= panelRight)
        return -1;
    for (int row = 0; row < rowCount; ++row)
        if (y >= rowTop(row) && y < rowTop(row) + rowHeight)
            return row;
    return -1;
}

OptionsPage OptionsLayout::tabAt(int x) const
{
    const int tab = tabWidth > 0 ? (x - panelLeft) / tabWidth : 0;
    return static_cast<OptionsPage>(std::clamp(tab, 0, OptionsPageCount - 1));
}

bool OptionsLayout::onHint(int x, int y) const
{
    return x >= panelLeft && x < panelRight && y >= hintTop && y < std::max(hintTop + rowHeight, panelBottom);
}
