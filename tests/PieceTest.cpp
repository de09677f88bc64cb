#include "game/Piece.h"

#include <array>
#include <cmath>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "game/Random.h"

namespace {
using Cells = std::set<std::pair<float, float>>;

Cells cellsOf(const CPiece& piece)
{
    Cells cells;
    for (int i = 0; i < static_cast<int>(piece.cells.size()); ++i) {
        CellPosition p = piece.cellPosition(i);
        cells.insert({p.x, p.y});
    }
    return cells;
}
}

TEST(Piece, KindsHaveTheirShapesAndColours)
{
    // Origin (0, 0): the L's foot sits at the lower right of its bar, the
    // square's origin is its top-left cell.
    auto l = createPiece(1);
    EXPECT_EQ(cellsOf(*l), (Cells{{0, -1}, {0, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(l->colour, 0xFFFF00FFu);
    auto square = createPiece(7);
    EXPECT_EQ(cellsOf(*square), (Cells{{0, 0}, {1, 0}, {1, 1}, {0, 1}}));
    EXPECT_EQ(square->colour, 0xFFFFAA00u);

    const std::array<uint32_t, 7> colours = {0xFFFF00FF, 0xFFFFFF22, 0xFF0000FF, 0xFF00FF00,
                                             0xFF00FFFF, 0xFFFF0000, 0xFFFFAA00};
    for (int kind = 1; kind <= 7; ++kind) {
        auto piece = createPiece(kind);
        EXPECT_EQ(piece->cells.size(), 4u);
        EXPECT_EQ(piece->colour, colours[static_cast<size_t>(kind - 1)]) << "kind " << kind;
        EXPECT_EQ(piece->rotation, 0);
        EXPECT_EQ(piece->contact, ContactFree);
        EXPECT_FALSE(piece->landedReported);
        EXPECT_EQ(piece->x, 0.0f);
        EXPECT_EQ(piece->y, 0.0f);
    }
}

TEST(Piece, RotationTurnsWrapsAndUndoes)
{
    auto straight = createPiece(6);
    straight->x = 4;
    straight->y = 5;
    Cells upright = cellsOf(*straight);

    // Turned twice it spans from two rows above its origin to one below.
    straight->rotate(1);
    straight->rotate(1);
    EXPECT_EQ(straight->rotation, 2);
    EXPECT_EQ(cellsOf(*straight), (Cells{{4, 6}, {4, 5}, {4, 4}, {4, 3}}));
    // Lying down across four columns: x-2..x+1 in rotation 1, x-1..x+2 in rotation 3.
    straight->rotate(-1);
    EXPECT_EQ(cellsOf(*straight), (Cells{{2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    straight->rotate(-1);
    straight->rotate(-1);
    EXPECT_EQ(straight->rotation, 3);
    EXPECT_EQ(cellsOf(*straight), (Cells{{3, 5}, {4, 5}, {5, 5}, {6, 5}}));
    straight->rotate(1);
    EXPECT_EQ(straight->rotation, 0);
    EXPECT_EQ(cellsOf(*straight), upright);

    // A clockwise turn on screen: the L's foot goes from lower right to lower left.
    auto l = createPiece(1);
    l->rotate(1);
    EXPECT_EQ(cellsOf(*l), (Cells{{1, 0}, {0, 0}, {-1, 0}, {-1, 1}}));

    for (int kind = 1; kind <= 6; ++kind) {
        for (int direction : {1, -1}) {
            auto piece = createPiece(kind);
            Cells start = cellsOf(*piece);
            for (int i = 0; i < 4; ++i) {
                piece->rotate(direction);
                if (i < 3) {
                    EXPECT_NE(cellsOf(*piece), start) << "kind " << kind;
                }
            }
            EXPECT_EQ(piece->rotation, 0);
            EXPECT_EQ(cellsOf(*piece), start);
            piece->rotate(direction);
            piece->rotate(-direction);
            EXPECT_EQ(cellsOf(*piece), start);
        }
    }

    // An unknown rotation reads as unturned; an unknown cell index as the origin.
    l->rotation = 7;
    EXPECT_EQ(cellsOf(*l), (Cells{{0, -1}, {0, 0}, {0, 1}, {1, 1}}));
    l->x = 3;
    EXPECT_EQ(l->cellPosition(4).x, 3.0f);
    EXPECT_EQ(l->cellPosition(-1).y, 0.0f);
}

TEST(Piece, SquareNeverTurns)
{
    auto square = createPiece(7);
    square->x = 2;
    square->y = 3;
    Cells start = cellsOf(*square);
    for (int direction : {1, 1, -1, 1, -1, -1, -1})
        square->rotate(direction);
    EXPECT_EQ(square->rotation, 0);
    EXPECT_EQ(cellsOf(*square), start);
}

TEST(Piece, FractionalOriginCarriesIntoEveryCell)
{
    auto z = createPiece(4);
    z->x = 4.3f;
    z->y = 7.25f;
    for (int rotation = 0; rotation < 4; ++rotation) {
        z->rotation = rotation;
        for (int i = 0; i < 4; ++i) {
            CellPosition p = z->cellPosition(i);
            EXPECT_FLOAT_EQ(p.x - std::floor(p.x), 4.3f - 4.0f);
            EXPECT_FLOAT_EQ(p.y - std::floor(p.y), 0.25f);
        }
    }
}

TEST(Piece, RandomKindCoversSevenKindsEvenly)
{
    EXPECT_EQ(pieceKindFromRandom(0), 1);
    EXPECT_EQ(pieceKindFromRandom(4681), 1);
    EXPECT_EQ(pieceKindFromRandom(4682), 2);
    EXPECT_EQ(pieceKindFromRandom(32767), 7);

    std::array<int, 9> count{};
    for (int r = 0; r <= RandomMax; ++r) {
        int kind = pieceKindFromRandom(r);
        ASSERT_GE(kind, 1);
        ASSERT_LE(kind, 7);
        ++count[static_cast<size_t>(kind)];
    }
    EXPECT_EQ(count[1], 4682);
    for (int kind = 2; kind <= 7; ++kind)
        EXPECT_EQ(count[static_cast<size_t>(kind)], 4681) << "kind " << kind;
}

TEST(Piece, RandomKindDrawsOneNumberFromTheStreamAndABadKindIsTheSquare)
{
    for (uint32_t seed : {77u, 78u, 4242u}) {
        CRandom random(seed);
        CRandom expected(seed);
        auto piece = createRandomPiece(random);
        const int kind = pieceKindFromRandom(expected.randomInt());
        EXPECT_EQ(piece->kind, kind) << "seed " << seed;
        EXPECT_EQ(piece->colour, createPiece(kind)->colour) << "seed " << seed;
        EXPECT_EQ(random.state(), expected.state()) << "one draw, seed " << seed;
    }
    // A kind out of range is a caller's mistake: the square rather than nothing.
    for (int kind : {-1, 0, 8, 1000})
        EXPECT_EQ(createPiece(kind)->kind, PieceKindSquare) << "kind " << kind;
}
