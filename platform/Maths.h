#pragma once
// The matrix, plane and quaternion helpers the drawing code uses, with
// Direct3D's left-handed, row-vector formulas. A glm::mat4 m holds Direct3D's
// element (row i, column j) as m[i][j], so the memory is the same on both
// sides; a Direct3D product A x B (A applied first) is B * A in GLM terms,
// which matrixMultiply spells out.
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

glm::mat4 matrixLookAtLH(const glm::vec3& eye, const glm::vec3& at, const glm::vec3& up);
glm::mat4 matrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
// Plane (a, b, c, d) with a x + b y + c z + d = 0.
glm::vec4 planeFromPointNormal(const glm::vec3& point, const glm::vec3& normal);
// Reflection through the plane (normalised first).
glm::mat4 matrixReflect(const glm::vec4& plane);
glm::mat4 matrixScaling(float x, float y, float z);
glm::mat4 matrixTranslation(float x, float y, float z);
// Roll about z, then pitch about x, then yaw about y.
glm::mat4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll);
glm::mat4 matrixRotationQuaternion(const glm::quat& q);
// a applied first, then b.
inline glm::mat4 matrixMultiply(const glm::mat4& a, const glm::mat4& b) { return b * a; }
glm::mat4 matrixInverse(const glm::mat4& m);
// Scale, rotation and translation of a matrix made as scaling x rotation x translation.
bool matrixDecompose(glm::vec3& scale, glm::quat& rotation, glm::vec3& translation, const glm::mat4& m);
glm::quat quaternionRotationAxis(const glm::vec3& axis, float angle);
// q1 applied first, then q2.
inline glm::quat quaternionMultiply(const glm::quat& q1, const glm::quat& q2) { return q2 * q1; }
// A point through a matrix (w divided out).
glm::vec3 transformCoord(const glm::vec3& point, const glm::mat4& m);
