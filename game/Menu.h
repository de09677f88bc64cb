#pragma once
// The front-end menu: what the game flow asks of it (shown or hidden, the
// high-score list, the highlighted item, the picked entry, the name being
// typed, the help, the options screen), which it keeps to itself, and the
// fades and pulse that advance every simulation step.
#include <array>
#include <cstdint>
#include <string>

#include "game/OptionsMenu.h"

struct HighScoreEntry;


class CMenu {
public:
    // In the order Up/Down and Left/Right go through them, left to right.
    enum Item { PlayItem = 0, HighScoreItem = 1, OptionsItem = 2, ExitItem = 3 };
    static constexpr int ItemCount = 4;

    // One simulation step of the fades and the pulse of the selected item.
    void update(float dt);

    // The background is held a little translucent once it has faded in; the
    // title and items show only from then on. Every step ends with it.
    void holdFade();
    bool fullyShown() const;
    // The background's opacity as drawn: the fade, held at its resting value
    // (a menu that has not stepped yet starts fully faded in).
    double shownFade() const;

    // The colour of row i (0 the best) of the high-score list as the clock
    // and the list's fade have it (ARGB); typing says whether the row holds
    // the name being typed.
    uint32_t highScoreColour(int index, bool typing) const;

    // ---- the high-score name being typed --------------------------------------
    // The new entry in the high-score table whose name the player types; the
    // table holds the entry, and must keep it in place while it is named.
    void startNaming(HighScoreEntry& entry) { named = &entry; }
    void finishNaming()
    {
        named = nullptr;
        picked = 0;
    }
    bool typingName() const { return named != nullptr; }
    // The entry being named, or null.
    HighScoreEntry* entryBeingNamed() const { return named; }
    // The letter a pad is picking for the name (shown after it, not yet in
    // it), or 0 when none is being picked.
    void pickLetter(char letter) { picked = letter; }
    char pickedLetter() const { return picked; }

    // ---- what the game flow asks of it -------------------------------------------
    // Shown, with the high-score list or without it (then no entry stays picked).
    void show(bool withScores);
    // Hidden for play, the list with it.
    void hide();
    // Shows the list, or hides it and drops the entry picked in it.
    void toggleScores();
    // The item under the mouse; a number outside the items changes nothing.
    // Moving to an item, by keys or the mouse, drops the entry picked in the
    // list: the highlight is on one or the other, never both.
    void select(int item)
    {
        if (item >= 0 && item < ItemCount) {
            selected = item;
            forgetPick();
        }
    }
    void selectPrevious() { select((selected + ItemCount - 1) % ItemCount); }
    void selectNext() { select((selected + 1) % ItemCount); }
    // Points at entry i (0 the best) to watch, while the list shows; the
    // items lose their highlight until a move goes back to them.
    void pickEntry(int index);
    void forgetPick() { chosen = -1; }
    // A line under the high-score list telling the player something went
    // wrong with the table (it could not be saved); empty when all is well.
    void setScoresNotice(std::string notice) { problemNotice = std::move(notice); }
    // The keys and pad buttons shown over the game (F1), in any state.
    void showHelp(bool shown) { helpOn = shown; }
    // A game in play stands still: the screen says so over the well.
    void showPaused(bool shown) { paused = shown; }
    // The game just ended: the screen says so over the well, with the final
    // score, for a moment before the menu comes. -1 hides it.
    void showGameOver(int finalScore) { endScore = finalScore; }

    bool isVisible() const { return visible; }
    bool showsScores() const { return scoresShown; }
    int selectedItem() const { return selected; }
    // The high-score entry picked (0 the best) while the list shows, or -1.
    int chosenScore() const { return chosen; }
    const std::string& scoresNotice() const { return problemNotice; }
    bool helpShown() const { return helpOn; }
    bool pausedShown() const { return paused; }
    bool gameOverShown() const { return endScore >= 0; }
    int finalScore() const { return endScore; }

    // ---- the fades and the pulse, as the steps advance them --------------------------
    // Seconds of steps so far: the phase of the pulse and of the list's ripple.
    double clock() const { return elapsed; }
    // The selected item's pulse, 0 (white) to 1 (red).
    double pulse() const { return pulseLevel; }
    // The background's fade (1 in, 0 out; a hidden menu may end a little
    // below 0) and the high-score list's (past 1 when fully in).
    double fade() const { return backgroundFade; }
    double scoresFade() const { return listFade; }
    uint32_t itemColour(int item) const { return colours[static_cast<size_t>(item)]; }
    // Puts the clock and the fades somewhere in their course, as if steps had
    // taken them there; the pulse and the colours follow at the next step.
    void setClock(double seconds) { elapsed = seconds; }
    void setFades(double background, double scores)
    {
        backgroundFade = background;
        listFade = scores;
    }

    // The options screen, drawn over the menu while it is open; the flow
    // moves through it.
    COptionsMenu& options() { return optionsScreen; }
    const COptionsMenu& options() const { return optionsScreen; }

private:
    double elapsed = 0.0;
    double backgroundFade = 1.0;
    double listFade = 0.0;
    double pulseLevel = 0.0;
    std::array<uint32_t, ItemCount> colours{};
    COptionsMenu optionsScreen;

    bool visible = false;
    bool scoresShown = false;
    int selected = PlayItem;
    int chosen = -1;
    std::string problemNotice;
    HighScoreEntry* named = nullptr;
    char picked = 0;
    bool helpOn = false;
    bool paused = false;
    int endScore = -1;
};

// The colour of a chosen item or row at a point of the pulse: white at 0,
// red at 1.
uint32_t pulseColour(double pulse);

// The letters a pad steps through for a high-score name, from one to the
// next (or previous), round; from none it starts at 'A' (or '9' backwards).
char nextNameLetter(char letter, int step);

// A fraction as a colour byte: 255 from 1 up, 0 from 0 down, rounded between.
int colourByte(double fraction);
