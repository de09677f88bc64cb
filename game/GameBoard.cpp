#include "game/GameBoard.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float SlideSpeed = 10.0f;     // columns per second
constexpr float FastFallLimit = 25.0f;  // rows per second with the down arrow
constexpr float StartSpeed = 4.0f;      // rows per second at level 1
constexpr int RowsPerLevel = 15;
constexpr int PiecePoints = 10;
constexpr int EmptyBoardBonus = 300;

int pointsForRows(int n)
{
    switch (n) {
    case 0: return 0;
    case 1: return 100;
    case 2: return 220;
    case 3: return 400;
    default: return 800;
    }
}
}

CGameBoard::CGameBoard(uint32_t seed) : rules(seed)
{
    // A random 24-bit colour per cell with a zero alpha byte; a 0 leaves the cell empty.
    for (uint32_t& c : grid)
        c = static_cast<uint32_t>(std::floor(static_cast<double>(rules.randomUnit()) * 16777215.0));
}

void CGameBoard::pollKeys(const HeldKeys& keys)
{
    keyLeft = keys.left;
    keyRight = keys.right;
    keyDown = keys.down;
}

void CGameBoard::pressSlide(int direction)
{
    if (!running || !falling || direction == 0 || waitingSlideCount == MaxWaitingSlides)
        return;
    waitingSlides[static_cast<size_t>(waitingSlideCount++)] = static_cast<int8_t>(direction < 0 ? -1 : 1);
}

int CGameBoard::takeWaitingSlide()
{
    if (waitingSlideCount == 0)
        return 0;
    const int direction = waitingSlides[0];
    std::copy(waitingSlides.begin() + 1, waitingSlides.begin() + waitingSlideCount, waitingSlides.begin());
    --waitingSlideCount;
    return direction;
}

void CGameBoard::newGame()
{
    waitingSlideCount = 0;
    currentLevel = 1;
    levelFallSpeed = StartSpeed;
    lockTimer = 0.0f;
    rowsCleared = 0;
    points = 0;
    running = true;
    grid.fill(0);
    // The spawn promotes this piece and draws the one after it. A piece left
    // over from an abandoned game goes with it; no fit test at the start.
    waiting = createRandomPiece(rules);
    spawnNext();
}

void CGameBoard::step(float dt)
{
    if (!running || !falling)
        return;
    CPiece& piece = *falling;

    // Left wins when both arrows are held; with neither, a slide under way
    // carries on to the waiting column boundary. A piece at rest takes the
    // first press waiting; a held key's slide starts with its own press.
    const bool wasSliding = carried.slideVelocity != 0.0f;
    if (keyLeft)
        carried.slideVelocity = -SlideSpeed;
    else if (keyRight)
        carried.slideVelocity = SlideSpeed;
    if (!wasSliding) {
        const int pressed = takeWaitingSlide();
        if (pressed != 0 && !keyLeft && !keyRight)
            carried.slideVelocity = static_cast<float>(pressed) * SlideSpeed;
    }

    // The down arrow ramps the fall up by one row per second each step until
    // it passes 25, then holds it at 25/26; at levels faster than that the
    // arrow slows the fall.
    if (keyDown)
        carried.fallSpeed = carried.fallSpeed > FastFallLimit ? FastFallLimit : carried.fallSpeed + 1.0f;
    else
        carried.fallSpeed = levelFallSpeed;

    slide(piece, dt);
    fall(piece, dt);

    // A piece that has rested for the time its currentLevel takes to fall one row
    // gets one more try to fall; if that fails too, it locks. A sliding piece
    // never locks.
    if (carried.slideVelocity == 0.0f && lockTimer >= 1.0f / levelFallSpeed) {
        piece.y += carried.fallSpeed * dt;
        if (!fitsNotingContact(piece))
            lockPiece(); // replaces the falling piece
    }

    CPiece& now = *falling;
    if (now.contact != ContactFree && !now.landedReported) {
        BoardEvent landed = event(BoardEventKind::PieceLanded);
        for (int i = 0; i < static_cast<int>(landed.cells.size()); ++i)
            landed.cells[static_cast<size_t>(i)] = now.cellPosition(i);
        landed.colour = now.colour;
        notify(landed);
        now.landedReported = true;
    }
}

