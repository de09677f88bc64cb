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
#include <functional>
#include <stb_image_write.h>

namespace {

using Vec3 = std::array<float, 3>;

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Texture coordinates of a point of a polygon with the given outward direction.
using UvFunction = std::function<std::array<float, 2>(const Vec3& point, const Vec3& outward)>;

// Adds a flat convex polygon, given its points in any order and a direction
// pointing out of the solid, as a fan of outward-facing triangles. With `uv`,
// every point gets texture coordinates from it.
void addPolygon(LwoMesh& mesh, std::vector<Vec3> corners, const Vec3& outward, int surface,
                const UvFunction& uv = nullptr)
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
        if (uv)
            mesh.uvs.push_back(uv(p, outward));
    }
    for (int i = 1; i + 1 < int(corners.size()); ++i) {
        mesh.triangles.push_back({first, first + i, first + i + 1});
        mesh.triangleSurface.push_back(surface);
    }
}

int dominantAxis(const Vec3& direction)
{
    int axis = 0;
    for (int a = 1; a < 3; ++a)
        if (std::fabs(direction[a]) > std::fabs(direction[axis]))
            axis = a;
    return axis;
}

// Projects along the polygon's dominant axis, which keeps a texture upright
// on every side of a box.
UvFunction planarUv(float scale)
{
    return [scale](const Vec3& p, const Vec3& outward) -> std::array<float, 2> {
        const int axis = dominantAxis(outward);
        const int s = axis == 0 ? 2 : 0;
        const int t = axis == 1 ? 2 : 1;
        return {p[s] * scale, -p[t] * scale};
    };
}

// Runs the texture's rows along `along` on every side that runs that way, so
// the streaks of brushed metal follow the length of a bar or a pillar.
UvFunction alongUv(int along, float scale)
{
    return [along, scale](const Vec3& p, const Vec3& outward) -> std::array<float, 2> {
        const int normalAxis = dominantAxis(outward);
        if (normalAxis == along)
            return {p[(along + 1) % 3] * scale, p[(along + 2) % 3] * scale};
        return {p[along] * scale, p[3 - along - normalAxis] * scale};
    };
}

// An axis-aligned box from `low` to `high`.
void addBox(LwoMesh& mesh, const Vec3& low, const Vec3& high, int surface, const UvFunction& uv = nullptr)
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
            addPolygon(mesh, face, outward, surface, uv);
        }
}

Vec3 normalised(const Vec3& v)
{
    const float length = std::sqrt(dot(v, v));
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A box from `low` to `high` whose edges and corners are cut off `chamfer`
// deep along each face: six faces, twelve edge strips and eight corner
// triangles. The cut edges catch the light and the room at their own angle,
// which keeps a box from looking flat.
void addChamferBox(LwoMesh& mesh, const Vec3& low, const Vec3& high, float chamfer, int surface,
                   const UvFunction& uv = nullptr)
{
    Vec3 centre, half;
    for (int a = 0; a < 3; ++a) {
        centre[a] = 0.5f * (low[a] + high[a]);
        half[a] = 0.5f * (high[a] - low[a]);
    }
    // The point at signs `s` (each -1 or 1) whose coordinates on the axes
    // flagged in `full` reach the surface and the others stop short of it.
    auto point = [&](const Vec3& s, const std::array<bool, 3>& full) {
        Vec3 p{};
        for (int a = 0; a < 3; ++a)
            p[a] = centre[a] + s[a] * (full[a] ? half[a] : half[a] - chamfer);
        return p;
    };
    for (int axis = 0; axis < 3; ++axis)
        for (float side : {-1.0f, 1.0f}) {
            std::vector<Vec3> face;
            std::array<bool, 3> full{};
            full[size_t(axis)] = true;
            for (float a : {-1.0f, 1.0f})
                for (float b : {-1.0f, 1.0f}) {
                    Vec3 s{};
                    s[axis] = side;
                    s[(axis + 1) % 3] = a;
                    s[(axis + 2) % 3] = b;
                    face.push_back(point(s, full));
                }
            Vec3 outward{};
            outward[axis] = side;
            addPolygon(mesh, face, outward, surface, uv);
        }
    // Edge strips between the faces of axes a and b, along the third axis t.
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b) {
            const int t = 3 - a - b;
            for (float sa : {-1.0f, 1.0f})
                for (float sb : {-1.0f, 1.0f}) {
                    std::vector<Vec3> strip;
                    for (float st : {-1.0f, 1.0f}) {
                        Vec3 s{};
                        s[a] = sa;
                        s[b] = sb;
                        s[t] = st;
                        std::array<bool, 3> onA{}, onB{};
                        onA[size_t(a)] = true;
                        onB[size_t(b)] = true;
                        strip.push_back(point(s, onA));
                        strip.push_back(point(s, onB));
                    }
                    Vec3 outward{};
                    outward[a] = sa;
                    outward[b] = sb;
                    addPolygon(mesh, strip, normalised(outward), surface, uv);
                }
        }
    for (float sx : {-1.0f, 1.0f})
        for (float sy : {-1.0f, 1.0f})
            for (float sz : {-1.0f, 1.0f}) {
                const Vec3 s{sx, sy, sz};
                std::vector<Vec3> corner;
                for (int axis = 0; axis < 3; ++axis) {
                    std::array<bool, 3> full{};
                    full[size_t(axis)] = true;
                    corner.push_back(point(s, full));
                }
                addPolygon(mesh, corner, normalised(s), surface, uv);
            }
}

