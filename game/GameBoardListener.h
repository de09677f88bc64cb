#pragma once
// What the board reports while it plays, delivered synchronously in the
// middle of its own step to its one listener (the game flow).
#include <cstdint>

// The value sent with each event is given beside it. The numbers are the
// events' long-standing type numbers.
enum class BoardEvent : uint8_t {
    ScoreChanged = 0, // the new score
    RowCleared = 1,   // the row index, sent while the row still holds its cells
    GameOver = 2,     // the final score
    BoardEmptied = 3, // 300, the bonus for a lock that left the grid empty
    NewPiece = 4,     // 0, after the next piece was promoted
    RowsCleared = 5,  // how many rows this lock removed, 1..4
    LevelUp = 6,      // the new level
    PieceLanded = 7,  // 1, the falling piece came to rest
};

class CGameBoardListener {
public:
    virtual ~CGameBoardListener() = default;
    virtual void onBoardEvent(BoardEvent event, int value) = 0;
};
