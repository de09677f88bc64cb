#pragma once
// A small writer of LightWave objects (LWO2) for the game's generated meshes:
// one layer of triangles, surfaces with colour and shading values, an optional
// UV map and image clips that surfaces take their colour texture from.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct LwoMeshSurface {
    std::string name;
    std::array<float, 3> colour{1.0f, 1.0f, 1.0f};
    float luminosity = 0.0f;
    float diffuse = 1.0f;
    float specularity = 0.0f;
    float glossiness = 0.4f;
    float reflection = 0.0f;
    float smoothingAngle = 0.0f;
    int colourClip = 0; // 1-based clip index of the colour image, 0 for none
};

struct LwoMesh {
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<float, 2>> uvs; // per point, or empty for no UV map
    std::string uvMapName = "txuv";
    std::vector<std::array<int, 3>> triangles;
    std::vector<int> triangleSurface; // per triangle, index into surfaces
    std::vector<LwoMeshSurface> surfaces;
    std::vector<std::string> clips; // still-image file names, clip i + 1
};

// The file's bytes.
std::vector<uint8_t> writeLwo2(const LwoMesh& mesh);
bool saveLwo2(const LwoMesh& mesh, const std::filesystem::path& path);
