#include "game/GameBoard.h"

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "game/Random.h"

// The board's own tests look inside it: the white-box set-ups and readings
// that no other part of the game may do.
struct GameBoardProbe {
    static HeldKeys keys(const CGameBoard& board) { return {board.keyLeft, board.keyRight, board.keyDown}; }
    static void setRunning(CGameBoard& board, bool running) { board.running = running; }
    static void setRows(CGameBoard& board, int rows) { board.rowsCleared = rows; }
    static void setLevelSpeed(CGameBoard& board, float speed) { board.levelFallSpeed = speed; }
    static void setFallSpeed(CGameBoard& board, float speed) { board.carried.fallSpeed = speed; }
    static void setLockTimer(CGameBoard& board, float seconds) { board.lockTimer = seconds; }
};

namespace {
using enum BoardEventKind;
using Event = std::pair<BoardEventKind, int>;
using Events = std::vector<Event>;

// The one number each kind of event is compared by here.
int numberOf(const BoardEvent& event)
{
    switch (event.kind) {
    case ScoreChanged:
    case GameOver: return event.score;
    case RowCleared: return event.row;
    case BoardEmptied: return event.points;
    case RowsCleared: return event.count;
    case LevelUp: return event.level;
    case PieceLanded: return 1;
    default: return 0;
    }
}

// Records every event; on RowCleared it also notes whether the row's colours
// it carries are the full row's (the debris takes its colours from them).
class RecordingListener : public CGameBoardListener {
public:
    void onBoardEvent(const BoardEvent& event) override
    {
        events.push_back({event.kind, numberOf(event)});
        if (event.kind == RowCleared && board) {
            bool full = true;
            for (int column = 0; column < BoardColumns; ++column)
                full = full && event.rowColours[static_cast<size_t>(column)] != 0 &&
                       event.rowColours[static_cast<size_t>(column)] == board->cell(column, event.row);
            rowsFullWhenAnnounced.push_back(full);
        }
        if (event.kind == PieceLanded)
            landings.push_back(event);
    }
    int count(BoardEventKind type) const
    {
        int n = 0;
        for (const Event& e : events)
            n += e.first == type;
        return n;
    }

    const CGameBoard* board = nullptr;
    Events events;
    std::vector<bool> rowsFullWhenAnnounced;
    std::vector<BoardEvent> landings;
};

enum Key { Left, Right, Down, Up };

// The keys a test holds, as the flow hands them to the board.
class ScriptedKeys {
public:
    HeldKeys state() const { return {held.count(Left) != 0, held.count(Right) != 0, held.count(Down) != 0}; }
    std::set<Key> held;
};
constexpr uint32_t Grey = 0xFF808080u;
constexpr float Dt = 0.01f;

// A game in progress on an empty grid, with the events of the start forgotten.
class Board : public ::testing::Test {
protected:
    Board() : board(1234)
    {
        listener.board = &board;
        board.setListener(&listener);
        board.newGame();
        listener.events.clear();
    }

    CPiece& place(int kind, float x, float y, int rotation = 0)
    {
        CPiece& piece = *board.placePiece(createPiece(kind));
        piece.x = x;
        piece.y = y;
        piece.rotation = rotation;
        return piece;
    }
    void set(int column, int row, uint32_t colour = Grey) { board.setCell(column, row, colour); }
    // Fills a row except the columns from gapFrom to gapTo.
    void fillRow(int row, int gapFrom = -1, int gapTo = -1)
    {
        for (int column = 0; column < BoardColumns; ++column) {
            if (column < gapFrom || column > gapTo)
                set(column, row);
        }
    }
    void step(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            board.pollKeys(keys.state());
            board.step(Dt);
        }
    }
    int filledCells() const
    {
        int n = 0;
        for (uint32_t c : board.cells())
            n += c != 0;
        return n;
    }

    CGameBoard board;
    RecordingListener listener;
    ScriptedKeys keys;
};
}