// The glass brick: a cube of edge 1 centred on the origin with cut edges.
LwoMesh makeChamferBox()
{
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
    addChamferBox(mesh, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 0.08f, 0);
    return mesh;
}

// The backdrop rings the well: a cylinder of sky whose inside faces the well,
// closed by a ceiling, drawn as the inside of a thin closed shell. Its centre
// is under the well's middle; it is as high as it is wide in radius, which
// is what the backdrop picture is painted for (its rows run from the top
// edge down to the floor). Every part of it stays within the camera's far
// plane wherever the game's camera path goes. Nothing of it lies below the
// floor: the mirror pass redraws the scene without the floor, and anything
// under it would show there.
void addBackdrop(LwoMesh& mesh, int surface, const Vec3& centre)
{
    constexpr int Segments = 64;
    constexpr float Radius = 100.0f;
    constexpr float Height = Radius;
    constexpr float Shell = 1.0f;
    constexpr float TopRow = 0.5f / 128.0f; // the picture's rows, texel centres
    constexpr float BottomRow = 1.0f - TopRow;
    constexpr float Pi = 3.14159265f;
    std::array<float, Segments + 1> cosines{}, sines{};
    for (int i = 0; i <= Segments; ++i) {
        const float angle = 2.0f * Pi * float(i % Segments) / float(Segments);
        cosines[size_t(i)] = std::cos(angle);
        sines[size_t(i)] = std::sin(angle);
    }
    auto at = [&](int i, float radius, float y) {
        return Vec3{centre[0] + radius * sines[size_t(i)], y, centre[2] + radius * cosines[size_t(i)]};
    };
    // u runs once around; v follows the height on the walls, the ceiling
    // takes the top row.
    auto uv = [&](const Vec3& p, const Vec3&) -> std::array<float, 2> {
        const float angle = std::atan2(p[0] - centre[0], p[2] - centre[2]);
        const float v = std::clamp(1.0f - p[1] / Height, TopRow, BottomRow);
        return {angle / (2.0f * Pi) + 0.5f, v};
    };
    const float outer = Radius + Shell;
    for (int i = 0; i < Segments; ++i) {
        const Vec3 radial{sines[size_t(i)] + sines[size_t(i + 1)], 0.0f, cosines[size_t(i)] + cosines[size_t(i + 1)]};
        const Vec3 out = normalised(radial);
        const Vec3 in{-out[0], 0.0f, -out[2]};
        addPolygon(mesh, {at(i, Radius, 0.0f), at(i + 1, Radius, 0.0f), at(i, Radius, Height), at(i + 1, Radius, Height)},
                   in, surface, uv);
        addPolygon(mesh, {at(i, outer, 0.0f), at(i + 1, outer, 0.0f), at(i, outer, Height + Shell),
                          at(i + 1, outer, Height + Shell)},
                   out, surface, uv);
        addPolygon(mesh, {at(i, Radius, 0.0f), at(i + 1, Radius, 0.0f), at(i, outer, 0.0f), at(i + 1, outer, 0.0f)},
                   {0.0f, -1.0f, 0.0f}, surface, uv);
        addPolygon(mesh, {Vec3{centre[0], Height, centre[2]}, at(i, Radius, Height), at(i + 1, Radius, Height)},
                   {0.0f, -1.0f, 0.0f}, surface, uv);
        addPolygon(mesh,
                   {Vec3{centre[0], Height + Shell, centre[2]}, at(i, outer, Height + Shell),
                    at(i + 1, outer, Height + Shell)},
                   {0.0f, 1.0f, 0.0f}, surface, uv);
    }
}

