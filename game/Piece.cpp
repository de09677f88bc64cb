#include "game/Piece.h"

#include <cmath>
#include <utility>

#include "game/Random.h"

CPiece::CPiece(std::vector<PieceCell> cells, uint32_t colour) : cells(std::move(cells)), colour(colour) {}

CellPosition CPiece::cellPosition(int i) const
{
    // Callers loop over the four cells; an index beyond them reads as the origin.
    if (i < 0 || static_cast<size_t>(i) >= cells.size())
        return {x, y};
    const PieceCell& cell = cells[static_cast<size_t>(i)];
    float dx = cell.dx;
    float dy = cell.dy;
    // With rows growing downward, each step of the rotation is a clockwise
    // quarter turn on screen. An unknown rotation reads as unturned.
    switch (rotation) {
    case 1: return {x - dy, y + dx};
    case 2: return {x - dx, y - dy};
    case 3: return {x + dy, y - dx};
    default: return {x + dx, y + dy};
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
CSquarePiece::CSquarePiece() : CPiece({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0xFFFFAA00u) {}

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
    switch (kind) {
    case 1: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {1, 1}}, 0xFFFF00FFu);
    case 2: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {-1, 1}}, 0xFFFFFF22u);
    case 3: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{1, 0}, {0, 0}, {0, 1}, {-1, 1}}, 0xFF0000FFu);
    case 4: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{-1, 0}, {0, 0}, {0, 1}, {1, 1}}, 0xFF00FF00u);
    case 5: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {1, 0}, {-1, 0}}, 0xFF00FFFFu);
    case 6: return std::make_unique<CRotatingPiece>(std::vector<PieceCell>{{0, -1}, {0, 0}, {0, 1}, {0, 2}}, 0xFFFF0000u);
    default: return std::make_unique<CSquarePiece>();
    }
}
} // namespace

std::unique_ptr<CPiece> createPiece(int kind)
{
    if (kind < 1 || kind > PieceKindCount)
        kind = PieceKindSquare;
    std::unique_ptr<CPiece> piece = buildPiece(kind);
    piece->kind = kind;
    return piece;
}

std::unique_ptr<CPiece> createRandomPiece(CRandom& random) { return createPiece(pieceKindFromRandom(random.randomInt())); }

