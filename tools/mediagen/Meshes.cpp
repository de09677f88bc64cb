// The game's three meshes: the glass brick every cell is drawn with, the frame
// around the well and the mirror floor under it, plus the frame's texture.
//
// Polygons face outward when their first edge crossed with their last points
// away from the solid, the way the object reader computes normals; every flat
// piece has points of its own so the averaged vertex normals stay flat.
#include "LwoWriter.h"
#include "MediaGenerator.h"

#include <algorithm>
#include <cmath>
#include <stb_image_write.h>

namespace {

using Vec3 = std::array<float, 3>;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Adds a flat convex polygon, given its points in any order and a direction
// pointing out of the solid, as a fan of outward-facing triangles. `uvScale`
// > 0 gives every point UVs projected on the polygon's plane.
void addPolygon(LwoMesh& mesh, std::vector<Vec3> corners, const Vec3& outward, int surface, float uvScale = 0.0f)
{
    Vec3 centre{};
    for (const Vec3& p : corners)
        for (int a = 0; a < 3; ++a)
            centre[a] += p[a] / float(corners.size());
    // A basis of the polygon's plane with u x v along the outward direction,
    // so increasing angle runs counter-clockwise seen from outside.
    const Vec3 helper = std::fabs(outward[1]) < 0.9f ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    const Vec3 u = cross(helper, outward);
    const Vec3 v = cross(outward, u);
    std::sort(corners.begin(), corners.end(), [&](const Vec3& a, const Vec3& b) {
        return std::atan2(dot(a - centre, v), dot(a - centre, u)) < std::atan2(dot(b - centre, v), dot(b - centre, u));
    });
    const int first = int(mesh.points.size());
    for (const Vec3& p : corners) {
        mesh.points.push_back(p);
        if (uvScale > 0.0f) {
            // Dominant-axis projection keeps the texture upright on every side.
            int axis = 0;
            for (int a = 1; a < 3; ++a)
                if (std::fabs(outward[a]) > std::fabs(outward[axis]))
                    axis = a;
            const int s = axis == 0 ? 2 : 0;
            const int t = axis == 1 ? 2 : 1;
            mesh.uvs.push_back({p[s] * uvScale, -p[t] * uvScale});
        }
    }
    for (int i = 1; i + 1 < int(corners.size()); ++i) {
        mesh.triangles.push_back({first, first + i, first + i + 1});
        mesh.triangleSurface.push_back(surface);
    }
}

// An axis-aligned box from `low` to `high`.
void addBox(LwoMesh& mesh, const Vec3& low, const Vec3& high, int surface, float uvScale = 0.0f)
{
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            std::vector<Vec3> face;
            for (int i = 0; i < 4; ++i) {
                Vec3 p{};
                const int a1 = (axis + 1) % 3;
                const int a2 = (axis + 2) % 3;
                p[axis] = side ? high[axis] : low[axis];
                p[a1] = (i & 1) ? high[a1] : low[a1];
                p[a2] = (i & 2) ? high[a2] : low[a2];
                face.push_back(p);
            }
            Vec3 outward{};
            outward[axis] = side ? 1.0f : -1.0f;
            addPolygon(mesh, face, outward, surface, uvScale);
        }
}

Vec3 normalised(const Vec3& v)
{
    const float length = std::sqrt(dot(v, v));
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A cube of edge 1 centred on the origin whose edges and corners are cut off:
// six faces, twelve edge strips and eight corner triangles.
LwoMesh makeChamferBox()
{
    const float h = 0.5f;
    const float c = 0.08f; // chamfer width along each face
    const float in = h - c;
    LwoMesh mesh;
    LwoMeshSurface glass;
    glass.name = "glass";
    glass.colour = {1.0f, 1.0f, 1.0f};
    glass.diffuse = 1.0f;
    glass.specularity = 0.9f;
    glass.glossiness = 0.8f;
    glass.reflection = 0.3f;
    glass.luminosity = 0.1f;
    mesh.surfaces.push_back(glass);

    // A point on the face of `axis` (side s) with the other coordinates given.
    for (int axis = 0; axis < 3; ++axis)
        for (float s : {-1.0f, 1.0f}) {
            std::vector<Vec3> face;
            for (float a : {-in, in})
                for (float b : {-in, in}) {
                    Vec3 p{};
                    p[axis] = s * h;
                    p[(axis + 1) % 3] = a;
                    p[(axis + 2) % 3] = b;
                    face.push_back(p);
                }
            Vec3 outward{};
            outward[axis] = s;
            addPolygon(mesh, face, outward, 0);
        }
    // Edge strips between the faces of axes a and b, along the third axis t.
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            const int t = 3 - a - b;
            for (float sa : {-1.0f, 1.0f})
                for (float sb : {-1.0f, 1.0f}) {
                    std::vector<Vec3> strip;
                    for (float st : {-in, in}) {
                        Vec3 onA{}, onB{};
                        onA[a] = sa * h;
                        onA[b] = sb * in;
                        onA[t] = st;
                        onB[a] = sa * in;
                        onB[b] = sb * h;
                        onB[t] = st;
                        strip.push_back(onA);
                        strip.push_back(onB);
                    }
                    Vec3 outward{};
                    outward[a] = sa;
                    outward[b] = sb;
                    addPolygon(mesh, strip, normalised(outward), 0);
                }
        }
    // Corner triangles.
    for (float sx : {-1.0f, 1.0f})
        for (float sy : {-1.0f, 1.0f})
            for (float sz : {-1.0f, 1.0f}) {
                const Vec3 s{sx, sy, sz};
                std::vector<Vec3> corner;
                for (int axis = 0; axis < 3; ++axis) {
                    Vec3 p{s[0] * in, s[1] * in, s[2] * in};
                    p[axis] = s[axis] * h;
                    corner.push_back(p);
                }
                addPolygon(mesh, corner, normalised(s), 0);
            }
    return mesh;
}