TEST(BoardStart, FillsTheGridWithRandomColoursAndWaits)
{
    CGameBoard board(99);
    CRandom random(99);
    for (int i = 0; i < BoardCells; ++i) {
        uint32_t expected = static_cast<uint32_t>(std::floor(random.randomUnit() * 16777215.0));
        ASSERT_EQ(board.cells()[static_cast<size_t>(i)], expected) << "cell " << i;
        ASSERT_LT(board.cells()[static_cast<size_t>(i)], 0x1000000u);
    }
    EXPECT_FALSE(board.isRunning());
    EXPECT_EQ(board.level(), 1);
    EXPECT_EQ(board.score(), 0);
    EXPECT_EQ(board.rows(), 0);
    EXPECT_FALSE(board.current());
    EXPECT_FALSE(board.next());

    // Stepping or turning before any game is harmless, even if running was switched on.
    GameBoardProbe::setRunning(board, true);
    board.step(Dt);
    EXPECT_FALSE(board.tryRotate(1));
}

TEST(BoardStart, NewGameSpawnsTheFirstPieceForTenPoints)
{
    CGameBoard board(5);
    RecordingListener listener;
    board.setListener(&listener);
    board.levelUp();
    GameBoardProbe::setRows(board, 40);
    listener.events.clear();

    board.newGame();
    EXPECT_EQ(listener.events, (Events{{ScoreChanged, 10}}));
    EXPECT_TRUE(board.isRunning());
    EXPECT_EQ(board.score(), 10);
    EXPECT_EQ(board.level(), 1);
    EXPECT_EQ(board.levelSpeed(), 4.0f);
    EXPECT_EQ(board.rows(), 0);
    for (uint32_t c : board.cells())
        ASSERT_EQ(c, 0u);
    EXPECT_EQ(board.current()->x, 5.0f);
    EXPECT_EQ(board.current()->y, 1.0f);
    EXPECT_EQ(board.next()->x, -5.0f);
    EXPECT_EQ(board.next()->y, 0.0f);

    // The square sits with its top-left cell on the spawn point.
    board.placeNextPiece(createPiece(PieceKindSquare));
    board.spawnNext();
    std::set<std::pair<float, float>> cells;
    for (int i = 0; i < 4; ++i)
        cells.insert({board.current()->cellPosition(i).x, board.current()->cellPosition(i).y});
    EXPECT_EQ(cells, (std::set<std::pair<float, float>>{{5, 1}, {6, 1}, {5, 2}, {6, 2}}));
}

TEST_F(Board, ReadsTheArrowKeys)
{
    keys.held = {Left, Down};
    board.pollKeys(keys.state());
    EXPECT_TRUE(GameBoardProbe::keys(board).left);
    EXPECT_FALSE(GameBoardProbe::keys(board).right);
    EXPECT_TRUE(GameBoardProbe::keys(board).down);
    keys.held = {Right, Up};
    board.pollKeys(keys.state());
    EXPECT_FALSE(GameBoardProbe::keys(board).left);
    EXPECT_TRUE(GameBoardProbe::keys(board).right);
    EXPECT_FALSE(GameBoardProbe::keys(board).down);
}

TEST_F(Board, FitTestCoversBothNeighboursOfAFraction)
{
    set(4, 10);
    CPiece& square = place(PieceKindSquare, 2.5f, 9);
    EXPECT_FALSE(board.fits(square)); // its right column at 3.5 covers column 4
    EXPECT_EQ(board.contactAt(square), ContactOccupied);
    square.x = 2;
    EXPECT_TRUE(board.fits(square));
    square.x = 4;
    square.y = 7.5f; // rows 7.5 and 8.5 cover 7..9
    EXPECT_TRUE(board.fits(square));
    square.y = 8.5f;
    EXPECT_FALSE(board.fits(square));

    // The walls and the floor: whole positions on the edge fit, a hair beyond does not.
    square.x = 8;
    square.y = 18;
    EXPECT_EQ(board.contactAt(square), ContactFree);
    square.x = 8.001f;
    EXPECT_EQ(board.contactAt(square), ContactWall);
    EXPECT_EQ(square.contact, ContactFree) << "asking changes nothing";
    square.x = 8;
    square.y = 18.001f;
    EXPECT_FALSE(board.fits(square));
    square.x = -0.001f;
    square.y = 5;
    EXPECT_FALSE(board.fits(square));

    // A row position between -1 and 0 addresses row 0.
    set(6, 0);
    CPiece& straight = place(PieceKindStraight, 6, 0.5f);
    EXPECT_FALSE(board.fits(straight));
}

