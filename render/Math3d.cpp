#include "render/Math3d.h"

#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

glm::vec3 normalizeVector(const glm::vec3& v)
{
    float length = glm::length(v);
    return length > 0.0f ? v / length : glm::vec3(0.0f);
}

glm::mat4 matrixLookAtLH(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up)
{
    glm::vec3 zAxis = normalizeVector(target - eye);
    glm::vec3 xAxis = normalizeVector(glm::cross(up, zAxis));
    glm::vec3 yAxis = glm::cross(zAxis, xAxis);

    // The axes are the first three rows, each point's distance along them
    // the fourth column (GLM indexes m[column][row]).
    glm::mat4 m(1.0f);
    for (int i = 0; i < 3; ++i) {
        m[i][0] = xAxis[i];
        m[i][1] = yAxis[i];
        m[i][2] = zAxis[i];
    }
    m[3][0] = -glm::dot(xAxis, eye);
    m[3][1] = -glm::dot(yAxis, eye);
    m[3][2] = -glm::dot(zAxis, eye);
    return m;
}

glm::mat4 matrixPerspectiveFovLH(float fieldOfViewY, float aspect, float zNear, float zFar)
{
    float yScale = 1.0f / std::tan(fieldOfViewY / 2.0f);
    float xScale = yScale / aspect;
    glm::mat4 m(0.0f);
    m[0][0] = xScale;
    m[1][1] = yScale;
    m[2][2] = zFar / (zFar - zNear);
    m[2][3] = 1.0f;
    m[3][2] = -zNear * zFar / (zFar - zNear);
    return m;
}

Plane planeFromPointNormal(const glm::vec3& point, const glm::vec3& normal)
{
    return Plane(normal, -glm::dot(point, normal));
}

glm::mat4 matrixReflect(const Plane& plane)
{
    float length = glm::length(glm::vec3(plane));
    Plane p = length > 0.0f ? plane / length : plane;
    glm::mat4 m(1.0f);
    // I - 2 n n' in the upper 3 x 3, -2 d n as the translation column.
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 3; ++row)
            m[column][row] = (row == column ? 1.0f : 0.0f) - 2.0f * p[column] * p[row];
    }
    return m;
}

glm::mat4 matrixScaling(float x, float y, float z) { return glm::scale(glm::mat4(1.0f), glm::vec3(x, y, z)); }

glm::mat4 matrixTranslation(float x, float y, float z) { return glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)); }

glm::mat4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    // "Roll, then pitch, then yaw" reads right to left.
    glm::mat4 yawMatrix = glm::rotate(glm::mat4(1.0f), yaw, glm::vec3(0, 1, 0));
    glm::mat4 pitchMatrix = glm::rotate(glm::mat4(1.0f), pitch, glm::vec3(1, 0, 0));
    glm::mat4 rollMatrix = glm::rotate(glm::mat4(1.0f), roll, glm::vec3(0, 0, 1));
    return yawMatrix * pitchMatrix * rollMatrix;
}

std::optional<glm::mat4> matrixInverse(const glm::mat4& m)
{
    float determinant = glm::determinant(m);
    if (determinant == 0.0f || !std::isfinite(determinant))
        return std::nullopt;
    return glm::inverse(m);
}

bool matrixDecompose(const glm::mat4& m, glm::vec3& scale, glm::quat& rotation, glm::vec3& translation)
{
    glm::vec3 axes[3] = {glm::vec3(m[0]), glm::vec3(m[1]), glm::vec3(m[2])};
    glm::vec3 lengths(glm::length(axes[0]), glm::length(axes[1]), glm::length(axes[2]));
    if (lengths.x == 0.0f || lengths.y == 0.0f || lengths.z == 0.0f)
        return false;
    glm::mat3 pure(axes[0] / lengths.x, axes[1] / lengths.y, axes[2] / lengths.z);
    scale = lengths;
    rotation = glm::quat_cast(pure);
    translation = glm::vec3(m[3]);
    return true;
}

glm::quat quaternionRotationAxis(const glm::vec3& axis, float angle)
{
    glm::vec3 unit = normalizeVector(axis);
    return glm::quat(std::cos(angle / 2.0f), unit * std::sin(angle / 2.0f));
}

glm::vec3 rotateByConjugate(const glm::quat& q, const glm::vec3& v)
{
    glm::quat result = glm::conjugate(q) * glm::quat(0.0f, v) * q;
    return {result.x, result.y, result.z};
}

glm::vec3 transformCoord(const glm::vec3& point, const glm::mat4& m)
{
    glm::vec4 p = m * glm::vec4(point, 1.0f);
    return glm::vec3(p) / p.w;
}

glm::vec3 transformNormal(const glm::vec3& direction, const glm::mat4& m)
{
    return glm::vec3(m * glm::vec4(direction, 0.0f));
}
