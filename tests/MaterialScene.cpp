#include "MaterialScene.h"

#include "files/PictureFile.h"
#include "lwo/LwoObject.h"
#include "render/ScreenQuad.h"

#include <cmath>
#include <cstdlib>

std::unique_ptr<CTestMesh> makeCube()
{
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;
    const glm::vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const glm::vec3& n : normals) {
        const glm::vec3 up = std::fabs(n.y) > 0.5f ? glm::vec3(0, 0, 1) : glm::vec3(0, 1, 0);
        const glm::vec3 right = glm::cross(n, up);
        const glm::vec3 corners[4] = {-right + up, right + up, right - up, -right - up};
        const auto base = static_cast<uint16_t>(vertices.size());
        for (int c = 0; c < 4; ++c) {
            const glm::vec3 p = 0.5f * (n + corners[c]);
            vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, c == 1 || c == 2 ? 1.0f : 0.0f, c >= 2 ? 1.0f : 0.0f,
                                {0, 0, 0}});
        }
        for (int k : {0, 1, 2, 0, 2, 3})
            indices.push_back(static_cast<uint16_t>(base + k));
    }
    return std::make_unique<CTestMesh>(vertices, indices);
}

std::unique_ptr<CTestMesh> makeLwoMesh(const std::string& name, int surface)
{
    LwoObjectPtr object = loadLwoObject(MediaDir / name);
    if (!object)
        return nullptr;
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;
    for (const auto& layer : object->layers)
        for (const LwoPolygon& polygon : layer->polygons) {
            if (polygon.cornerCount != 3)
                return nullptr;
            if (surface >= 0 && polygon.surface != surface)
                continue;
            for (int c = 0; c < 3; ++c) {
                const auto corner = static_cast<size_t>(polygon.firstCorner + c);
                const LwoPoint& point = layer->points[static_cast<size_t>(layer->corners[corner].point)];
                float u = 0.0f, v = 0.0f;
                if (!point.vertexMaps.empty() && point.vertexMaps[0].map->dimension >= 2) {
                    const auto& ref = point.vertexMaps[0];
                    u = ref.map->values[static_cast<size_t>(ref.entry * ref.map->dimension)];
                    v = ref.map->values[static_cast<size_t>(ref.entry * ref.map->dimension + 1)];
                }
                indices.push_back(static_cast<uint16_t>(vertices.size()));
                vertices.push_back({point.position[0], point.position[1], point.position[2], polygon.normal[0],
                                    polygon.normal[1], polygon.normal[2], u, v, {0, 0, 0}});
            }
        }
    return std::make_unique<CTestMesh>(vertices, indices);
}

std::unique_ptr<CTexture> solidTexture(float r, float g, float b, float a)
{
    auto texture = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), r, g, b, a);
    return texture;
}

std::unique_ptr<CTexture> solidCube(float r, float g, float b)
{
    auto texture = CTexture::createCube(4, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), r, g, b, 1.0f);
    return texture;
}

std::unique_ptr<CTexture> coordinateTexture()
{
    std::vector<uint8_t> rgba(Size * Size * 4);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * Size + x) * 4];
            p[0] = static_cast<uint8_t>(x * 2);
            p[1] = static_cast<uint8_t>(y * 2);
            p[2] = 0;
            p[3] = 255;
        }
    auto texture = CTexture::create(Size, Size, 1, Format::A8R8G8B8);
    texture->upload(0, PixelLayout::Rgba8, rgba.data());
    return texture;
}

void keepPicture(const std::string& name, std::vector<uint8_t> rgba, int width, int height)
{
    const char* dir = std::getenv("VESBRIK_TEST_PNG_DIR");
    if (!dir || !*dir)
        return;
    // Opaque, as the picture reaches the screen.
    writePicture((std::filesystem::path(dir) / (name + ".png")).string(), std::move(rgba), width, height);
}

MaterialValues plainValues()
{
    MaterialValues values;
    values.diffuse = glm::vec4(0.8f, 0.8f, 0.8f, 1.0f);
    return values;
}
