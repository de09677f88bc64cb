#pragma once
// What the board reports while it plays, delivered synchronously in the
// middle of its own step to its one listener (the game flow). Every event
// carries what a listener needs to know of it, so no one reads the board
// back while it is halfway through a step.
#include <array>
#include <cstdint>

#include "game/Piece.h"

constexpr int BoardColumns = 10;
constexpr int BoardRows = 20;
constexpr int BoardCells = BoardColumns * BoardRows;

// The numbers are the events' long-standing type numbers.
enum class BoardEventKind : uint8_t {
    ScoreChanged = 0,
    RowCleared = 1,
    GameOver = 2,
    BoardEmptied = 3, // a lock left the grid empty: a bonus follows
    NewPiece = 4,     // the next piece was promoted
    RowsCleared = 5,  // one lock removed `count` rows, 1..4
    LevelUp = 6,
    PieceLanded = 7,  // the falling piece came to rest
    PieceTurned = 8,  // the falling piece turned
};

struct BoardEvent {
    BoardEventKind kind;
    // The game's numbers as they stand once the event happened.
    int score = 0;
    int rows = 0;
    int level = 1;
    // ScoreChanged: the points just added; BoardEmptied: the bonus to come.
    int points = 0;
    // RowsCleared: how many rows the lock removed.
    int count = 0;
    // RowCleared: the row (0 at the top) and its ten colours, left to right,
    // as they were when it was full.
    int row = -1;
    std::array<uint32_t, BoardColumns> rowColours{};
    // PieceLanded: where the piece's four cells rest, and its colour.
    std::array<CellPosition, 4> cells{};
    uint32_t colour = 0;
};

class CGameBoardListener {
public:
    virtual ~CGameBoardListener() = default;
    virtual void onBoardEvent(const BoardEvent& event) = 0;
};
