#pragma once
// The ten-by-twenty well and the play inside it: the falling piece moves in
// fractional cells under gravity and the held arrow keys, locks into the
// grid when it has rested long enough, full rows are removed and scored,
// the level rises every fifteen rows, and the game ends when a new piece
// has no room. Everything it does is reported to one listener as events.
//
// The fields are read directly by the HUD, the board view and the debris;
// the pause key toggles `running`.
#include <array>
#include <cstdint>
#include <memory>

#include "game/GameBoardListener.h"
#include "game/HeldKeys.h"
#include "game/Piece.h"

constexpr int BoardColumns = 10;
constexpr int BoardRows = 20;
constexpr int BoardCells = BoardColumns * BoardRows;

class CGameBoard {
public:
    // Seeds the game's random generator (the caller passes the millisecond
    // tick, or a fixed seed for a replay) and fills the grid with random
    // colours, the backdrop the menu shows before the first game.
    explicit CGameBoard(uint32_t seed);

    void setListener(CGameBoardListener* boardListener) { listener = boardListener; }

    // Takes the held left, right and down keys; called at the start of every step.
    void pollKeys(const HeldKeys& keys);

    // Every game starts at level 1; the argument is accepted and ignored.
    void newGame(int startLevel = 0);
    // One fixed step of sliding, falling, landing and locking (dt is 0.01 s).
    void step(float dt);
    // Turns the falling piece if it fits turned; no kicks.
    bool tryRotate(int direction);
    void levelUp();
    void addScore(int points);

    // Fit test and the steps of a lock, in the order lockPiece runs them.
    bool fits(CPiece& piece) const;
    void stamp(const CPiece& piece);
    void lockPiece();
    void clearFullRows();
    void spawnNext();

    // Grid cell (column, row); 0 is empty, anything else an ARGB colour.
    static int cellIndex(int column, int row) { return column * BoardRows + row; }
    uint32_t cell(int column, int row) const { return grid[static_cast<size_t>(cellIndex(column, row))]; }
    // The ten cells of a row, left to right; a row outside the well is empty.
    std::array<uint32_t, BoardColumns> rowColours(int row) const;

    bool keyLeft = false;
    bool keyRight = false;
    bool keyDown = false;
    float levelSpeed = 4.0f;    // rows per second at this level
    float lockTimer = 0.0f;     // seconds resting since the piece last fell freely
    CGameBoardListener* listener = nullptr; // not owned
    bool running = false;
    int score = 0;
    int level = 1;
    int rows = 0;
    std::unique_ptr<CPiece> current;
    std::unique_ptr<CPiece> next;
    std::array<uint32_t, BoardCells> grid{}; // column-major, row 0 at the top
    // Both carry over from step to step and from one game to the next.
    float slideVelocity = 0.0f; // columns per second: -10, 0 or +10
    float fallSpeed = 0.0f;     // rows per second used by the current step

private:
    void notify(BoardEvent event, int value);
    bool rowIsFull(int row) const;
    void removeRow(int row);
    bool gridIsEmpty() const;
    void slide(CPiece& piece, float dt);
    void fall(CPiece& piece, float dt);
};
