#include "Autoplayer.h"

#include <array>
#include <cmath>
#include <limits>

namespace {

using Occupied = std::array<bool, BoardCells>;

// The well after the piece dropped at its place, or false when it cannot stand there.
bool dropInto(const CGameBoard& board, CPiece& piece, Occupied& cells)
{
    if (!board.fits(piece))
        return false;
    while (true) {
        piece.y += 1.0f;
        if (!board.fits(piece)) {
            piece.y -= 1.0f;
            break;
        }
    }
    for (int i = 0; i < 4; ++i) {
        const CellPosition p = piece.cellPosition(i);
        const int column = static_cast<int>(std::lround(p.x));
        const int row = static_cast<int>(std::lround(p.y));
        if (row < 0)
            return false;
        cells[static_cast<size_t>(CGameBoard::cellIndex(column, row))] = true;
    }
    return true;
}

// Higher is better: rows completed, against height, holes and bumps.
double judge(const Occupied& cells)
{
    int full = 0;
    for (int row = 0; row < BoardRows; ++row) {
        bool isFull = true;
        for (int column = 0; column < BoardColumns; ++column)
            isFull = isFull && cells[static_cast<size_t>(CGameBoard::cellIndex(column, row))];
        full += isFull;
    }
    int heights = 0, holes = 0, bumps = 0, previous = -1;
    for (int column = 0; column < BoardColumns; ++column) {
        int height = 0;
        bool covered = false;
        for (int row = 0; row < BoardRows; ++row) {
            const bool filled = cells[static_cast<size_t>(CGameBoard::cellIndex(column, row))];
            if (filled && !covered) {
                height = BoardRows - row;
                covered = true;
            } else if (!filled && covered) {
                ++holes;
            }
        }
        heights += height;
        if (previous >= 0)
            bumps += std::abs(height - previous);
        previous = height;
    }
    return 0.76 * full - 0.51 * heights - 0.36 * holes - 0.18 * bumps;
}

} // namespace

void CAutoplayer::plan(const CGameBoard& board)
{
    const CPiece& piece = *board.current();
    planned = &piece;
    turnsTried = 0;
    targetRotation = piece.rotation;
    targetColumn = static_cast<int>(std::lround(piece.x));
    double best = -std::numeric_limits<double>::infinity();
    Occupied now{};
    for (int i = 0; i < BoardCells; ++i)
        now[static_cast<size_t>(i)] = board.cells()[static_cast<size_t>(i)] != 0;
    const int turns = piece.kind == PieceKindSquare ? 1 : 4;
    for (int turn = 0; turn < turns; ++turn) {
        for (int column = -2; column < BoardColumns + 2; ++column) {
            std::unique_ptr<CPiece> trial = createPiece(piece.kind);
            for (int t = 0; t < turn; ++t)
                trial->rotate(+1);
            trial->x = static_cast<float>(column);
            trial->y = std::floor(piece.y);
            Occupied after = now;
            if (!dropInto(board, *trial, after))
                continue;
            const double score = judge(after);
            if (score > best) {
                best = score;
                targetRotation = trial->rotation;
                targetColumn = column;
            }
        }
    }
}

AutoplayMove CAutoplayer::next(const CGameBoard& board)
{
    AutoplayMove move;
    if (!board.isRunning() || !board.current())
        return move;
    const CPiece& piece = *board.current();
    // A new piece is a new object, or (its memory reused) one back at the top.
    if (&piece != planned || piece.y < lastY - 0.5f)
        plan(board);
    lastY = piece.y;
    if (piece.rotation != targetRotation && turnsTried < 4) {
        ++turnsTried;
        move.turn = true;
        return move;
    }
    // Held, the piece slides on; let go, it stops at the next column.
    if (piece.x <= static_cast<float>(targetColumn) - 1.0f)
        move.right = true;
    else if (piece.x >= static_cast<float>(targetColumn) + 1.0f)
        move.left = true;
    else if (std::fabs(piece.x - static_cast<float>(targetColumn)) < 0.01f)
        move.down = true;
    return move;
}