// The frame stands at (4.5, 0, -0.5) in the world, so the well's cells, at x
// 0..9, y 1.5..20.5 and z 0 in the world, fill x -5..5, y 1..21, z 0..1 here.
// Two pillars and a bottom bar hold them; a small plate on the front of the
// bar is drawn with the fixed-function material.
LwoMesh makeFrame()
{
    LwoMesh mesh;
    LwoMeshSurface frame;
    frame.name = "frame";
    frame.colour = {0.85f, 0.85f, 0.9f};
    frame.diffuse = 1.0f;
    frame.specularity = 0.5f;
    frame.glossiness = 0.5f;
    frame.reflection = 0.2f;
    frame.colourClip = 1;
    mesh.surfaces.push_back(frame);
    LwoMeshSurface plate;
    plate.name = "d3dfixed";
    plate.colour = {0.9f, 0.75f, 0.3f};
    plate.diffuse = 0.9f;
    plate.specularity = 0.6f;
    plate.luminosity = 0.2f;
    mesh.surfaces.push_back(plate);
    mesh.clips.push_back("frame.tga");

    const float uv = 0.5f; // the texture repeats every two cells
    const float front = -0.3f;
    const float back = 1.3f;
    addBox(mesh, {-5.6f, 0.0f, front}, {-5.0f, 21.3f, back}, 0, uv);
    addBox(mesh, {5.0f, 0.0f, front}, {5.6f, 21.3f, back}, 0, uv);
    addBox(mesh, {-5.0f, 0.0f, front}, {5.0f, 1.0f, back}, 0, uv);
    addBox(mesh, {-1.5f, 0.25f, front - 0.08f}, {1.5f, 0.75f, front}, 1, uv);
    return mesh;
}

// The mirror floor: the box stands at (0, 30, 0), so its top face at y = -30
// here lies on the world's y = 0 plane, under the well and far beyond it.
// It is deep as well as wide: the mirror pass draws the floor box reflected
// too, and its reflected bottom and sides must face away from the camera
// (and be culled) wherever the camera goes, or they would cover the
// reflected well. A thin slab's bottom face, reflected, lies just above the
// floor facing up and hides the whole reflection.
LwoMesh makeFloorBox()
{
    LwoMesh mesh;
    LwoMeshSurface floor;
    floor.name = "floor";
    floor.colour = {0.3f, 0.32f, 0.36f};
    floor.diffuse = 0.8f;
    floor.specularity = 0.2f;
    floor.glossiness = 0.4f;
    floor.reflection = 0.5f;
    mesh.surfaces.push_back(floor);
    addBox(mesh, {-200.0f, -270.0f, -200.0f}, {200.0f, -30.0f, 200.0f}, 0);
    return mesh;
}

// Brushed metal: fine horizontal streaks over a cool grey, with a darker
// groove every 64 pixels that reads as panel seams on the frame.
bool writeFrameTexture(const std::filesystem::path& path)
{
    const int size = 128;
    std::vector<uint8_t> pixels(size_t(size * size * 3));
    uint32_t state = 12345u;
    std::vector<float> streak(size);
    for (float& s : streak) {
        state = state * 1664525u + 1013904223u;
        s = float(state >> 24) / 255.0f;
    }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            state = state * 1664525u + 1013904223u;
            const float grain = float(state >> 24) / 255.0f;
            float shade = 0.62f + 0.12f * streak[size_t(y)] + 0.05f * grain;
            if (y % 64 < 2 || x % 64 < 2)
                shade *= 0.55f;
            uint8_t* p = &pixels[size_t((y * size + x) * 3)];
            p[0] = uint8_t(std::clamp(shade * 235.0f, 0.0f, 255.0f));
            p[1] = uint8_t(std::clamp(shade * 240.0f, 0.0f, 255.0f));
            p[2] = uint8_t(std::clamp(shade * 255.0f, 0.0f, 255.0f));
        }
    return stbi_write_tga(path.string().c_str(), size, size, 3, pixels.data()) != 0;
}

bool makeMeshes(const std::filesystem::path& mediaDir)
{
    return saveLwo2(makeChamferBox(), mediaDir / "chamferbox.lwo") && saveLwo2(makeFrame(), mediaDir / "frame.lwo")
        && saveLwo2(makeFloorBox(), mediaDir / "box.lwo") && writeFrameTexture(mediaDir / "frame.tga");
}

MediaGeneratorRegistration registration("meshes", &makeMeshes);

} // namespace