// Each press moves the piece exactly one column: the slide stops on the
// waiting column boundary, even if the key was let go midway. Snapping back
// to ceil(old) or floor(old) lands on a column the piece already partly
// covered, so the snapped position fits.
void CGameBoard::slide(CPiece& piece, float dt)
{
    if (carried.slideVelocity > 0.0f) {
        float old = piece.x;
        piece.x += carried.slideVelocity * dt;
        if (!fitsNotingContact(piece)) {
            carried.slideVelocity = 0.0f;
            piece.x = std::ceil(old);
        }
        if (std::floor(piece.x) > old) {
            carried.slideVelocity = 0.0f;
            piece.x = std::ceil(old);
        }
    } else if (carried.slideVelocity < 0.0f) {
        float old = piece.x;
        piece.x += carried.slideVelocity * dt;
        if (std::ceil(piece.x) < old) {
            carried.slideVelocity = 0.0f;
            piece.x = std::floor(old);
        }
        if (!fitsNotingContact(piece)) {
            carried.slideVelocity = 0.0f;
            piece.x = std::floor(old);
        }
    }
}

void CGameBoard::fall(CPiece& piece, float dt)
{
    float old = piece.y;
    piece.y += carried.fallSpeed * dt;
    if (!fitsNotingContact(piece)) {
        piece.y = std::ceil(old);
        piece.contact = ContactWall;
        lockTimer += dt;
    } else {
        lockTimer = 0.0f;
        piece.contact = ContactFree;
        piece.landedReported = false;
    }
}

bool CGameBoard::tryRotate(int direction)
{
    if (!falling)
        return false;
    int old = falling->rotation;
    falling->rotate(direction);
    if (fitsNotingContact(*falling)) {
        notify(event(BoardEventKind::PieceTurned));
        return true;
    }
    falling->rotation = old; // the contact from the failed test stays
    return false;
}

void CGameBoard::levelUp()
{
    ++currentLevel;
    levelFallSpeed = static_cast<float>(levelFallSpeed * 1.1);
    notify(event(BoardEventKind::LevelUp));
}

void CGameBoard::addScore(int added)
{
    points += added;
    BoardEvent changed = event(BoardEventKind::ScoreChanged);
    changed.points = added;
    notify(changed);
}

// A cell between two columns (or rows) covers both. There is no ceiling:
// a cell above the grid (row position -1 or less, which only the straight
// piece turned upright at row 1 can reach) counts as free, since nothing
// is ever locked up there; the stamp drops it.
PieceContact CGameBoard::contactAt(const CPiece& piece) const { return contactAt(piece, {piece.x, piece.y}); }

PieceContact CGameBoard::contactAt(const CPiece& piece, CellPosition origin) const
{
    for (int i = 0; i < static_cast<int>(piece.cells.size()); ++i) {
        const CellPosition p = piece.cellPositionAt(i, origin);
        if (p.x > BoardColumns - 1 || p.x < 0.0f || p.y > BoardRows - 1)
            return ContactWall;
        int column = static_cast<int>(std::trunc(p.x));
        int row = static_cast<int>(std::trunc(p.y));
        int nx = (p.x - std::trunc(p.x) > 0.0f && p.x < BoardColumns - 1) ? 2 : 1;
        int ny = (p.y - std::trunc(p.y) > 0.0f && p.y < BoardRows - 1) ? 2 : 1;
        for (int a = 0; a < nx; ++a) {
            for (int b = 0; b < ny; ++b) {
                if (row + b < 0)
                    continue;
                if (cell(column + a, row + b) != 0)
                    return ContactOccupied;
            }
        }
    }
    return ContactFree;
}

bool CGameBoard::fitsNotingContact(CPiece& piece)
{
    const PieceContact contact = contactAt(piece);
    if (contact != ContactFree)
        piece.contact = contact;
    return contact == ContactFree;
}

// The fall rests a piece on a whole row (the row it fell from, rounded down
// the well), and between two whole rows a piece covers both: it comes to rest
// on the last whole row before the first that it does not fit in. A slide
// under way carries on to its column whatever the keys do, and a piece that
// fitted on its way there fits in it.
std::vector<CellPosition> CGameBoard::landingCells() const
{
    std::vector<CellPosition> landed;
    if (!falling)
        return landed;
    const CPiece& piece = *falling;
    CellPosition rest{piece.x, std::ceil(piece.y)};
    if (carried.slideVelocity > 0.0f)
        rest.x = std::ceil(piece.x);
    else if (carried.slideVelocity < 0.0f)
        rest.x = std::floor(piece.x);
    if (contactAt(piece, rest) != ContactFree) {
        rest.y = piece.y; // it cannot fall even to the next whole row: it rests where it is
    } else {
        // No piece falls further than the well is deep.
        for (int row = 0; row < BoardRows && contactAt(piece, {rest.x, rest.y + 1.0f}) == ContactFree; ++row)
            rest.y += 1.0f;
    }
    for (int i = 0; i < static_cast<int>(piece.cells.size()); ++i)
        landed.push_back(piece.cellPositionAt(i, rest));
    return landed;
}

