#pragma once
// Items whose program needs nothing of each item but its world matrix (the
// light's depth map and the shadow-lit picture) put into world space here
// and drawn together: a software GL spends more on setting up each draw than
// on a brick's few dozen vertices, and a frame has a few hundred bricks.
// The program then draws with an identity world matrix; positions and
// normals come out as its own transform would have made them.
#include <cstdint>
#include <memory>
#include <vector>

#include "device/Buffers.h"
#include "render/RenderList.h"

class CWorldBatch {
public:
    CWorldBatch();
    ~CWorldBatch();
    CWorldBatch(const CWorldBatch&) = delete;
    CWorldBatch& operator=(const CWorldBatch&) = delete;

    // The items' triangles in world space, in list order; items without a
    // mesh, an entity or triangles are left out, as their draw would be.
    void gather(const RenderList& items);
    bool empty() const { return runs.empty(); }
    // Draws what was gathered with the device's current program and states:
    // one draw per 65536 vertices (the reach of 16-bit indices).
    void draw();
    int drawCount() const { return static_cast<int>(runs.size()); }

private:
    // A mesh's vertex (FvfMesh, 44 bytes) moved into world space.
    struct Vertex {
        float x, y, z;
        float nx, ny, nz;
        float u, v;
        float unused[3];
    };
    // Triangles whose indices count from baseVertex.
    struct Run {
        int baseVertex = 0;
        int vertexCount = 0;
        int startIndex = 0;
        int triangleCount = 0;
    };
    void upload();

    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<Run> runs;
    std::unique_ptr<CVertexBuffer> vertexBuffer;
    std::unique_ptr<CIndexBuffer> indexBuffer;
};
