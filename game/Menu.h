#pragma once
// The front-end menu: what the game flow asks of it (shown or hidden, the
// high-score list, the highlighted item, the picked entry, the name being
// typed), which it keeps to itself, and the fades and pulse that advance
// every simulation step.
#include <array>
#include <cstdint>
#include <string>

struct HighScoreEntry;

// Where and in what colour one row of the high-score list is drawn: the name
// starts at nameLeft, the score ends at scoreRight, both on the row's top.
struct HighScoreRow {
    int nameLeft = 0;
    int scoreRight = 0;
    int top = 0;
    uint32_t colour = 0; // ARGB
};

class CMenu {
public:
    enum Item { PlayItem = 0, HighScoreItem = 1, ExitItem = 2 };
    static constexpr int ItemCount = 3;

    // One simulation step of the fades and the pulse of the selected item.
    void update(float dt);

    // The background is held a little translucent once it has faded in; the
    // title and items show only from then on. Every step ends with it.
    void holdFade();
    bool fullyShown() const;
    // The background's opacity as drawn: the fade, held at its resting value
    // (a menu that has not stepped yet starts fully faded in).
    double shownFade() const;

    // Row i (0 the best) of the high-score list on a viewport of the given
    // pixel size; typing says whether the row holds the name being typed.
    HighScoreRow highScoreRow(int index, int viewportWidth, int viewportHeight, bool typing) const;

    // ---- the high-score name being typed --------------------------------------
    // The new entry in the high-score table whose name the player types; the
    // table holds the entry, and must keep it in place while it is named.
    void startNaming(HighScoreEntry& entry) { named = &entry; }
    void finishNaming() { named = nullptr; }
    bool typingName() const { return named != nullptr; }
    // The entry being named, or null.
    HighScoreEntry* entryBeingNamed() const { return named; }

    // ---- what the game flow asks of it -------------------------------------------
    // Shown, with the high-score list or without it (then no entry stays picked).
    void show(bool withScores);
    // Hidden for play, the list with it.
    void hide();
    void toggleScores() { scoresShown = !scoresShown; }
    void selectPrevious() { selected = (selected + ItemCount - 1) % ItemCount; }
    void selectNext() { selected = (selected + 1) % ItemCount; }
    // Points at entry i (0 the best) to watch, while the list shows.
    void pickEntry(int index);
    void forgetPick() { chosen = -1; }
    // A line under the high-score list telling the player something went
    // wrong with the table (it could not be saved); empty when all is well.
    void setScoresNotice(std::string notice) { problemNotice = std::move(notice); }

    bool isVisible() const { return visible; }
    bool showsScores() const { return scoresShown; }
    int selectedItem() const { return selected; }
    // The high-score entry picked (0 the best) while the list shows, or -1.
    int chosenScore() const { return chosen; }
    const std::string& scoresNotice() const { return problemNotice; }

    // The fades and the pulse, as the steps advance them.
    double clock = 0.0;
    double fade = 1.0;
    double scoresFade = 0.0;
    double pulse = 0.0;
    std::array<uint32_t, ItemCount> itemColours{};

private:
    bool visible = false;
    bool scoresShown = false;
    int selected = PlayItem;
    int chosen = -1;
    std::string problemNotice;
    HighScoreEntry* named = nullptr;
};

// A fraction as a colour byte: 255 from 1 up, 0 from 0 down, rounded between.
int colourByte(double fraction);
