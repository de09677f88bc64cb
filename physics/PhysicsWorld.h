#pragma once
// The debris of cleared rows: each cleared row bursts into ten loose bricks
// that tumble toward the viewer, bounce on the floor and come to rest in front
// of the board. Pure decoration; nothing in the game rules depends on it.
//
// Board units throughout: one brick is one cell wide, y is up, the board's
// columns lie at x = 0..9 and its face at z = -1; bricks fly toward negative z.
// At most 40 bricks live at once, in a ring of slots where the oldest are
// recycled ten at a time.
#include "game/GameBoard.h"
#include "physics/ImpactSound.h"

class CRandom;

#include <ode/ode.h>

#include <array>
#include <cstdint>
#include <memory>

#include <glm/glm.hpp>

// One brick of debris, owned by its slot in the world's ring.
class CDebrisBrick {
public:
    CDebrisBrick(dWorldID world, dSpaceID space, uint32_t colour);
    ~CDebrisBrick();
    CDebrisBrick(const CDebrisBrick&) = delete;
    CDebrisBrick& operator=(const CDebrisBrick&) = delete;

    // Centre of the brick in world units.
    glm::vec3 position() const;
    // Rotation from the brick's own frame to the world, column-vector form.
    glm::mat3 rotation() const;
    // False once the brick has stayed still long enough to be put to sleep.
    bool isAwake() const;

    dBodyID body;
    dGeomID geom;
    // The board cell's ARGB colour, exactly as the board stored it.
    uint32_t colour;
};

class CPhysicsWorld {
public:
    static constexpr int SlotCount = 40;
    // The ten colours of a cleared row, left to right.
    using RowColours = std::array<uint32_t, BoardColumns>;
    // Simulated time per update; the game calls update every 0.01 s, so
    // the debris moves at half speed, which reads well on screen.
    static constexpr double StepLength = 0.005;
    // Friction of every contact: just enough to stop the bricks in view
    // (the reasons are beside contactSurface() in the .cpp).
    static constexpr double ContactFriction = 0.05;

    explicit CPhysicsWorld(CImpactSoundSink* impactSound = nullptr);
    ~CPhysicsWorld();
    CPhysicsWorld(const CPhysicsWorld&) = delete;
    CPhysicsWorld& operator=(const CPhysicsWorld&) = delete;

    void setImpactSoundSink(CImpactSoundSink* sink) { impactSound.setSink(sink); }

    // --- the game's calls ---------------------------------------------------
    // Launches the ten bricks of cleared row `row` (0 at the top), in the
    // row's colours, their pushes and tumbles drawn from the stream. A row
    // outside the well launches nothing and returns false.
    bool spawnRow(int row, const RowColours& colours, CRandom& random);
    // One fixed step of the game (dt seconds, 0.01 in play). The bricks move
    // only while a game is running and unpaused; otherwise they stay frozen
    // where they are. The impact-sound cooldown runs down either way.
    void update(double dt, bool boardRunning);
    // Removes every brick and starts the world over as if new: the slots,
    // the impact-sound throttle, and the library's own random sequence (its
    // solver may draw from it to order contacts, depending on how it was
    // built). A replay starts from here, with none of the bricks that lay
    // on the floor when its game was played.
    void clear();

    // --- reading for drawing and tests --------------------------------------
    // The brick in slot i (0..39), or null for an empty slot or a bad index.
    const CDebrisBrick* slot(int i) const;
    int nextSlot() const { return next; }
    float impactCooldown() const { return impactSound.cooldown(); }

private:
    static void nearCallback(void* data, dGeomID o1, dGeomID o2);
    void collide(dGeomID o1, dGeomID o2);

    dWorldID world = nullptr;
    dSpaceID space = nullptr;
    dJointGroupID contactGroup = nullptr;
    dGeomID floor = nullptr;
    dGeomID backWall = nullptr;
    std::array<std::unique_ptr<CDebrisBrick>, SlotCount> slots;
    int next = 0;
    CImpactSound impactSound;
};
