// The game's scene as the player sees it, drawn whole with the shipped media:
// a full well of coloured glass in its frame before the backdrop, rows
// bursting into debris that tumbles onto the mirror floor, and the menu's
// backdrop bricks (colours without alpha) reflected like any others.
//
// Set VESBRIK_LOOK_DIR to a folder to keep the pictures for looking at.
#include "SceneTestContext.h"

#include "game/GameBoard.h"
#include "render/Camera.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int Width = 800;
constexpr int Height = 600;

// The piece colours, stored as the board stores a settled cell.
constexpr std::array<uint32_t, 7> Colours = {0xFFFFAA00u, 0xFFFF00FFu, 0xFFFFFF22u, 0xFF0000FFu,
                                              0xFF00FF00u, 0xFF00FFFFu, 0xFFFF0000u};

struct Rgb {
    int r = 0, g = 0, b = 0;
    int channel(int c) const { return c == 0 ? r : c == 1 ? g : b; }
};

int channelOf(uint32_t argb, int c) { return int((argb >> (16 - 8 * c)) & 0xFF); }

class SceneLookTest : public GameSceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped())
            return;
        makeDevice(Width, Height);
        makeGameScene(5);
        renderer->setSwitches({.shadow = false, .bloom = false, .mirror = true, .filteredCopy = true});
        lookAsInPlay();
    }

    std::vector<uint8_t> draw(const std::string& name)
    {
        view->render();
        readFrame();
        keep(name);
        return frame;
    }

    void keep(const std::string& name) const
    {
        const char* dir = std::getenv("VESBRIK_LOOK_DIR");
        if (!dir || !*dir)
            return;
        std::vector<uint8_t> rgba = frame;
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
        const auto path = std::filesystem::path(dir) / (name + ".png");
        stbi_write_png(path.string().c_str(), Width, Height, 4, rgba.data(), Width * 4);
    }

    // Where a world point lands on the screen, in pixels from the top left;
    // false when it is behind the camera or off the screen.
    bool toScreen(const glm::vec3& world, int& x, int& y) const
    {
        const glm::vec4 clip = renderer->projection() * renderer->camera().view * glm::vec4(world, 1.0f);
        if (clip.w <= 0.0f)
            return false;
        x = int((clip.x / clip.w * 0.5f + 0.5f) * Width);
        y = int((0.5f - clip.y / clip.w * 0.5f) * Height);
        return x >= 3 && y >= 3 && x < Width - 3 && y < Height - 3;
    }

    // The mean colour of a 5 x 5 patch.
    static Rgb patch(const std::vector<uint8_t>& pixels, int x, int y)
    {
        Rgb sum;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const uint32_t c = argbOf(&pixels[size_t(((y + dy) * Width + x + dx) * 4)]);
                sum.r += int((c >> 16) & 0xFF);
                sum.g += int((c >> 8) & 0xFF);
                sum.b += int(c & 0xFF);
            }
        return {sum.r / 25, sum.g / 25, sum.b / 25};
    }

    // A colour leads where every channel it is full in is brighter than
    // every channel it lacks.
    static bool leads(const Rgb& seen, uint32_t argb, int margin)
    {
        for (int on = 0; on < 3; ++on)
            for (int off = 0; off < 3; ++off)
                if (channelOf(argb, on) == 0xFF && channelOf(argb, off) == 0 && seen.channel(on) < seen.channel(off) + margin)
                    return false;
        return true;
    }

    void fillRows(int firstRow, uint8_t alpha)
    {
        for (int row = firstRow; row < BoardRows; ++row)
            for (int column = 0; column < BoardColumns; ++column)
                board->setCell(column, row, (Colours[size_t(column * 3 + row) % Colours.size()] & 0x00FFFFFFu) | uint32_t(alpha) << 24);
    }

};

} // namespace

