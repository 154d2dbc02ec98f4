#include "render/scene_math.h"

#include <cmath>

namespace scene_math {

Matrix identity() {
    return Matrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        // Row i of the result is a linear combination of b's rows: four-wide multiply-adds.
        float row[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            const float f = a.m[i][k];
            for (int j = 0; j < 4; ++j) row[j] += f * b.m[k][j];
        }
        for (int j = 0; j < 4; ++j) r.m[i][j] = row[j];
    }
    return r;
}

Matrix transpose(const Matrix& a) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

Matrix inverse(const Matrix& matrix) {
    const float* m = &matrix.m[0][0];
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
             m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
             m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
             m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
              m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
             m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
             m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
             m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
              m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
             m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
              m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
              m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] -
             m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];

    const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0f || !std::isfinite(det)) return identity();
    const float scale = 1.0f / det;
    Matrix r;
    float* out = &r.m[0][0];
    for (int i = 0; i < 16; ++i) out[i] = inv[i] * scale;
    return r;
}

Matrix translation(float x, float y, float z) {
    Matrix r = identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix scaling(float x, float y, float z) {
    Matrix r = identity();
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

Matrix rotation(const Quaternion& q) {
    const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    return Matrix{{{1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy), 0},
                   {2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx), 0},
                   {2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy), 0},
                   {0, 0, 0, 1}}};
}

Matrix perspective(float fov, float aspect, float nearZ, float farZ) {
    const float h = std::cos(fov * 0.5f) / std::sin(fov * 0.5f);
    const float w = h / aspect;
    const float r = farZ / (farZ - nearZ);
    return Matrix{{{w, 0, 0, 0}, {0, h, 0, 0}, {0, 0, r, 1}, {0, 0, -r * nearZ, 0}}};
}

Vector4 transform(const Vector4& v, const Matrix& m) {
    Vector4 r;
    r.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + v.w * m.m[3][0];
    r.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + v.w * m.m[3][1];
    r.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + v.w * m.m[3][2];
    r.w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + v.w * m.m[3][3];
    return r;
}

Quaternion normalise(const Quaternion& q) {
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (length == 0.0f) return Quaternion{0, 0, 0, 1};
    return Quaternion{q.x / length, q.y / length, q.z / length, q.w / length};
}

Quaternion slerp(const Quaternion& a, const Quaternion& b, float t) {
    // In double: dense key tracks (a key a frame) give pairs a fraction of a degree apart, where the float cosine
    // has lost most of the angle. The angle comes from the chord and the sum of the two (half-angle form), which
    // stays exact for small angles where acos of the cosine does not.
    const double dot = double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z + double(a.w) * b.w;
    const double sign = dot < 0.0 ? -1.0 : 1.0;  // the short arc
    const double d[4] = {b.x * sign - a.x, b.y * sign - a.y, b.z * sign - a.z, b.w * sign - a.w};
    const double s[4] = {b.x * sign + a.x, b.y * sign + a.y, b.z * sign + a.z, b.w * sign + a.w};
    const double chord = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2] + d[3] * d[3]);
    const double sum = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2] + s[3] * s[3]);
    const double angle = 2.0 * std::atan2(chord, sum);
    double wa = 1.0 - t, wb = t;
    const double sine = std::sin(angle);
    if (sine > 1e-6) {
        wa = std::sin((1.0 - t) * angle) / sine;
        wb = std::sin(t * angle) / sine;
    }
    wb *= sign;
    const double q[4] = {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
    // Below the threshold the blend is linear: normalised, so rotation matrices stay orthonormal either way.
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (length == 0.0) return Quaternion{0, 0, 0, 1};
    return Quaternion{float(q[0] / length), float(q[1] / length), float(q[2] / length), float(q[3] / length)};
}

}  // namespace scene_math
