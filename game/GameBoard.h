#pragma once
// The ten-by-twenty well and the play inside it: the falling piece moves in
// fractional cells under gravity and the held arrow keys, locks into the
// grid when it has rested long enough, full rows are removed and scored,
// the level rises every fifteen rows, and the game ends when a new piece
// has no room. Everything it does is reported to one listener as events.
//
// Its state is its own: others read it and ask for what they want done
// (pause, a position set up for a test) by name.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "game/GameBoardListener.h"
#include "game/HeldKeys.h"
#include "game/Piece.h"
#include "game/Random.h"

// What carries over from step to step and from one game into the next; a
// recording keeps it from the game before.
struct BoardMotion {
    float slideVelocity = 0.0f; // columns per second: -10, 0 or +10
    float fallSpeed = 0.0f;     // rows per second used by the last step
};

class CGameBoard {
public:
    // Seeds the rules' random stream (the caller passes the millisecond
    // tick, or a fixed seed) and fills the grid with random colours, the
    // backdrop the menu shows before the first game.
    explicit CGameBoard(uint32_t seed);

    void setListener(CGameBoardListener* boardListener) { listener = boardListener; }
    // Forgets the listener if it is this one (a listener that goes away).
    void forgetListener(const CGameBoardListener* leaving);

    // Takes the held left, right and down keys; called at the start of every step.
    void pollKeys(const HeldKeys& keys);
    // A press of Left (-1) or Right (+1): one column, however quickly the
    // presses follow each other. A press during a slide waits for it to end
    // and is then carried out (or dropped against a wall or the stack, as a
    // held key's slide would be); the press that starts a slide is the one
    // a held key's slide begins with. Only a running game takes presses.
    void pressSlide(int direction);
    static constexpr int MaxWaitingSlides = 9;

    // Every game starts at level 1 with an empty grid.
    void newGame();
    // One fixed step of sliding, falling, landing and locking (dt is 0.01 s).
    void step(float dt);
    // Turns the falling piece if it fits turned; no kicks.
    bool tryRotate(int direction);
    void levelUp();
    void addScore(int points);
    // The pause key: a running game stops, a stopped one runs on.
    void togglePause() { running = !running; }

    // What the piece would run into where it stands: ContactFree when it
    // fits, else the wall (or floor) or a locked cell. Asks, never changes it.
    PieceContact contactAt(const CPiece& piece) const;
    bool fits(const CPiece& piece) const { return contactAt(piece) == ContactFree; }
    // The steps of a lock, in the order lockPiece runs them.
    void stamp(const CPiece& piece);
    void lockPiece();
    void clearFullRows();
    void spawnNext();

    // ---- what others read ------------------------------------------------------
    bool isRunning() const { return running; }
    int score() const { return points; }
    int rows() const { return rowsCleared; }
    int level() const { return currentLevel; }
    float levelSpeed() const { return levelFallSpeed; } // rows per second at this level
    float restingTime() const { return lockTimer; }      // seconds since the piece last fell freely
    const BoardMotion& motion() const { return carried; }
    const CPiece* current() const { return falling.get(); }
    const CPiece* next() const { return waiting.get(); }
    // Where the falling piece's cells would come to rest if it dropped now,
    // in its cell order: in the column a slide under way ends in, on the
    // lowest whole row it can fall to. Empty without a falling piece.
    std::vector<CellPosition> landingCells() const;
    // Grid cell (column, row); 0 is empty, anything else an ARGB colour.
    static int cellIndex(int column, int row) { return column * BoardRows + row; }
    uint32_t cell(int column, int row) const { return grid[static_cast<size_t>(cellIndex(column, row))]; }
    const std::array<uint32_t, BoardCells>& cells() const { return grid; }
    // The ten cells of a row, left to right; a row outside the well is empty.
    std::array<uint32_t, BoardColumns> rowColours(int row) const;

    // ---- the rules' random stream (pieces, the starting grid) ----------------------
    // Where it stands: a recording keeps it at the start of a game.
    const CRandom& random() const { return rules; }
    // A replay's start: the stream stands where it stood when the game began.
    void seedRandom(uint32_t state) { rules = CRandom(state); }
    // The stream itself, lent only to a replay of a game recorded when the
    // scenery drew from the rules' stream too.
    CRandom& sharedRandom() { return rules; }

    // ---- setting up a position (a replay's start, tests, the script driver) ------
    // The motion the game before left behind, as a recording kept it.
    void carryMotion(const BoardMotion& motion) { carried = motion; }
    void setCell(int column, int row, uint32_t colour) { grid[static_cast<size_t>(cellIndex(column, row))] = colour; }
    void setCells(const std::array<uint32_t, BoardCells>& colours) { grid = colours; }
    // No cell filled and no piece, falling or waiting.
    void emptyWell();
    // The piece becomes the falling (or the waiting) piece; returned so the
    // caller can put it where the position wants it. None takes the piece away.
    CPiece* placePiece(std::unique_ptr<CPiece> piece);
    CPiece* placeNextPiece(std::unique_ptr<CPiece> piece);

private:
    // The board's own tests look inside.
    friend struct GameBoardProbe;

    // What the piece would run into with its origin there, the piece left as it is.
    PieceContact contactAt(const CPiece& piece, CellPosition origin) const;
    void notify(const BoardEvent& event);
    BoardEvent event(BoardEventKind kind) const;
    // A move's fit test: a piece that does not fit where the move put it
    // keeps what it ran into as its contact.
    bool fitsNotingContact(CPiece& piece);
    bool rowIsFull(int row) const;
    void removeRow(int row);
    bool gridIsEmpty() const;
    void slide(CPiece& piece, float dt);
    // The first press waiting (-1 or +1), taken from the queue; 0 for none.
    int takeWaitingSlide();
    void fall(CPiece& piece, float dt);

    bool keyLeft = false;
    bool keyRight = false;
    bool keyDown = false;
    // Presses of Left and Right waiting for the slide under way to end, in
    // order: -1 left, +1 right.
    std::array<int8_t, MaxWaitingSlides> waitingSlides{};
    int waitingSlideCount = 0;
    float levelFallSpeed = 4.0f;
    float lockTimer = 0.0f;
    CGameBoardListener* listener = nullptr; // not owned
    bool running = false;
    int points = 0;
    int currentLevel = 1;
    int rowsCleared = 0;
    std::unique_ptr<CPiece> falling;
    std::unique_ptr<CPiece> waiting;
    std::array<uint32_t, BoardCells> grid{}; // column-major, row 0 at the top
    BoardMotion carried;
    CRandom rules;
};