TEST_F(SceneLookTest, AFullWellShowsEveryBrickInItsColourAndTheSceneCoversTheScreen)
{
    fillRows(2, 0xFF);
    const std::vector<uint8_t> pixels = draw("full-board");

    // The frame is cleared to black; the backdrop, the floor and the well
    // must cover all of it.
    int black = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        black += (pixels[i] | pixels[i + 1] | pixels[i + 2]) == 0;
    EXPECT_EQ(black, 0) << "the clear colour shows through";

    int checked = 0;
    for (int row = 2; row < BoardRows; ++row)
        for (int column = 0; column < BoardColumns; ++column) {
            int x = 0, y = 0;
            // The middle of the brick's front face.
            ASSERT_TRUE(toScreen({float(column), 20.5f - float(row), -0.5f}, x, y));
            const uint32_t colour = board->cell(column, row);
            const Rgb seen = patch(pixels, x, y);
            EXPECT_TRUE(leads(seen, colour, 40)) << "cell " << column << ", " << row << " of colour " << std::hex
                                                 << colour << std::dec << " looks " << seen.r << ", " << seen.g
                                                 << ", " << seen.b;
            ++checked;
        }
    EXPECT_EQ(checked, 180);
}

TEST_F(SceneLookTest, BricksWithoutAlphaLookAndReflectAsOpaqueOnes)
{
    // The menu's backdrop fills the board with colours whose alpha is 0.
    fillRows(12, 0xFF);
    const std::vector<uint8_t> opaque = draw("bottom-rows");
    fillRows(12, 0x00);
    const std::vector<uint8_t> clear = draw("bottom-rows-no-alpha");
    int differing = 0;
    for (size_t i = 0; i < opaque.size(); i += 4)
        differing += (opaque[i] != clear[i]) || (opaque[i + 1] != clear[i + 1]) || (opaque[i + 2] != clear[i + 2]);
    EXPECT_EQ(differing, 0);
}

