#pragma once
// The vector, matrix, plane and quaternion helpers the renderer and camera
// build on: a left-handed world with y up, clip depth from 0 to 1.
//
// One convention throughout, GLM's and GL's: points are column vectors
// (p' = M * p), so "A, then B" is written B * A, a world matrix "scale, then
// rotation, then translation" is T * R * S, the camera's chain is
// projection * view * world, and a matrix goes to a shader as it is.
//
// Quaternions are glm::quat (x, y, z, w); its operator* is the Hamilton
// product, q * p turning by p first. The quaternion of a rotation matrix M is
// the q whose matrix is M.
#include <optional>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

// A plane a*x + b*y + c*z + d = 0 as (a, b, c, d).
using Plane = glm::vec4;

// Unit vector along v; a zero vector stays zero rather than turning into NaN.
glm::vec3 normalizeVector(const glm::vec3& v);

// The view matrix of an eye looking at a point: the view's z axis runs from
// the eye to the target, x = up x z, y = z x x. A degenerate eye, target
// and up (eye on the target, up along the view) gives zero axes, never NaN.
glm::mat4 matrixLookAtLH(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up);

// Perspective projection with a vertical field of view in radians; view
// depth zNear maps to 0 and zFar to 1.
glm::mat4 matrixPerspectiveFovLH(float fieldOfViewY, float aspect, float zNear, float zFar);

// The plane through a point with the given normal.
Plane planeFromPointNormal(const glm::vec3& point, const glm::vec3& normal);

// Reflection through a plane (normalised first).
glm::mat4 matrixReflect(const Plane& plane);

glm::mat4 matrixScaling(float x, float y, float z);
glm::mat4 matrixTranslation(float x, float y, float z);

// Roll about z, then pitch about x, then yaw about y (radians): yaw * pitch * roll.
glm::mat4 matrixRotationYawPitchRoll(float yaw, float pitch, float roll);

// The inverse, or nothing for a singular matrix.
std::optional<glm::mat4> matrixInverse(const glm::mat4& m);

// Splits translation * rotation * scale into its parts. False (outputs
// untouched) when an axis has zero length and no rotation can be found.
bool matrixDecompose(const glm::mat4& m, glm::vec3& scale, glm::quat& rotation, glm::vec3& translation);

// (axis * sin(angle / 2), cos(angle / 2)) with the axis normalised first.
glm::quat quaternionRotationAxis(const glm::vec3& axis, float angle);

// The vector part of conj(q) * (v, 0) * q. For a unit q this turns v by the
// inverse of q's rotation: with q taken from a view matrix, a view-space
// vector comes out in world space.
glm::vec3 rotateByConjugate(const glm::quat& q, const glm::vec3& v);

// A point (w = 1, divided by the resulting w) and a direction (w = 0)
// through a matrix.
glm::vec3 transformCoord(const glm::vec3& point, const glm::mat4& m);
glm::vec3 transformNormal(const glm::vec3& direction, const glm::mat4& m);
