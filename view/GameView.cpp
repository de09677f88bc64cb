#include "view/GameView.h"

#include "device/DdsReader.h"
#include "device/Device.h"
#include "device/Texture.h"
#include "files/FileProblems.h"
#include "game/GameBoard.h"
#include "render/Renderer.h"
#include "render/UnitCube.h"

namespace {

// The next piece waiting beside the well turns about its vertical axis.
constexpr float PreviewTurnRate = 0.3f; // radians per second

// The drop guide's bricks are a little smaller than a cell, so where the
// falling piece overlaps them it hides them whichever is drawn first.
constexpr float GuideScale = 0.96f;

// Where the permanent entities stand: the frame around the well's cells, and
// the box whose top face is the mirror floor at y = 0.
constexpr glm::vec3 FramePosition{4.5f, 0.0f, -0.5f};
constexpr glm::vec3 FloorBoxPosition{0.0f, 30.0f, 0.0f};

// The camera starts far out and swings in.
constexpr glm::vec3 CameraStartEye{-4.0f, 15.0f, -60.0f};
constexpr glm::vec3 CameraStartTarget{10.0f, 11.0f, 0.0f};

// The one light, high up in front of the well; the game moves its goal.
constexpr glm::vec3 LightStart{-4.0f, 38.0f, -44.0f};
constexpr glm::vec3 LightDirection{10.0f, 10.0f, 10.0f};

// Board cell (column, row) in the world: rows grow downward, y upward.
glm::vec3 boardToWorld(float column, float row) { return {column, 20.5f - row, 0.0f}; }

glm::vec4 colourFromArgb(uint32_t argb)
{
    const float scale = 0.003921569f; // 1 / 255
    return {float((argb >> 16) & 0xFF) * scale, float((argb >> 8) & 0xFF) * scale, float(argb & 0xFF) * scale,
            float(argb >> 24) * scale};
}

// Builds the mesh; a file that cannot be used is said on standard error with
// what the game does without it.
bool buildMeshOrSay(CMesh& mesh, const std::string& file, const MaterialForSurface& materialFor,
                    const std::string& instead)
{
    if (mesh.buildMesh(file, materialFor))
        return true;
    reportFileProblem(file, whyUnusable(file, "not a usable LightWave object"), instead);
    return false;
}

} // namespace

CGameView::CGameView(const CGameBoard& board, CRenderer& renderer, CImpactSoundSink* impactSound)
    : board(board), renderer(renderer), physics(impactSound)
{
    loadScene();
}

CGameView::~CGameView() = default;

void CGameView::loadScene()
{
    renderer.setProjection(sceneProjection());

    CCamera& camera = renderer.camera();
    camera.fixedUp = true;
    camera.setLookAt(CameraStartEye, CameraStartTarget, {0.0f, 1.0f, 0.0f});

    CLight* light = renderer.addLight(CLight::Spot);
    light->diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light->direction = LightDirection;
    light->positionGoal = LightStart;
    light->position = LightStart;

    // A mesh that fails to build is reported and stays empty: the frame and
    // the floor are scenery. The bricks are the game, so they fall back on a
    // plain cube.
    auto materialFor = [this](const std::string& name) { return renderer.materialFor(name); };
    buildMeshOrSay(frame, "media/frame.lwo", materialFor, "the well is drawn without its frame");
    CSceneEntity* frameEntity = renderer.addEntity(&frame, CSceneEntity::Permanent);
    frameEntity->position = FramePosition;
    frameEntity->updateWorld();

    buildMeshOrSay(floorBox, "media/box.lwo", materialFor, "the floor and its mirror are not drawn");
    CSceneEntity* floorEntity = renderer.addEntity(&floorBox, CSceneEntity::Permanent);
    floorEntity->position = FloorBoxPosition;
    floorEntity->updateWorld();
    renderer.setMirrorFloor(floorEntity);

    if (!buildMeshOrSay(brick, "media/chamferbox.lwo", materialFor, "the bricks are drawn as plain cubes"))
        buildUnitCube(brick, renderer.materialFor("glass"));

    // Without the cube map the surfaces reflect plain white. A flat image in
    // its place is refused like a missing one: the shaders sample a cube.
    environment = loadDdsTexture("media/Chrome128.dds");
    if (environment && environment->isCube()) {
        renderer.setEnvironment(environment.get());
    } else {
        reportFileProblem("media/Chrome128.dds", whyUnusable("media/Chrome128.dds", "not a readable cube map"),
                          "the bricks reflect plain white");
        environment.reset();
    }
}