TEST_F(SceneLookTest, BurstRowsTumbleOntoTheFloorInViewAndShowInTheMirror)
{
    fillRows(18, 0xFF);
    CRandom random = board->random();
    for (int row : {19, 18})
        view->launchRow(row, board->rowColours(row), random);
    board->setCells({});
    // Back and up a little from the playing camera, to see the floor in
    // front of the well where the bricks come down.
    renderer->camera().setLookAt({4.5f, 15.0f, -40.0f}, {4.5f, 6.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    for (int step = 0; step < 6; ++step)
        view->stepUpdate(0.01f, true);
    draw("debris-bursting");

    // Long enough for every brick to come down and settle.
    for (int step = 0; step < 400; ++step)
        view->stepUpdate(0.01f, true);
    setSwitch(*renderer, &RenderSwitches::mirror, false);
    const std::vector<uint8_t> plain = draw("debris-landed-no-mirror");
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    const std::vector<uint8_t> mirrored = draw("debris-landed");

    int bricks = 0, reflected = 0;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i) {
        const CDebrisBrick* brick = view->debris().slot(i);
        if (!brick)
            continue;
        ++bricks;
        const glm::vec3 at = brick->position();
        EXPECT_GT(at.y, 0.3f) << "brick " << i << " sank into the floor";
        EXPECT_LT(at.y, 2.5f) << "brick " << i << " did not come down";
        int x = 0, y = 0;
        EXPECT_TRUE(toScreen(at, x, y)) << "brick " << i << " out of view";
        // Its mirror image hangs under it: the brick's colour, there only
        // with the mirror on.
        if (!toScreen({at.x, -at.y - 0.2f, at.z}, x, y))
            continue;
        const Rgb with = patch(mirrored, x, y), without = patch(plain, x, y);
        const int change = std::abs(with.r - without.r) + std::abs(with.g - without.g) + std::abs(with.b - without.b);
        reflected += change > 30 && leads(with, brick->colour, 10);
    }
    EXPECT_EQ(bricks, 20);
    EXPECT_GE(reflected, bricks / 2) << "too few bricks show in the floor";
}

// ---- the helps a player may choose: the drop guide and the kinds' marks ----------

namespace {

// Where the eight corners of the cell's cube land on the screen, widened by
// two pixels: a box round everything drawn for that cell.
struct PixelBox {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    bool holds(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// A colour as a player with full protanopia or deuteranopia sees it, after
// Machado, Oliveira and Fernandes (severity 1), applied to linear light.
enum class Sight { Normal, Protanopia, Deuteranopia };

glm::vec3 seenBy(Sight sight, glm::vec3 srgb)
{
    auto toLinear = [](float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); };
    auto toSrgb = [](float c) {
        c = std::clamp(c, 0.0f, 1.0f);
        return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
    };
    if (sight == Sight::Normal)
        return srgb;
    // Rows of the matrix, as written.
    const glm::mat3 protan = glm::transpose(glm::mat3(0.152286f, 1.052583f, -0.204868f, 0.114503f, 0.786281f, 0.099216f,
                                                      -0.003882f, -0.048116f, 1.051998f));
    const glm::mat3 deutan = glm::transpose(glm::mat3(0.367322f, 0.860646f, -0.227968f, 0.280085f, 0.672501f,
                                                      0.047413f, -0.011820f, 0.042940f, 0.968881f));
    const glm::vec3 linear(toLinear(srgb.r), toLinear(srgb.g), toLinear(srgb.b));
    const glm::vec3 seen = (sight == Sight::Protanopia ? protan : deutan) * linear;
    return {toSrgb(seen.r), toSrgb(seen.g), toSrgb(seen.b)};
}

// CIE L*a*b* of an sRGB colour (D65): distances in it are colour differences.
glm::vec3 labOf(glm::vec3 srgb)
{
    auto toLinear = [](float c) { return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f); };
    const glm::vec3 l(toLinear(srgb.r), toLinear(srgb.g), toLinear(srgb.b));
    const glm::vec3 xyz(0.4124f * l.r + 0.3576f * l.g + 0.1805f * l.b, 0.2126f * l.r + 0.7152f * l.g + 0.0722f * l.b,
                        0.0193f * l.r + 0.1192f * l.g + 0.9505f * l.b);
    const glm::vec3 n = xyz / glm::vec3(0.95047f, 1.0f, 1.08883f);
    auto f = [](float t) { return t > 0.008856f ? std::cbrt(t) : 7.787f * t + 16.0f / 116.0f; };
    return {116.0f * f(n.y) - 16.0f, 500.0f * (f(n.x) - f(n.y)), 200.0f * (f(n.y) - f(n.z))};
}

// A tall stack of bricks of random kinds, one gap in every row.
std::vector<int> tallStack(unsigned seed)
{
    std::vector<int> kinds(size_t(BoardCells), 0);
    uint32_t state = seed;
    auto next = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % uint32_t(n));
    };
    for (int row = 3; row < BoardRows; ++row) {
        const int gap = next(BoardColumns);
        for (int column = 0; column < BoardColumns; ++column)
            if (column != gap)
                kinds[size_t(CGameBoard::cellIndex(column, row))] = 1 + next(PieceKindCount);
    }
    return kinds;
}

class PlayHelpsLook : public SceneLookTest {
protected:
    PixelBox boxOfCell(float column, float row) const
    {
        PixelBox box;
        for (int corner = 0; corner < 8; ++corner) {
            const glm::vec3 at{column + ((corner & 1) ? 0.5f : -0.5f), 20.5f - row + ((corner & 2) ? 0.5f : -0.5f),
                               (corner & 4) ? 0.5f : -0.5f};
            const glm::vec4 clip = renderer->projection() * renderer->camera().view * glm::vec4(at, 1.0f);
            const int x = int((clip.x / clip.w * 0.5f + 0.5f) * Width);
            const int y = int((0.5f - clip.y / clip.w * 0.5f) * Height);
            box = {std::min(box.left, x - 2), std::min(box.top, y - 2), std::max(box.right, x + 2),
                   std::max(box.bottom, y + 2)};
        }
        return box;
    }

