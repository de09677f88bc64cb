#pragma once
// The falling tetromino: four cell offsets around an origin, a colour, a
// position on the board in fractional cells (a piece slides and falls
// smoothly between whole cells) and a quarter-turn state. Columns grow to
// the right, rows grow downward.
#include <cstdint>
#include <memory>
#include <vector>

// One offset of a piece's cell from the piece's origin.
struct PieceCell {
    float dx;
    float dy;
};

// A board position in fractional cells: column x, row y.
struct CellPosition {
    float x;
    float y;
};

// What the last failed fit test (or resting fall) ran into.
enum PieceContact {
    ContactFree = 0,
    ContactWall = 1,     // outside the walls or the floor, or resting
    ContactOccupied = 2, // overlapping a locked cell
};

constexpr int PieceKindCount = 7;
constexpr int PieceKindSquare = 7;
constexpr int PieceKindStraight = 6;

class CPiece {
public:
    virtual ~CPiece() = default;

    // Turns by a quarter: +1 clockwise on screen, -1 counter-clockwise.
    virtual void rotate(int direction) = 0;

    // Board position of cell i: its offset turned by the rotation, plus the origin.
    CellPosition cellPosition(int i) const { return cellPositionAt(i, {x, y}); }
    // The same with the origin elsewhere: where the cell would be.
    CellPosition cellPositionAt(int i, CellPosition origin) const;

    std::vector<PieceCell> cells; // always four
    int kind = 0;                 // 1..7, as createPiece names them
    float x = 0.0f;
    float y = 0.0f;
    uint32_t colour = 0;          // ARGB, stamped into the grid on locking
    int rotation = 0;             // 0..3
    int contact = ContactFree;
    bool landedReported = false;  // the board has announced that it came to rest

protected:
    CPiece(std::vector<PieceCell> cells, uint32_t colour);
};

// The six kinds that turn about their (0, 0) cell.
class CRotatingPiece : public CPiece {
public:
    CRotatingPiece(std::vector<PieceCell> cells, uint32_t colour);
    void rotate(int direction) override;
};

// The 2 x 2 square looks the same whichever way it faces, so it never turns.
class CSquarePiece : public CPiece {
public:
    CSquarePiece();
    void rotate(int direction) override;
};

// The kind whose colour this is (every kind has a colour of its own), or 0
// for a colour no kind has: a cell of the grid keeps only its colour.
int pieceKindOfColour(uint32_t colour);

class CRandom;

// Kind 1..7 builds that kind (L, J, S, Z, T, straight, square). Any other
// kind is a caller's mistake and builds the square rather than nothing.
std::unique_ptr<CPiece> createPiece(int kind);
// A piece of a kind drawn from the stream: one number, mapped by
// pieceKindFromRandom.
std::unique_ptr<CPiece> createRandomPiece(CRandom& random);

// The kind a random integer r (0..32767) chooses: every value maps to 1..7,
// kind 1 taking one value more than the others.
int pieceKindFromRandom(int r);
