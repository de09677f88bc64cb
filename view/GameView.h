#pragma once
// The game's view of the world: the scene around the well (the frame, the
// mirror floor, the camera, the spot light and the environment map), the
// debris of cleared rows, and, every frame, the bricks that show the board.
//
// The game flow tells it when a row's bricks launch (with the colours the
// row had) and which score to run the HUD up to, and advances it once per
// fixed simulation step.
#include <array>
#include <cstdint>
#include <memory>

#include "game/GameBoardListener.h"
#include "physics/PhysicsWorld.h"
#include "view/Hud.h"
#include "render/Mesh.h"
#include "render/Renderer.h"

class CGameBoard;
class CRenderer;
class CTexture;

class CGameView {
public:
    // Loads the scene into the renderer; needs the published device. The
    // impact sounds of the debris go to the sink, which must outlive the view.
    CGameView(const CGameBoard& board, CRenderer& renderer, CImpactSoundSink* impactSound = nullptr);
    ~CGameView();
    CGameView(const CGameView&) = delete;
    CGameView& operator=(const CGameView&) = delete;

    // Row `row` of the board bursts into ten bricks of these colours, left to
    // right (0 leaves a gap), pushed and turned by draws from the stream.
    void launchRow(int row, const std::array<uint32_t, BoardColumns>& colours, CRandom& random);
    // One fixed step of dt seconds: the view's clock, and the debris, which
    // moves only while the board runs.
    void stepUpdate(float dt, bool boardRunning);

    // The frame: this frame's bricks are made, the renderer draws the scene
    // into the back buffer with the HUD, the menu and then the frame rate
    // over it, and the bricks are removed again. The frame-rate line is left
    // out while a panel (the help, the options) covers the screen: it would
    // lie on the panel.
    void render(const FrameOverlay& menu = {}, bool panelOpen = false);

    // Adds one-frame brick entities for the falling piece, the next piece
    // (turning slowly), the settled cells and the debris, in that order, and
    // the drop guide's outlines after them when it is shown.
    void buildBoardEntities();

    const CPhysicsWorld& debris() const { return physics; }
    CPhysicsWorld& debris() { return physics; }
    const CMesh& brickMesh() const { return brick; }
    float elapsedTime() const { return elapsed; }

    // The frame-rate counter under the HUD, switched by a key.
    bool showFrameRate = false;
    // Helps the player chooses, both off unless asked for: the outlines of
    // where the falling piece would land if dropped now, and a mark engraved
    // on every brick for its kind of piece (in the stack, the pieces and the
    // debris alike), for players who tell the colours apart poorly.
    bool dropGuide = false;
    bool kindMarks = false;

    // ---- HUD ------------------------------------------------------------------
    CHud hud;
    CFrameRateCounter frameRate;

private:
    // The meshes and the two permanent entities (the frame, and the floor
    // box that is the renderer's mirror floor), the camera's starting place,
    // the light and the environment map.
    void loadScene();
    // The frame rate under the HUD, if shown.
    void drawFrameRate();
    // A brick of the board's colour where the board says, with its kind's mark if shown.
    CSceneEntity* addBrick(uint32_t colour, int kind, const glm::vec3& position);
    void addDropGuide();

    const CGameBoard& board;
    CRenderer& renderer;
    float elapsed = 0.0f;
    CMesh frame;
    CMesh floorBox;
    CMesh brick;
    std::unique_ptr<CTexture> environment;
    CPhysicsWorld physics;
};
