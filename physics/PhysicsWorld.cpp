#include "physics/PhysicsWorld.h"

#include "game/Random.h"

namespace {

constexpr int MaxContactsPerPair = 4;

// The library may be initialised only once until it is closed again, so the
// first world opens it and the last one closes it. The game has a single
// world for the whole run; tests make many. Everything runs on one thread.
int liveWorlds = 0;

void openLibrary()
{
    if (liveWorlds++ == 0) {
        dInitODE2(0);
        dAllocateODEDataForThread(dAllocateMaskAll);
    }
}

void closeLibrary()
{
    if (--liveWorlds == 0)
        dCloseODE();
}

// Every contact bounces a little and has just enough friction to stop the
// bricks. With no friction model flag set, mu is a plain force limit (a
// brick weighs 0.2). Nearly frictionless contacts (0.001) let the bricks skid
// on without end, past the camera. 0.05 is the least friction with which
// every brick settles within a few seconds and the bricks of each row come to
// rest, on average, 6 to 17 units in front of the board, top rows farthest;
// more friction hardly brings them closer, as the spread then comes from how
// they tumble on landing, not from sliding.
dSurfaceParameters contactSurface()
{
    dSurfaceParameters surface{};
    surface.mode = dContactBounce;
    surface.mu = CPhysicsWorld::ContactFriction;
    surface.mu2 = 1.0; // not used: the mode does not ask for a second direction
    surface.bounce = 0.3;
    surface.bounce_vel = 0.0;
    return surface;
}

} // namespace

// ---- bricks ------------------------------------------------------------------

CDebrisBrick::CDebrisBrick(dWorldID world, dSpaceID space, uint32_t colour) : colour(colour)
{
    dMass mass;
    dMassSetZero(&mass);
    dMassSetBox(&mass, 0.001, 1.0, 1.0, 1.0);
    body = dBodyCreate(world);
    dBodySetMass(body, &mass);
    dBodySetAutoDisableFlag(body, 1);
    geom = dCreateBox(space, 1.0, 1.0, 1.0);
    dGeomSetBody(geom, body);
}

CDebrisBrick::~CDebrisBrick()
{
    // The geom refers to the body, so it goes first.
    dGeomDestroy(geom);
    dBodyDestroy(body);
}

glm::vec3 CDebrisBrick::position() const
{
    const dReal* p = dBodyGetPosition(body);
    return glm::vec3(float(p[0]), float(p[1]), float(p[2]));
}

glm::mat3 CDebrisBrick::rotation() const
{
    // The library keeps a 3 x 4 row-major matrix that maps the body's frame
    // to the world (world = R * local); glm indexes [column][row].
    const dReal* r = dBodyGetRotation(body);
    glm::mat3 m;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            m[column][row] = float(r[row * 4 + column]);
    return m;
}

bool CDebrisBrick::isAwake() const { return dBodyIsEnabled(body) != 0; }

// ---- the world ---------------------------------------------------------------

CPhysicsWorld::CPhysicsWorld(CImpactSoundSink* sink) : impactSound(sink)
{
    openLibrary();

    world = dWorldCreate();
    dWorldSetGravity(world, 0.0, -200.0, 0.0);
    // CFM before ERP, both very soft: the bricks sink a little into each
    // other and the floor and settle without jitter.
    dWorldSetCFM(world, 0.9);
    dWorldSetERP(world, 0.9);
    dWorldSetQuickStepNumIterations(world, 2);
    // Sleep thresholds, set explicitly because library releases disagree on
    // their defaults: a brick sleeps after 10 steps with both speeds under
    // 0.001, judged on the current step alone.
    dWorldSetAutoDisableLinearThreshold(world, 0.001);
    dWorldSetAutoDisableAngularThreshold(world, 0.001);
    dWorldSetAutoDisableAverageSamplesCount(world, 1);
    dWorldSetAutoDisableSteps(world, 10);
    dWorldSetAutoDisableTime(world, 0.0);

    space = dSimpleSpaceCreate(nullptr);
    // The floor y = 0, and the back wall z = -1 with the solid side behind it
    // (toward the board). The frame and the cubes on the board have no geoms:
    // bricks pass through them.
    floor = dCreatePlane(space, 0.0, 1.0, 0.0, 0.0);
    backWall = dCreatePlane(space, 0.0, 0.0, -1.0, 1.0);
    contactGroup = dJointGroupCreate(0);
}