TEST_F(Board, SlidesOneColumnPerPressAndStopsAtTheWall)
{
    CPiece& piece = place(PieceKindSquare, 3, 2);
    keys.held = {Right};
    step();
    keys.held.clear();
    step(12);
    EXPECT_EQ(piece.x, 4.0f);
    EXPECT_EQ(board.motion().slideVelocity, 0.0f);

    keys.held = {Left, Right}; // left wins
    step();
    keys.held.clear();
    step(12);
    EXPECT_EQ(piece.x, 3.0f);

    // Against the right wall the first fractional step fails and snaps back;
    // the next free fall clears the contact, so the wall alone never lands it.
    piece.x = 8;
    keys.held = {Right};
    for (int i = 0; i < 20; ++i) {
        step();
        EXPECT_EQ(piece.x, 8.0f);
    }
    EXPECT_EQ(listener.count(PieceLanded), 0);
    EXPECT_EQ(piece.contact, ContactFree);
}

// Presses made during a slide wait for it and are carried out in order; a
// held key's slide starts with its own press; presses against the wall are
// dropped; a paused game takes none and a new piece starts with none.
TEST_F(Board, EveryPressIsAColumnHoweverQuicklyTheyFollow)
{
    CPiece& piece = place(PieceKindSquare, 3, 2);
    board.pressSlide(+1);
    step(2);
    board.pressSlide(+1);
    board.pressSlide(-1);
    board.pressSlide(+1);
    step(60);
    EXPECT_EQ(piece.x, 5.0f);

    keys.held = {Left};
    board.pressSlide(-1);
    step(15); // held for one and a half slides: two columns
    keys.held.clear();
    step(30);
    EXPECT_EQ(piece.x, 3.0f);

    piece.x = 8;
    for (int i = 0; i < 4; ++i)
        board.pressSlide(+1);
    board.pressSlide(-1);
    step(60);
    EXPECT_EQ(piece.x, 7.0f);

    board.togglePause();
    board.pressSlide(-1);
    board.togglePause();
    step(30);
    EXPECT_EQ(piece.x, 7.0f);
    for (int i = 0; i < 2 * CGameBoard::MaxWaitingSlides; ++i)
        board.pressSlide(-1);
    board.spawnNext();
    const float spawned = board.current()->x;
    step(30);
    EXPECT_EQ(board.current()->x, spawned);
}

TEST_F(Board, RestingPieceLocksAfterTheTimeOfOneRow)
{
    CPiece* square = &place(PieceKindSquare, 0, 18);
    step(24);
    EXPECT_EQ(board.current(), square);
    EXPECT_EQ(listener.events, (Events{{PieceLanded, 1}})); // once per rest
    // The landing carries where the cells rest and their colour.
    ASSERT_EQ(listener.landings.size(), 1u);
    EXPECT_EQ(listener.landings[0].colour, square->colour);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(listener.landings[0].cells[static_cast<size_t>(i)].x, square->cellPosition(i).x);
        EXPECT_EQ(listener.landings[0].cells[static_cast<size_t>(i)].y, square->cellPosition(i).y);
    }
    EXPECT_EQ(filledCells(), 0);

    step(); // the 25th resting step at level 1 (0.25 s)
    EXPECT_NE(board.current(), square);
    EXPECT_EQ(board.cell(0, 18), 0xFFFFAA00u);
    EXPECT_EQ(board.cell(1, 18), 0xFFFFAA00u);
    EXPECT_EQ(board.cell(0, 19), 0xFFFFAA00u);
    EXPECT_EQ(board.cell(1, 19), 0xFFFFAA00u);
    EXPECT_EQ(filledCells(), 4);
    // No rows: the unchanged score is announced, then the spawn's ten points.
    EXPECT_EQ(listener.events, (Events{{PieceLanded, 1}, {ScoreChanged, 10}, {ScoreChanged, 20}, {NewPiece, 0}}));
}