    void placeStack(const std::vector<int>& kinds)
    {
        for (int i = 0; i < BoardCells; ++i)
            board->setCell(i / BoardRows, i % BoardRows, kinds[size_t(i)] ? createPiece(kinds[size_t(i)])->colour : 0u);
    }

    // The colours seen over the middle of a brick's front face, a grid of
    // Samples x Samples points, read as a player of that sight sees them.
    static constexpr int Samples = 15;
    std::vector<glm::vec3> faceSamples(const std::vector<uint8_t>& pixels, int column, int row, Sight sight) const
    {
        std::vector<glm::vec3> seen;
        for (int j = 0; j < Samples; ++j)
            for (int i = 0; i < Samples; ++i) {
                const float u = -0.3f + 0.6f * float(i) / float(Samples - 1);
                const float v = -0.3f + 0.6f * float(j) / float(Samples - 1);
                int x = 0, y = 0;
                if (!toScreen({float(column) + u, 20.5f - float(row) + v, -0.5f}, x, y))
                    return {};
                const uint32_t c = argbOf(&pixels[size_t((y * Width + x) * 4)]);
                seen.push_back(seenBy(sight, glm::vec3(float((c >> 16) & 0xFF), float((c >> 8) & 0xFF),
                                                       float(c & 0xFF)) / 255.0f));
            }
        return seen;
    }

    // The face's lightness pattern, its mean taken away and its length made
    // 1: the mark's shape without the brick's colour or how brightly it is lit.
    static std::vector<float> shapeOf(const std::vector<glm::vec3>& samples)
    {
        std::vector<float> shape;
        float mean = 0.0f;
        for (const glm::vec3& s : samples) {
            shape.push_back(labOf(s).x);
            mean += shape.back();
        }
        mean /= float(std::max<size_t>(shape.size(), 1));
        float length = 0.0f;
        for (float& value : shape) {
            value -= mean;
            length += value * value;
        }
        length = std::sqrt(std::max(length, 1e-6f));
        for (float& value : shape)
            value /= length;
        return shape;
    }
};

} // namespace

TEST_F(PlayHelpsLook, TheDropGuideOutlinesOnlyTheCellsWhereThePieceWouldLand)
{
    // Rows 15 to 19 full but for column 4 down to row 16; a straight piece
    // upright above the gap lands with its foot in it. The shadows are on:
    // the guide casts none.
    fillRows(15, 0xFF);
    board->setCell(4, 15, 0);
    board->setCell(4, 16, 0);
    CPiece& piece = *board->placePiece(createPiece(PieceKindStraight));
    piece.x = 4.0f;
    piece.y = 2.0f;
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    setSwitch(*renderer, &RenderSwitches::mirror, false);
    const std::vector<uint8_t> without = draw("guide-off");
    view->dropGuide = true;
    const std::vector<uint8_t> with = draw("guide-on");

    const std::vector<CellPosition> landing = board->landingCells();
    ASSERT_EQ(landing.size(), 4u);
    EXPECT_EQ(landing[3].y, 16.0f);
    std::vector<PixelBox> boxes;
    for (const CellPosition& cell : landing)
        boxes.push_back(boxOfCell(cell.x, cell.y));
    std::vector<int> changedIn(boxes.size(), 0);
    int changedOutside = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            const size_t at = size_t((y * Width + x) * 4);
            if (std::abs(int(with[at]) - int(without[at])) + std::abs(int(with[at + 1]) - int(without[at + 1])) +
                    std::abs(int(with[at + 2]) - int(without[at + 2])) <= 3)
                continue;
            bool inside = false;
            for (size_t b = 0; b < boxes.size(); ++b)
                if (boxes[b].holds(x, y)) {
                    ++changedIn[b];
                    inside = true;
                }
            changedOutside += !inside;
        }
    EXPECT_EQ(changedOutside, 0);
    for (size_t b = 0; b < boxes.size(); ++b)
        EXPECT_GT(changedIn[b], 40) << "the guide's cell " << b << " does not show";
}

