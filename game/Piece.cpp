#include "game/Piece.h"

#include <cmath>
#include <utility>

#include "game/Random.h"

namespace {

// The colour of each kind, 1..7: every kind has its own.
constexpr uint32_t KindColours[PieceKindCount] = {0xFFFF00FFu, 0xFFFFFF22u, 0xFF0000FFu, 0xFF00FF00u,
                                                  0xFF00FFFFu, 0xFFFF0000u, 0xFFFFAA00u};

} // namespace

CPiece::CPiece(std::vector<PieceCell> cells, uint32_t colour) : cells(std::move(cells)), colour(colour) {}

CellPosition CPiece::cellPositionAt(int i, CellPosition origin) const
{
    // Callers loop over the four cells; an index beyond them reads as the origin.
    if (i < 0 || static_cast<size_t>(i) >= cells.size())
        return origin;
    const PieceCell& cell = cells[static_cast<size_t>(i)];
    float dx = cell.dx;
    float dy = cell.dy;
    // With rows growing downward, each step of the rotation is a clockwise
    // quarter turn on screen. An unknown rotation reads as unturned.
    const float x0 = origin.x;
    const float y0 = origin.y;
    switch (rotation) {
    case 1: return {x0 - dy, y0 + dx};
    case 2: return {x0 - dx, y0 - dy};
    case 3: return {x0 + dy, y0 - dx};
    default: return {x0 + dx, y0 + dy};
    }
}

CRotatingPiece::CRotatingPiece(std::vector<PieceCell> cells, uint32_t colour)
    : CPiece(std::move(cells), colour)
{
}

void CRotatingPiece::rotate(int direction)
{
    rotation += direction;
    if (rotation == 4)
        rotation = 0;
    else if (rotation == -1)
        rotation = 3;
}

// The square's origin is its top-left cell.
CSquarePiece::CSquarePiece() : CPiece({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, KindColours[PieceKindSquare - 1]) {}

void CSquarePiece::rotate(int) {}

int pieceKindFromRandom(int r)
{
    // The scale is 1/32767 rounded to single precision, a hair below the exact
    // value, so that r = 32767 still lands on kind 7 rather than an eighth kind.
    // The products are formed in double precision.
    double kind = static_cast<double>(r) * static_cast<double>(RandomScale) * PieceKindCount;
    return static_cast<int>(std::trunc(kind)) + 1;
}

namespace {

std::unique_ptr<CPiece> buildPiece(int kind)
{
    const uint32_t colour = KindColours[kind - 1];
    switch (kind) {
    case 1: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {1, 1}}, colour);
    case 2: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {-1, 1}}, colour);
    case 3: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{1, 0}, {0, 0}, {0, 1}, {-1, 1}}, colour);
    case 4: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{-1, 0}, {0, 0}, {0, 1}, {1, 1}}, colour);
    case 5: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {1, 0}, {-1, 0}}, colour);
    case 6: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {0, 2}}, colour);
    default: return std::make_unique<CSquarePiece>();
    }
}
} // namespace

int pieceKindOfColour(uint32_t colour)
{
    for (int kind = 1; kind <= PieceKindCount; ++kind)
        if (KindColours[kind - 1] == colour)
            return kind;
    return 0;
}

std::unique_ptr<CPiece> createPiece(int kind)
{
    if (kind < 1 || kind > PieceKindCount)
        kind = PieceKindSquare;
    std::unique_ptr<CPiece> piece = buildPiece(kind);
    piece->kind = kind;
    return piece;
}

std::unique_ptr<CPiece> createRandomPiece(CRandom& random) { return createPiece(pieceKindFromRandom(random.randomInt())); }