// The frame stands at (4.5, 0, -0.5) in the world, so the well's cells, at x
// 0..9, y 1.5..20.5 and z 0 in the world, fill x -5..5, y 1..21, z 0..1 here.
// Two pillars and a bottom bar of brushed steel with cut edges hold them; a
// small plate on the front of the bar is lit per vertex by the fixed
// material. Around it all stands the backdrop.
LwoMesh makeFrame()
{
    LwoMesh mesh;
    LwoMeshSurface frame;
    frame.name = "frame";
    frame.colour = {0.50f, 0.55f, 0.66f};
    frame.diffuse = 1.0f;
    frame.specularity = 0.7f;
    frame.glossiness = 0.9f;
    frame.reflection = 0.40f;
    frame.colourClip = 1;
    mesh.surfaces.push_back(frame);
    LwoMeshSurface plate;
    plate.name = "d3dfixed";
    plate.colour = {0.95f, 0.72f, 0.32f};
    plate.diffuse = 0.9f;
    plate.specularity = 0.15f;
    plate.glossiness = 0.8f;
    plate.luminosity = 0.15f;
    plate.colourClip = 3;
    mesh.surfaces.push_back(plate);
    // A glowing surface: the picture is the colour, the light barely adds.
    LwoMeshSurface backdrop;
    backdrop.name = "backdrop";
    backdrop.colour = {1.0f, 1.0f, 1.0f};
    backdrop.diffuse = 0.05f;
    backdrop.luminosity = 1.0f;
    backdrop.colourClip = 2;
    mesh.surfaces.push_back(backdrop);
    mesh.clips.push_back("frame.tga");
    mesh.clips.push_back("backdrop.tga");
    mesh.clips.push_back("plate.tga");

    const float uv = 0.5f; // the texture repeats every two cells
    const float front = -0.3f;
    const float back = 1.3f;
    const float cut = 0.1f;
    addChamferBox(mesh, {-5.6f, 0.0f, front}, {-5.0f, 21.3f, back}, cut, 0, alongUv(1, uv));
    addChamferBox(mesh, {5.0f, 0.0f, front}, {5.6f, 21.3f, back}, cut, 0, alongUv(1, uv));
    addChamferBox(mesh, {-5.0f, 0.0f, front}, {5.0f, 1.0f, back}, cut, 0, alongUv(0, uv));
    // The plate's picture spans its front face once.
    const Vec3 plateLow{-1.5f, 0.25f, front - 0.08f};
    const Vec3 plateHigh{1.5f, 0.75f, front};
    addBox(mesh, plateLow, plateHigh, 1, [&](const Vec3& p, const Vec3&) -> std::array<float, 2> {
        return {(p[0] - plateLow[0]) / (plateHigh[0] - plateLow[0]), (plateHigh[1] - p[1]) / (plateHigh[1] - plateLow[1])};
    });
    addBackdrop(mesh, 2, {0.0f, 0.0f, 0.5f});
    return mesh;
}

// The mirror floor: the box stands at (0, 30, 0), so its top face at y = -30
// here lies on the world's y = 0 plane, under the well and far beyond it.
// It is deep as well as wide: the mirror pass draws the floor box reflected
// too, and its reflected bottom and sides must face away from the camera
// (and be culled) wherever the camera goes, or they would cover the
// reflected well. A thin slab's bottom face, reflected, lies just above the
// floor facing up and hides the whole reflection.
//
// Dark polished tiles: the floor keeps a little under half of its own colour
// where the mirror shows the scene, so a dark floor lets the reflection read.
LwoMesh makeFloorBox()
{
    LwoMesh mesh;
    LwoMeshSurface floor;
    floor.name = "floor";
    floor.colour = {0.34f, 0.37f, 0.45f};
    floor.diffuse = 1.0f;
    floor.specularity = 0.3f;
    floor.glossiness = 0.8f;
    floor.reflection = 0.2f;
    floor.colourClip = 1;
    mesh.surfaces.push_back(floor);
    mesh.clips.push_back("floor.tga");
    addBox(mesh, {-200.0f, -270.0f, -200.0f}, {200.0f, -30.0f, 200.0f}, 0, planarUv(1.0f / 8.0f));
    return mesh;
}

