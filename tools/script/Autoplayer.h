#pragma once
// A simple player for scripts that need a real game: rows cleared, levels
// and debris from play alone, not from a board set up by hand (a recording
// keeps only what a player does). For every new piece it picks the turn and
// column that leave the lowest, flattest stack with the fewest holes, then
// turns, slides there and drops.
#include "game/GameBoard.h"

struct AutoplayMove {
    bool turn = false; // press Up once
    bool left = false;
    bool right = false;
    bool down = false;
};

class CAutoplayer {
public:
    // The keys for the next frame of the board as it stands.
    AutoplayMove next(const CGameBoard& board);

private:
    void plan(const CGameBoard& board);

    const CPiece* planned = nullptr;
    float lastY = 0.0f;
    int targetRotation = 0;
    int targetColumn = 0;
    int turnsTried = 0;
};
