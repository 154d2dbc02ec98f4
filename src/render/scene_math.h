#pragma once

// 4 x 4 matrices and quaternions of the scene pass: row-major floats in the row-vector convention (a point p maps
// to p x M, translation in the fourth row), stored 16-byte aligned so the compiler can keep rows in SIMD registers.

#include <cstdint>

namespace scene_math {

struct alignas(16) Matrix {
    float m[4][4];
};

struct alignas(16) Vector4 {
    float x, y, z, w;
};

// Quaternion (x, y, z, w), w the real part.
struct alignas(16) Quaternion {
    float x, y, z, w;
};

Matrix identity();
// a x b: apply a, then b.
Matrix multiply(const Matrix& a, const Matrix& b);
Matrix transpose(const Matrix& a);
// The general inverse; a singular matrix gives the identity, so a degenerate camera cannot poison the frame.
Matrix inverse(const Matrix& a);
Matrix translation(float x, float y, float z);
Matrix scaling(float x, float y, float z);
// The rotation of a unit quaternion, as a row-vector matrix.
Matrix rotation(const Quaternion& q);
// Left-handed, depth 0 to 1; fov is the full vertical angle in radians.
Matrix perspective(float fov, float aspect, float nearZ, float farZ);

// The row vector v x m.
Vector4 transform(const Vector4& v, const Matrix& m);

Quaternion normalise(const Quaternion& q);
// Spherical interpolation along the shorter arc; nearly parallel quaternions interpolate linearly.
Quaternion slerp(const Quaternion& a, const Quaternion& b, float t);

}  // namespace scene_math