TEST_F(Board, SlidingPieceDoesNotLock)
{
    place(PieceKindSquare, 0, 18);
    keys.held = {Right};
    step(25);
    EXPECT_EQ(listener.count(NewPiece), 0); // rested long enough, but still moving
    int steps = 25;
    while (listener.count(NewPiece) == 0 && steps < 200) {
        step();
        ++steps;
    }
    // It locks on the step that finishes a column.
    EXPECT_EQ(listener.count(NewPiece), 1);
    EXPECT_EQ(filledCells(), 4);
    EXPECT_NE(board.cell(3, 19), 0u);
    EXPECT_NE(board.cell(4, 19), 0u);
}

TEST_F(Board, DownArrowRampsTheFallAndCapsIt)
{
    GameBoardProbe::setFallSpeed(board, 4);
    keys.held = {Down};
    std::vector<float> speeds;
    for (int i = 0; i < 24; ++i) {
        step();
        speeds.push_back(board.motion().fallSpeed);
    }
    EXPECT_EQ(speeds[0], 5.0f);
    EXPECT_EQ(speeds[20], 25.0f);
    EXPECT_EQ(speeds[21], 26.0f);
    EXPECT_EQ(speeds[22], 25.0f);
    EXPECT_EQ(speeds[23], 26.0f);
    keys.held.clear();
    step();
    EXPECT_EQ(board.motion().fallSpeed, 4.0f);

    // Faster levels fall slower with the arrow held.
    GameBoardProbe::setLevelSpeed(board, 40);
    GameBoardProbe::setFallSpeed(board, 40);
    keys.held = {Down};
    step();
    EXPECT_EQ(board.motion().fallSpeed, 25.0f);
}

TEST_F(Board, RotationIsRefusedWithoutRoom)
{
    CPiece& straight = place(PieceKindStraight, 0, 5);
    EXPECT_FALSE(board.tryRotate(1)); // lying down it would reach column -2
    EXPECT_EQ(straight.rotation, 0);
    EXPECT_EQ(straight.contact, ContactWall);
    straight.x = 4;
    EXPECT_TRUE(board.tryRotate(1));
    EXPECT_EQ(straight.rotation, 1);
    set(4, 6);
    EXPECT_FALSE(board.tryRotate(1)); // upside down it would cover (4, 6)
    EXPECT_EQ(straight.rotation, 1);
    EXPECT_EQ(straight.contact, ContactOccupied);
}