TEST_F(PlayHelpsLook, EveryKindsMarkReadsWhereItsColourDoesNot)
{
    // A tall stack seen as in play with every step of the frame on. The
    // kind of each brick is read the way a player without two of the three
    // colour senses would: by its colour alone, as the nearest of the seven
    // colours the kinds show in the same picture, and, with the marks on,
    // by its mark alone, as the nearest of the seven marks' lightness
    // patterns learnt from another stack.
    renderer->setSwitches({.shadow = true, .bloom = true, .mirror = true, .filteredCopy = true});
    const std::vector<int> kinds = tallStack(11);
    placeStack(tallStack(29));
    view->kindMarks = true;
    const std::vector<uint8_t> learnt = draw("marks-learnt");
    placeStack(kinds);
    const std::vector<uint8_t> marked = draw("marks-on");
    view->kindMarks = false;
    const std::vector<uint8_t> plain = draw("marks-off");
    const std::vector<int> learntKinds = tallStack(29);

    for (Sight sight : {Sight::Normal, Sight::Protanopia, Sight::Deuteranopia}) {
        // The seven colours and the seven marks, as this sight sees them.
        std::array<glm::vec3, PieceKindCount> colourOf{};
        std::array<int, PieceKindCount> bricksOf{};
        std::array<std::vector<float>, PieceKindCount> markOf;
        for (int i = 0; i < BoardCells; ++i) {
            const int column = i / BoardRows, row = i % BoardRows;
            if (const int kind = kinds[size_t(i)]) {
                glm::vec3 mean(0.0f);
                for (const glm::vec3& s : faceSamples(plain, column, row, sight))
                    mean += labOf(s) / float(Samples * Samples);
                colourOf[size_t(kind - 1)] += mean;
                ++bricksOf[size_t(kind - 1)];
            }
            if (const int kind = learntKinds[size_t(i)]) {
                const std::vector<float> shape = shapeOf(faceSamples(learnt, column, row, sight));
                auto& sum = markOf[size_t(kind - 1)];
                sum.resize(shape.size(), 0.0f);
                for (size_t k = 0; k < shape.size(); ++k)
                    sum[k] += shape[k];
            }
        }
        int bricks = 0, misreadByColour = 0, misreadByMark = 0;
        for (int i = 0; i < BoardCells; ++i) {
            const int kind = kinds[size_t(i)];
            if (!kind)
                continue;
            const int column = i / BoardRows, row = i % BoardRows;
            ++bricks;
            glm::vec3 mean(0.0f);
            for (const glm::vec3& s : faceSamples(plain, column, row, sight))
                mean += labOf(s) / float(Samples * Samples);
            const std::vector<float> shape = shapeOf(faceSamples(marked, column, row, sight));
            int byColour = 0, byMark = 0;
            float nearest = 1e9f, best = -1e9f;
            for (int k = 0; k < PieceKindCount; ++k) {
                if (!bricksOf[size_t(k)])
                    continue;
                const float distance = glm::length(mean - colourOf[size_t(k)] / float(bricksOf[size_t(k)]));
                if (distance < nearest) {
                    nearest = distance;
                    byColour = k + 1;
                }
                float likeness = 0.0f;
                for (size_t s = 0; s < shape.size() && s < markOf[size_t(k)].size(); ++s)
                    likeness += shape[s] * markOf[size_t(k)][s];
                if (likeness > best) {
                    best = likeness;
                    byMark = k + 1;
                }
            }
            misreadByColour += byColour != kind;
            misreadByMark += byMark != kind;
        }
        const char* name = sight == Sight::Normal ? "normal" : sight == Sight::Protanopia ? "protanopia" : "deuteranopia";
        EXPECT_GT(bricks, 140);
        // This reader knows nothing of shapes but their lightness, and a
        // glint or a shadow over a mark may fool it once or twice in a
        // stack; colours alone fool it far more often for these sights.
        EXPECT_LE(misreadByMark, 2) << name << ": of " << bricks << " bricks " << misreadByColour
                                    << " misread by colour alone, " << misreadByMark << " by mark";
    }
}
