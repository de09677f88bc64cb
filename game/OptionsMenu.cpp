#include "game/OptionsMenu.h"

#include <algorithm>
#include <cmath>

namespace {

const std::vector<std::string> OffOn = {"off", "on"};

OptionItem toggle(OptionId id, const char* label, bool on) { return {id, label, OffOn, on ? 1 : 0, true}; }

OptionItem level(OptionId id, const char* label, int value)
{
    std::vector<std::string> numbers;
    for (int i = 0; i <= COptionsMenu::MaxVolume; ++i)
        numbers.push_back(std::to_string(i));
    return {id, label, numbers, std::clamp(value, 0, COptionsMenu::MaxVolume), false};
}

int wrapped(int value, int count) { return (value % count + count) % count; }

} // namespace

int renderScaleChoice(std::optional<float> share)
{
    if (!share || !std::isfinite(*share))
        return 0;
    return 1 + std::clamp(static_cast<int>(std::lround((*share - 0.5f) * 10.0f)), 0, RenderScaleChoices - 2);
}

std::optional<float> renderScaleShare(int choice)
{
    if (choice <= 0 || choice >= RenderScaleChoices)
        return std::nullopt;
    return 0.5f + 0.1f * static_cast<float>(choice - 1);
}

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

void COptionsMenu::open(const OptionValues& values)
{
    refresh(values);
    shown = true;
    currentPage = OptionsPage::Display;
    currentRow = 0;
}

void COptionsMenu::refresh(const OptionValues& values)
{
    // A size list that lost the current one still shows something.
    std::vector<std::string> sizes = values.windowSizes;
    if (sizes.empty())
        sizes.push_back("-");
    const int size = std::clamp(values.windowSize, 0, static_cast<int>(sizes.size()) - 1);
    pageItems[static_cast<size_t>(OptionsPage::Display)] = {
        {OptionId::WindowSize, "Window size", sizes, size, false},
        toggle(OptionId::FullScreen, "Full screen", values.fullScreen),
        {OptionId::FrameLimit, "Frame limit", {"off", "30 a second"}, values.frameLimit ? 1 : 0, true},
        toggle(OptionId::ShowFrameRate, "Show frame rate", values.showFrameRate),
        {OptionId::RenderScale, "Render scale", {"auto", "50 %", "60 %", "70 %", "80 %", "90 %", "100 %"},
         std::clamp(values.renderScale, 0, RenderScaleChoices - 1), false},
    };
    pageItems[static_cast<size_t>(OptionsPage::Effects)] = {
        toggle(OptionId::Bloom, "Bloom", values.bloom),
        toggle(OptionId::Shadows, "Shadows", values.shadows),
        toggle(OptionId::Mirror, "Mirror", values.mirror),
        toggle(OptionId::FilteredCopy, "Filtered copy", values.filteredCopy),
    };
    pageItems[static_cast<size_t>(OptionsPage::Sound)] = {
        level(OptionId::MusicVolume, "Music", values.musicVolume),
        level(OptionId::EffectsVolume, "Effects", values.effectsVolume),
        toggle(OptionId::Mute, "Mute", values.mute),
    };
    pageItems[static_cast<size_t>(OptionsPage::Controls)] = {};
    currentRow = std::min(currentRow, rowCount() - 1);
}

const OptionItem& COptionsMenu::item(OptionId id) const
{
    for (const auto& page : pageItems)
        for (const OptionItem& item : page)
            if (item.id == id)
                return item;
    // Every id has its item once the screen was opened; before that an
    // empty one stands in.
    static const OptionItem none{OptionId::WindowSize, "", {"-"}, 0, false};
    return none;
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
    return {true, chosen.id, value, false};
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
        return {true, chosen.id, chosen.value, false};
    }
    case OptionsMove::TakeBack:
        return currentRow == 0 ? OptionsOutcome{} : step(-1);
    case OptionsMove::Back:
        shown = false;
        return {false, OptionId::WindowSize, 0, true};
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

// ---- the controls to read --------------------------------------------------------

const std::vector<std::string>& keyboardHelp()
{
    static const std::vector<std::string> lines = {
        "Left / Right\tslide the piece",
        "Down (held)\tdrop faster",
        "Up / Shift\tturn right / left",
        "P or Pause\tpause, go on",
        "Escape\tback to the menu",
        "F1\thelp (this page)",
        "PgUp / PgDn\tcamera in / out",
        "drag\tmove the camera",
        "Space\tmove the light",
        "B / L\tbloom / shadow",
        "M / F\tmirror / filter",
        "F2\tframe rate",
        "F3 / F4\tcalm / wide sway",
        "F6\tframe limit 30",
        "F12\tscreenshot",
        "Alt+Enter\tfull screen",
    };
    return lines;
}

const std::vector<std::string>& padHelp()
{
    static const std::vector<std::string> lines = {
        "d-pad\tslide, drop, turn",
        "A\tturn right; take",
        "B\tturn left; back",
        "Start\tpause; take",
        "Back\tleave; help in menu",
        "",
        "A name, with the pad:",
        "up / down\tpick a letter",
        "A / right\tnext letter",
        "B / left\tdelete",
        "Start\tkeep the name",
        "",
        "A name, on the keyboard:",
        "letters, Space\ttype it",
        "Backspace\tdelete",
        "Enter / Esc\tkeep the name",
        "arrows\tnothing",
    };
    return lines;
}