// Brushed steel: fine streaks along the rows over a cool grey, and a slow
// swell of shade so long bars do not repeat visibly.
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
            const float swell = 0.5f + 0.5f * std::sin(6.2831853f * float(x) / float(size));
            const float shade = 0.70f + 0.10f * streak[size_t(y)] + 0.04f * grain + 0.08f * swell;
            uint8_t* p = &pixels[size_t((y * size + x) * 3)];
            p[0] = uint8_t(std::clamp(shade * 235.0f, 0.0f, 255.0f));
            p[1] = uint8_t(std::clamp(shade * 242.0f, 0.0f, 255.0f));
            p[2] = uint8_t(std::clamp(shade * 255.0f, 0.0f, 255.0f));
        }
    return stbi_write_tga(path.string().c_str(), size, size, 3, pixels.data()) != 0;
}

// Floor tiles, two by two on the picture (four world units each): polished
// stone of slightly different shades, with fine pale joints.
bool writeFloorTexture(const std::filesystem::path& path)
{
    const int size = 128;
    const int tile = size / 2;
    const float shades[4] = {0.50f, 0.44f, 0.46f, 0.52f};
    std::vector<uint8_t> pixels(size_t(size * size * 3));
    uint32_t state = 777u;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            state = state * 1664525u + 1013904223u;
            const float grain = float(state >> 24) / 255.0f;
            float shade = shades[(y / tile) * 2 + x / tile] + 0.04f * grain;
            const int jx = x % tile, jy = y % tile;
            if (jx == 0 || jy == 0)
                shade = 0.78f;
            else if (jx == 1 || jy == 1 || jx == tile - 1 || jy == tile - 1)
                shade = 0.62f;
            uint8_t* p = &pixels[size_t((y * size + x) * 3)];
            p[0] = uint8_t(std::clamp(shade * 240.0f, 0.0f, 255.0f));
            p[1] = uint8_t(std::clamp(shade * 245.0f, 0.0f, 255.0f));
            p[2] = uint8_t(std::clamp(shade * 255.0f, 0.0f, 255.0f));
        }
    return stbi_write_tga(path.string().c_str(), size, size, 3, pixels.data()) != 0;
}

// The name plate: brushed brass with a bevelled rim, a fine engraved line
// inside it and a screw at each end. Its alpha is opaque.
bool writePlateTexture(const std::filesystem::path& path)
{
    const int width = 192, height = 32;
    std::vector<uint8_t> pixels(size_t(width * height * 3));
    uint32_t state = 4242u;
    std::vector<float> streak(height);
    for (float& s : streak) {
        state = state * 1664525u + 1013904223u;
        s = float(state >> 24) / 255.0f;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float shade = 0.78f + 0.10f * streak[size_t(y)] + 0.12f * (1.0f - float(y) / float(height));
            const int edge = std::min({x, y, width - 1 - x, height - 1 - y});
            if (edge < 2)
                shade = x + y < width / 2 ? 1.0f : 0.45f; // lit top-left rim, shaded lower right
            else if (edge == 5)
                shade *= 0.55f; // the engraved line
            for (int end : {12, width - 13}) {
                const float d = std::hypot(float(x - end), float(y - height / 2));
                if (d < 5.0f)
                    shade = std::fabs(float(y - height / 2)) < 0.8f ? 0.35f : 0.95f - 0.08f * d;
            }
            uint8_t* p = &pixels[size_t((y * width + x) * 3)];
            p[0] = uint8_t(std::clamp(shade * 255.0f, 0.0f, 255.0f));
            p[1] = uint8_t(std::clamp(shade * 235.0f, 0.0f, 255.0f));
            p[2] = uint8_t(std::clamp(shade * 190.0f, 0.0f, 255.0f));
        }
    return stbi_write_tga(path.string().c_str(), width, height, 3, pixels.data()) != 0;
}

bool makeMeshes(const std::filesystem::path& mediaDir)
{
    return saveLwo2(makeChamferBox(), mediaDir / "chamferbox.lwo") && saveLwo2(makeFrame(), mediaDir / "frame.lwo")
        && saveLwo2(makeFloorBox(), mediaDir / "box.lwo") && writeFrameTexture(mediaDir / "frame.tga")
        && writeFloorTexture(mediaDir / "floor.tga") && writePlateTexture(mediaDir / "plate.tga");
}

MediaGeneratorRegistration registration("meshes", &makeMeshes);

} // namespace