TEST_F(Board, ClearsRowsTopDownThenScores)
{
    for (int row = 17; row <= 19; ++row)
        fillRow(row, 0, 0);
    set(5, 16, 0xFF123456u);
    place(PieceKindStraight, 0, 17); // rows 16..19 of column 0
    board.lockPiece();

    EXPECT_EQ(listener.events, (Events{{RowCleared, 17}, {RowCleared, 18}, {RowCleared, 19}, {ScoreChanged, 410},
                                       {RowsCleared, 3}, {ScoreChanged, 420}, {NewPiece, 0}}));
    EXPECT_EQ(listener.rowsFullWhenAnnounced, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(board.rows(), 3);
    EXPECT_EQ(board.level(), 1);
    // Row 16 came down three rows; nothing else is left.
    EXPECT_EQ(board.cell(0, 19), 0xFFFF0000u);
    EXPECT_EQ(board.cell(5, 19), 0xFF123456u);
    EXPECT_EQ(filledCells(), 2);
}

TEST_F(Board, FifteenthRowLevelsUpOnce)
{
    GameBoardProbe::setRows(board, 13);
    for (int row = 16; row <= 19; ++row)
        fillRow(row, 0, 0);
    set(3, 10);
    place(PieceKindStraight, 0, 17);
    board.lockPiece();

    EXPECT_EQ(listener.events,
              (Events{{RowCleared, 16}, {LevelUp, 2}, {RowCleared, 17}, {RowCleared, 18}, {RowCleared, 19},
                      {ScoreChanged, 810}, {RowsCleared, 4}, {ScoreChanged, 820}, {NewPiece, 0}}));
    EXPECT_EQ(board.rows(), 17);
    EXPECT_EQ(board.level(), 2);
    EXPECT_EQ(board.levelSpeed(), static_cast<float>(4.0f * 1.1));
}

TEST_F(Board, EmptiedBoardEarnsItsBonus)
{
    fillRow(19, 0, 3);
    place(PieceKindStraight, 2, 19, 1); // lying across columns 0..3
    board.lockPiece();
    EXPECT_EQ(listener.events, (Events{{RowCleared, 19}, {ScoreChanged, 110}, {RowsCleared, 1}, {ScoreChanged, 410},
                                       {BoardEmptied, 300}, {ScoreChanged, 420}, {NewPiece, 0}}));
    EXPECT_EQ(board.score(), 420);
}

TEST_F(Board, ClearedRowEmptiesTheTopRow)
{
    set(3, 0, 0xFF0000AAu);
    set(7, 4, 0xFF0000BBu);
    fillRow(5);
    board.clearFullRows();
    for (int column = 0; column < BoardColumns; ++column)
        EXPECT_EQ(board.cell(column, 0), 0u);
    EXPECT_EQ(board.cell(3, 1), 0xFF0000AAu);
    EXPECT_EQ(board.cell(7, 5), 0xFF0000BBu);
    EXPECT_EQ(filledCells(), 2);
}

TEST_F(Board, GameOverWhenTheNewPieceHasNoRoom)
{
    set(5, 1); // every kind covers its origin
    set(9, 19);
    CPiece& old = place(PieceKindSquare, 0, 18);
    old.landedReported = true;
    GameBoardProbe::setLockTimer(board, 0.25f);
    board.placeNextPiece(createPiece(3));
    step();

    EXPECT_EQ(listener.events,
              (Events{{ScoreChanged, 10}, {ScoreChanged, 20}, {NewPiece, 0}, {GameOver, 20}, {PieceLanded, 1}}));
    EXPECT_FALSE(board.isRunning());
    EXPECT_EQ(board.current()->x, 5.0f);
    EXPECT_EQ(board.current()->y, 1.0f);

    // Nothing moves afterwards; the final grid stays for the menu.
    auto grid = board.cells();
    keys.held = {Down, Left};
    step(50);
    EXPECT_EQ(board.cells(), grid);
    EXPECT_EQ(board.current()->y, 1.0f);
    EXPECT_EQ(listener.events.size(), 5u);
}

TEST_F(Board, StraightPieceReachingAboveTheGrid)
{
    // Upright and turned over at row 1, the straight piece's top cell is at
    // row -1. The naive grid index of that cell is the bottom of the column
    // to its left, which must neither block it nor be written.
    set(2, 19, 0xFF0000CCu);
    set(3, 3);
    CPiece& straight = place(PieceKindStraight, 3, 1, 1);
    EXPECT_TRUE(board.tryRotate(1));
    EXPECT_EQ(straight.rotation, 2);
    EXPECT_EQ(straight.cellPosition(3).y, -1.0f);

    board.lockPiece();
    EXPECT_EQ(board.cell(3, 0), 0xFFFF0000u);
    EXPECT_EQ(board.cell(3, 1), 0xFFFF0000u);
    EXPECT_EQ(board.cell(3, 2), 0xFFFF0000u);
    EXPECT_EQ(board.cell(2, 19), 0xFF0000CCu);
    EXPECT_EQ(filledCells(), 5);
}

TEST_F(Board, PausedBoardStandsStill)
{
    CPiece& piece = place(PieceKindSquare, 4, 3);
    GameBoardProbe::setRunning(board, false);
    keys.held = {Right, Down};
    step(30);
    EXPECT_EQ(piece.x, 4.0f);
    EXPECT_EQ(piece.y, 3.0f);
    GameBoardProbe::setRunning(board, true);
    step();
    EXPECT_GT(piece.y, 3.0f);
}

TEST_F(Board, LongRandomPlayKeepsThePieceInTheClear)
{
    // Random keys and turns over many games: while a game runs the falling
    // piece always fits, the score only grows and every ScoreChanged carries
    // the board's score.
    CRandom keysRandom(4242);
    int games = 0;
    int lastScore = board.score();
    for (int i = 0; i < 100000; ++i) {
        if (i % 7 == 0) {
            int r = keysRandom.randomInt();
            keys.held.clear();
            if (r & 1)
                keys.held.insert(Left);
            if (r & 2)
                keys.held.insert(Right);
            if ((r & 12) == 12)
                keys.held.insert(Down);
            if (r & 16)
                board.tryRotate((r & 32) ? 1 : -1);
        }
        listener.events.clear();
        step();
        for (const Event& e : listener.events) {
            if (e.first == ScoreChanged) {
                ASSERT_GE(e.second, lastScore);
                lastScore = e.second;
            }
        }
        ASSERT_EQ(board.score(), lastScore);
        if (!board.isRunning()) {
            ASSERT_EQ(listener.count(GameOver), 1);
            board.newGame();
            lastScore = board.score();
            ++games;
            continue;
        }
        ASSERT_TRUE(board.fits(*board.current())) << "step " << i;
        ASSERT_GE(board.current()->x, 0.0f);
        ASSERT_LE(board.current()->x, 9.0f);
    }
    EXPECT_GT(games, 5);
}

TEST_F(Board, LandingCellsAreWhereThePieceLocks)
{
    // Random moves, then the keys let go (a slide under way still ends in its
    // column) and the piece dropped: the cells the board said it would land
    // on are the cells it fills. Locks that clear a row move the grid, so
    // only the others are compared, and there are many of them.
    CRandom moves(777);
    int compared = 0;
    for (int piece = 0; piece < 400; ++piece) {
        if (!board.isRunning())
            board.newGame();
        keys.held.clear();
        for (int i = moves.randomInt() % 120; i > 0; --i) {
            const int r = moves.randomInt();
            if (i % 9 == 0) {
                keys.held.clear();
                if (r & 1)
                    keys.held.insert((r & 2) ? Left : Right);
                if (r & 4)
                    board.tryRotate((r & 8) ? 1 : -1);
            }
            step();
        }
        if (!board.isRunning())
            continue; // the moves ended the game
        const CPiece& falling = *board.current();
        const CellPosition before{falling.x, falling.y};
        const int contact = falling.contact;
        const std::vector<CellPosition> landing = board.landingCells();
        ASSERT_EQ(landing.size(), 4u);
        EXPECT_TRUE(falling.x == before.x && falling.y == before.y && falling.contact == contact);

        keys.held = {Down};
        listener.events.clear();
        std::array<uint32_t, BoardCells> grid = board.cells();
        for (int i = 0; i < 10000 && listener.count(NewPiece) == 0; ++i) {
            grid = board.cells();
            step();
        }
        ASSERT_EQ(listener.count(NewPiece), 1) << "piece " << piece;
        if (listener.count(RowsCleared) != 0 || listener.count(GameOver) != 0)
            continue;
        std::set<int> filled;
        for (int c = 0; c < BoardCells; ++c)
            if (grid[size_t(c)] == 0 && board.cells()[size_t(c)] != 0)
                filled.insert(c);
        std::set<int> foretold;
        for (const CellPosition& p : landing) {
            ASSERT_EQ(p.x, std::trunc(p.x));
            ASSERT_EQ(p.y, std::trunc(p.y));
            if (p.y >= 0.0f)
                foretold.insert(CGameBoard::cellIndex(int(p.x), int(p.y)));
        }
        ASSERT_EQ(filled, foretold) << "piece " << piece;
        ++compared;
    }
    EXPECT_GT(compared, 200);
}

TEST_F(Board, NoLandingWithoutAFallingPiece)
{
    board.emptyWell();
    EXPECT_TRUE(board.landingCells().empty());
}