CPhysicsWorld::~CPhysicsWorld()
{
    for (auto& brick : slots)
        brick.reset();
    dJointGroupDestroy(contactGroup);
    dSpaceDestroy(space); // also destroys the two planes
    dWorldDestroy(world);
    closeLibrary();
}

bool CPhysicsWorld::spawnRow(int row, const RowColours& colours, CRandom& random)
{
    if (row < 0 || row >= BoardRows)
        return false;
    for (int column = 0; column < BoardColumns; ++column) {
        // Free the slot before making the new brick, so that at most
        // SlotCount bodies ever exist.
        slots[next].reset();
        auto brick = std::make_unique<CDebrisBrick>(world, space, 0);
        dBodySetPosition(brick->body, column, 20 - row, -1.6);

        // The order of the draws is part of a replay's sequence: push (three
        // draws), colour, then the tumble angle.
        float r1 = random.randomUnit();
        float r2 = random.randomUnit();
        float r3 = random.randomUnit();
        // Acts during the next step only: with a mass of 0.001 and a step of
        // 0.005 s the brick leaves at five times this vector per second.
        dBodyAddForce(brick->body, r3 - 0.5, 2.0 * (r2 + 1.0), -(2.0 * r1 + 1.0));
        brick->colour = colours[static_cast<size_t>(column)];
        float r4 = random.randomUnit();
        dMatrix3 tumble;
        dRFromEulerAngles(tumble, r4, 0.0, 0.0);
        dBodySetRotation(brick->body, tumble);

        slots[next] = std::move(brick);
        next = (next + 1) % SlotCount;
    }
    return true;
}

void CPhysicsWorld::update(double dt, bool boardRunning)
{
    if (boardRunning) {
        dSpaceCollide(space, this, &CPhysicsWorld::nearCallback);
        dWorldQuickStep(world, StepLength);
        dJointGroupEmpty(contactGroup);
    }
    impactSound.runDown(dt);
}

void CPhysicsWorld::clear()
{
    for (auto& brick : slots)
        brick.reset();
    next = 0;
    dJointGroupEmpty(contactGroup);
    impactSound.reset();
    dRandSetSeed(0);
}

const CDebrisBrick* CPhysicsWorld::slot(int i) const
{
    if (i < 0 || i >= SlotCount)
        return nullptr;
    return slots[i].get();
}

void CPhysicsWorld::nearCallback(void* data, dGeomID o1, dGeomID o2)
{
    static_cast<CPhysicsWorld*>(data)->collide(o1, o2);
}

void CPhysicsWorld::collide(dGeomID o1, dGeomID o2)
{
    dBodyID b1 = dGeomGetBody(o1);
    dBodyID b2 = dGeomGetBody(o2);
    if (b1 && b2 && dAreConnected(b1, b2))
        return;

    dContact contacts[MaxContactsPerPair]{};
    const dSurfaceParameters surface = contactSurface();
    for (dContact& contact : contacts)
        contact.surface = surface;
    int count = dCollide(o1, o2, MaxContactsPerPair, &contacts[0].geom, sizeof(dContact));
    for (int i = 0; i < count; ++i) {
        impactSound.contact(contacts[i].geom.depth, contacts[i].geom.pos[0]);
        dJointID joint = dJointCreateContact(world, contactGroup, &contacts[i]);
        dJointAttach(joint, b1, b2);
    }
}
