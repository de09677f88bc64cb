#pragma once
// The brick the game falls back on when its mesh file cannot be used: a plain
// cube of edge 1 centred on the origin, the size of one board cell, built in
// code so that a game without its brick mesh is still a game that shows its
// bricks.
#include <cstdint>
#include <vector>

#include "render/Mesh.h"

// Four corners per face, each face with its own outward normal (24 vertices).
std::vector<MeshVertex> unitCubeVertices();
// Two triangles per face (36 indices), wound like the game's own meshes: seen
// from outside, the corners turn so that (b - a) x (c - a) points outward.
std::vector<uint16_t> unitCubeIndices();

// Replaces whatever the mesh held by the cube: one subset drawn by
// `material`, white glass-like values.
void buildUnitCube(CMesh& mesh, CMaterial* material);
