#include "game/OptionsMenu.h"

#include <algorithm>
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
    waiting = false;
    line.clear();
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

int COptionsMenu::chosenSetting() const
{
    return currentRow == 0 ? -1 : items()[static_cast<size_t>(currentRow - 1)].setting;
}

void COptionsMenu::stopWaiting(std::string said)
{
    waiting = false;
    line = std::move(said);
}

OptionsOutcome COptionsMenu::move(OptionsMove move)
{
    // While a key row waits, every key goes to it through the flow.
    if (!shown || waiting)
        return {};
    line.clear();
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
        if (chosen.waitsForKey) {
            waiting = true;
            line = "Press the new key or pad button (Escape keeps " + chosen.shown() + ")";
            return {};
        }
        if (chosen.isCommand)
            return {true, chosen.setting, 0, false};
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
    if (!shown || waiting || row < 0 || row >= rowCount())
        return;
    currentRow = row;
    if (row == 0)
        currentPage = pageTab;
}

