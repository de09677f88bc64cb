#pragma once
// The front-end menu: what the game flow switches (shown or hidden, the
// high-score list, the highlighted item, the name being typed) and the fades
// and pulse that advance every simulation step.
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

    bool visible = false;
    bool showScores = false;
    int selected = PlayItem;
    // The high-score entry picked (0 the best) while the list shows, or -1.
    int chosenScore = -1;
    // A line under the high-score list telling the player something went
    // wrong with the table (it could not be saved); empty when all is well.
    std::string scoresNotice;

    double clock = 0.0;
    double fade = 1.0;
    double scoresFade = 0.0;
    double pulse = 0.0;
    std::array<uint32_t, ItemCount> itemColours{};

private:
    HighScoreEntry* named = nullptr;
};

// A fraction as a colour byte: 255 from 1 up, 0 from 0 down, rounded between.
int colourByte(double fraction);
