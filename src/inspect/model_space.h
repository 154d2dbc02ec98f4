#pragma once

// Small double-precision geometry for the model importer: points, quaternions and affine matrices in the
// column-vector convention (p' = M p), as the scene importer reports node transforms.

#include <array>
#include <cmath>

namespace model_space {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
    const double l = length(a);
    return l > 0 ? a * (1.0 / l) : Vec3{};
}

struct Quat {
    double x = 0, y = 0, z = 0, w = 1;
};
Quat normalize(Quat q);
Quat slerp(Quat a, Quat b, double t);
// The rotation taking x, y and z to the three (orthonormal, right-handed as a basis) axes.
Quat fromBasis(Vec3 xAxis, Vec3 yAxis, Vec3 zAxis);

// Affine 4 x 4, column-vector convention: m[row][column], translation in column 3.
struct Affine {
    std::array<std::array<double, 4>, 4> m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    Vec3 point(Vec3 p) const;
    Vec3 vector(Vec3 v) const;
    Vec3 translation() const { return {m[0][3], m[1][3], m[2][3]}; }
    double determinant3() const;
};
Affine operator*(const Affine& a, const Affine& b);
Affine inverse(const Affine& a);  // of an invertible affine matrix
Affine compose(Vec3 translation, Quat rotation, Vec3 scale);  // T R S
Affine rotationMatrix(Quat q);
// The inverse transpose of the 3 x 3 part, for normals.
Affine normalMatrix(const Affine& a);

// The rotation and translation of an affine matrix, and what is left: a = T R K with K = the residual (scale,
// shear and mirroring). Mirrored matrices give a proper rotation and a K with negative determinant.
struct RigidSplit {
    Vec3 translation;
    Quat rotation;
    Affine residual;
};
RigidSplit splitRigid(const Affine& a);

}  // namespace model_space