void CGameBoard::stamp(const CPiece& piece)
{
    for (int i = 0; i < static_cast<int>(piece.cells.size()); ++i) {
        CellPosition p = piece.cellPosition(i);
        int column = static_cast<int>(std::trunc(p.x));
        int row = static_cast<int>(std::trunc(p.y));
        // Only a cell above the grid can fall outside it here; it is dropped.
        if (column < 0 || column >= BoardColumns || row < 0 || row >= BoardRows)
            continue;
        grid[static_cast<size_t>(cellIndex(column, row))] = piece.colour;
    }
}

void CGameBoard::lockPiece()
{
    stamp(*falling);
    clearFullRows();
    spawnNext();
    notify(event(BoardEventKind::NewPiece));
    // The new piece stays where it was placed, overlapping the stack, and the
    // grid stays as it is until the waiting game.
    if (!fitsNotingContact(*falling)) {
        notify(event(BoardEventKind::GameOver));
        running = false;
    }
}

// Rows are scanned once from the top. Rows that move down into the scanned
// part were already found not full, so none is missed.
void CGameBoard::clearFullRows()
{
    int cleared = 0;
    for (int row = 0; row < BoardRows; ++row) {
        if (!rowIsFull(row))
            continue;
        ++cleared;
        ++rowsCleared;
        if (rowsCleared % RowsPerLevel == 0)
            levelUp();
        BoardEvent clearedRow = event(BoardEventKind::RowCleared);
        clearedRow.row = row;
        clearedRow.rowColours = rowColours(row);
        notify(clearedRow);
        removeRow(row);
    }
    // The score is announced even for a lock that cleared nothing.
    addScore(pointsForRows(cleared));
    if (cleared == 0)
        return;
    BoardEvent lock = event(BoardEventKind::RowsCleared);
    lock.count = cleared;
    notify(lock);
    if (gridIsEmpty()) {
        addScore(EmptyBoardBonus);
        BoardEvent emptied = event(BoardEventKind::BoardEmptied);
        emptied.points = EmptyBoardBonus;
        notify(emptied);
    }
}

void CGameBoard::spawnNext()
{
    // Presses meant for the piece that locked do not move the next one.
    waitingSlideCount = 0;
    addScore(PiecePoints);
    if (!waiting)
        waiting = createRandomPiece(rules);
    falling = std::move(waiting);
    falling->x = 5.0f;
    falling->y = 1.0f;
    falling->rotation = 0;
    falling->contact = ContactFree;
    falling->landedReported = false;

    // Shown five columns to the left of the well.
    waiting = createRandomPiece(rules);
    waiting->x = -5.0f;
    waiting->y = 0.0f;
    waiting->rotation = 0;
}

BoardEvent CGameBoard::event(BoardEventKind kind) const
{
    BoardEvent made{kind};
    made.score = points;
    made.rows = rowsCleared;
    made.level = currentLevel;
    return made;
}

void CGameBoard::notify(const BoardEvent& event)
{
    if (listener)
        listener->onBoardEvent(event);
}

void CGameBoard::forgetListener(const CGameBoardListener* leaving)
{
    if (listener == leaving)
        listener = nullptr;
}

CPiece* CGameBoard::placePiece(std::unique_ptr<CPiece> piece)
{
    falling = std::move(piece);
    return falling.get();
}

CPiece* CGameBoard::placeNextPiece(std::unique_ptr<CPiece> piece)
{
    waiting = std::move(piece);
    return waiting.get();
}

void CGameBoard::emptyWell()
{
    grid.fill(0);
    falling.reset();
    waiting.reset();
}

std::array<uint32_t, BoardColumns> CGameBoard::rowColours(int row) const
{
    std::array<uint32_t, BoardColumns> colours{};
    if (row < 0 || row >= BoardRows)
        return colours;
    for (int column = 0; column < BoardColumns; ++column)
        colours[static_cast<size_t>(column)] = cell(column, row);
    return colours;
}

bool CGameBoard::rowIsFull(int row) const
{
    for (int column = 0; column < BoardColumns; ++column) {
        if (cell(column, row) == 0)
            return false;
    }
    return true;
}

// Every row above moves down one; row 0 becomes empty.
void CGameBoard::removeRow(int row)
{
    for (int column = 0; column < BoardColumns; ++column) {
        auto top = grid.begin() + cellIndex(column, 0);
        std::copy_backward(top, top + row, top + row + 1);
        *top = 0;
    }
}

bool CGameBoard::gridIsEmpty() const
{
    return std::all_of(grid.begin(), grid.end(), [](uint32_t c) { return c == 0; });
}
