#include "platform/Maths.h"

#include <cmath>

glm::mat4 matrixLookAtLH(const glm::vec3& eye, const glm::vec3& at, const glm::vec3& up)
{
    const glm::vec3 z = glm::normalize(at - eye);
    const glm::vec3 x = glm::normalize(glm::cross(up, z));
    const glm::vec3 y = glm::cross(z, x);
    glm::mat4 m(1.0f);
    m[0] = {x.x, y.x, z.x, 0};
    m[1] = {x.y, y.y, z.y, 0};
    m[2] = {x.z, y.z, z.z, 0};
    m[3] = {-glm::dot(x, eye), -glm::dot(y, eye), -glm::dot(z, eye), 1};
    return m;
}

glm::mat4 matrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar)
{
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    glm::mat4 m(0.0f);
    m[0][0] = xScale;
    m[1][1] = yScale;
    m[2][2] = zFar / (zFar - zNear);
    m[2][3] = 1.0f;
    m[3][2] = -zNear * zFar / (zFar - zNear);
    return m;
}

glm::vec4 planeFromPointNormal(const glm::vec3& point, const glm::vec3& normal)
{
    return {normal, -glm::dot(point, normal)};
}

glm::mat4 matrixReflect(const glm::vec4& plane)
{
    const float length = glm::length(glm::vec3(plane));
    const glm::vec4 p = length > 0.0f ? plane / length : plane;
    glm::mat4 m(1.0f);
    m[0] = {1 - 2 * p.x * p.x, -2 * p.y * p.x, -2 * p.z * p.x, 0};
    m[1] = {-2 * p.x * p.y, 1 - 2 * p.y * p.y, -2 * p.z * p.y, 0};
    m[2] = {-2 * p.x * p.z, -2 * p.y * p.z, 1 - 2 * p.z * p.z, 0};
    m[3] = {-2 * p.x * p.w, -2 * p.y * p.w, -2 * p.z * p.w, 1};
    return m;
}

glm::mat4 matrixScaling(float x, float y, float z)
{
    glm::mat4 m(1.0f);
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
    return m;
}

glm::mat4 matrixTranslation(float x, float y, float z)
{
    glm::mat4 m(1.0f);
    m[3] = {x, y, z, 1};
    return m;
}

namespace {

// Direct3D's rotation about one axis (left-handed, row vectors).
glm::mat4 rotationX(float a)
{
    glm::mat4 m(1.0f);
    m[1] = {0, std::cos(a), std::sin(a), 0};
    m[2] = {0, -std::sin(a), std::cos(a), 0};
    return m;
}

glm::mat4 rotationY(float a)
{
    glm::mat4 m(1.0f);
    m[0] = {std::cos(a), 0, -std::sin(a), 0};
    m[2] = {std::sin(a), 0, std::cos(a), 0};
    return m;
}

glm::mat4 rotationZ(float a)
{
    glm::mat4 m(1.0f);
    m[0] = {std::cos(a), std::sin(a), 0, 0};
    m[1] = {-std::sin(a), std::cos(a), 0, 0};
    return m;
}

} // namespace

glm::mat4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    return matrixMultiply(matrixMultiply(rotationZ(roll), rotationX(pitch)), rotationY(yaw));
}

glm::mat4 matrixRotationQuaternion(const glm::quat& q) { return glm::mat4_cast(q); }

glm::mat4 matrixInverse(const glm::mat4& m) { return glm::inverse(m); }

bool matrixDecompose(glm::vec3& scale, glm::quat& rotation, glm::vec3& translation, const glm::mat4& m)
{
    translation = glm::vec3(m[3]);
    const glm::vec3 rows[3] = {glm::vec3(m[0]), glm::vec3(m[1]), glm::vec3(m[2])};
    scale = {glm::length(rows[0]), glm::length(rows[1]), glm::length(rows[2])};
    if (scale.x == 0.0f || scale.y == 0.0f || scale.z == 0.0f) {
        rotation = glm::quat(1, 0, 0, 0);
        return false;
    }
    glm::mat3 r(rows[0] / scale.x, rows[1] / scale.y, rows[2] / scale.z);
    rotation = glm::quat_cast(r);
    return true;
}

glm::quat quaternionRotationAxis(const glm::vec3& axis, float angle)
{
    return glm::angleAxis(angle, glm::normalize(axis));
}

glm::vec3 transformCoord(const glm::vec3& point, const glm::mat4& m)
{
    const glm::vec4 p = m * glm::vec4(point, 1.0f);
    return p.w != 0.0f ? glm::vec3(p) / p.w : glm::vec3(p);
}