void CGameView::launchRow(int row, const std::array<uint32_t, BoardColumns>& colours, CRandom& random)
{
    physics.spawnRow(row, colours, random);
}

void CGameView::stepUpdate(float dt, bool boardRunning)
{
    elapsed += dt;
    hud.update(dt);
    physics.update(dt, boardRunning);
}

// ---- HUD ----------------------------------------------------------------------
void CGameView::drawFrameRate()
{
    if (showFrameRate) {
        hud.drawFrameRate(frameRate.rate(), renderer.sceneScale());
        frameRate.tick();
    }
}

CSceneEntity* CGameView::addBrick(uint32_t colour, int kind, const glm::vec3& position)
{
    CSceneEntity* entity = renderer.addEntity(&brick, CSceneEntity::OneFrame);
    entity->colour = colourFromArgb(colour);
    entity->position = position;
    if (kindMarks)
        entity->mark = kind;
    return entity;
}

void CGameView::buildBoardEntities()
{
    // The falling piece, then the next piece, turning in its preview place.
    const CPiece* pieces[2] = {board.current(), board.next()};
    for (int p = 0; p < 2; ++p) {
        if (!pieces[p])
            continue;
        const CPiece& piece = *pieces[p];
        for (int i = 0; i < static_cast<int>(piece.cells.size()); ++i) {
            const CellPosition cell = piece.cellPosition(i);
            CSceneEntity* entity = addBrick(piece.colour, piece.kind, boardToWorld(cell.x, cell.y));
            if (p == 1)
                entity->rotation.x = elapsed * PreviewTurnRate; // yaw
            else
                entity->highlight = 1.0f; // the falling piece stands out from the stack
            entity->updateWorld();
        }
    }

    // The settled cells, row by row from the top. A cell keeps only its
    // colour; the colour names the kind.
    for (int row = 0; row < BoardRows; ++row)
        for (int column = 0; column < BoardColumns; ++column) {
            const uint32_t value = board.cell(column, row);
            if (value == 0)
                continue;
            CSceneEntity* entity =
                addBrick(value, pieceKindOfColour(value), boardToWorld(float(column), float(row)));
            entity->settled = true;
            entity->updateWorld();
        }

    // The debris, turned as its bodies are.
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i) {
        const CDebrisBrick* debrisBrick = physics.slot(i);
        if (!debrisBrick)
            continue;
        CSceneEntity* entity =
            addBrick(debrisBrick->colour, pieceKindOfColour(debrisBrick->colour), debrisBrick->position());
        // The body's rotation turns brick space into the world's, as the
        // brick's world matrix does.
        entity->updateWorld(glm::mat4(debrisBrick->rotation()));
    }

    if (dropGuide)
        addDropGuide();
}

// Outlines of the falling piece's bricks where it would come to rest,
// following it as it slides and turns.
void CGameView::addDropGuide()
{
    const CPiece* piece = board.current();
    if (!piece)
        return;
    for (const CellPosition& cell : board.landingCells()) {
        CSceneEntity* entity = renderer.addEntity(&brick, CSceneEntity::OneFrame);
        entity->outline = true;
        entity->colour = colourFromArgb(piece->colour);
        entity->position = boardToWorld(cell.x, cell.y);
        entity->scale = glm::vec3(GuideScale);
        entity->updateWorld();
    }
}

// The frame of the game's 3D view with its overlays: the HUD, the menu the
// application hands in, and the frame rate if shown, last, so that it reads
// over the menu's background as well.
void CGameView::render(const FrameOverlay& menu, bool panelOpen)
{
    buildBoardEntities();
    renderer.renderFrame({[this] { hud.draw(board.level(), board.rows()); }, menu, [this, panelOpen] {
                              if (!panelOpen)
                                  drawFrameRate();
                          }});
    renderer.removeEntities(CSceneEntity::OneFrame);
}
