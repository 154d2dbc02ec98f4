#include "inspect/model_space.h"

namespace model_space {

Quat normalize(Quat q) {
    const double l = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (l == 0) return {};
    return {q.x / l, q.y / l, q.z / l, q.w / l};
}

Quat slerp(Quat a, Quat b, double t) {
    double cosine = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (cosine < 0) {
        b = {-b.x, -b.y, -b.z, -b.w};
        cosine = -cosine;
    }
    double wa = 1.0 - t, wb = t;
    if (cosine < 0.9999) {
        const double angle = std::acos(cosine), sine = std::sin(angle);
        wa = std::sin((1.0 - t) * angle) / sine;
        wb = std::sin(t * angle) / sine;
    }
    return normalize(Quat{a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb, a.w * wa + b.w * wb});
}

Quat fromBasis(Vec3 xAxis, Vec3 yAxis, Vec3 zAxis) {
    // Columns of the rotation matrix are the images of x, y and z.
    const double m00 = xAxis.x, m10 = xAxis.y, m20 = xAxis.z;
    const double m01 = yAxis.x, m11 = yAxis.y, m21 = yAxis.z;
    const double m02 = zAxis.x, m12 = zAxis.y, m22 = zAxis.z;
    const double trace = m00 + m11 + m22;
    Quat q;
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        q = {(m21 - m12) / s, (m02 - m20) / s, (m10 - m01) / s, 0.25 * s};
    } else if (m00 > m11 && m00 > m22) {
        const double s = std::sqrt(1.0 + m00 - m11 - m22) * 2;
        q = {0.25 * s, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        const double s = std::sqrt(1.0 + m11 - m00 - m22) * 2;
        q = {(m01 + m10) / s, 0.25 * s, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        const double s = std::sqrt(1.0 + m22 - m00 - m11) * 2;
        q = {(m02 + m20) / s, (m12 + m21) / s, 0.25 * s, (m10 - m01) / s};
    }
    return normalize(q);
}

Vec3 Affine::point(Vec3 p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3],
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3],
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3]};
}

Vec3 Affine::vector(Vec3 v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

double Affine::determinant3() const {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Affine operator*(const Affine& a, const Affine& b) {
    Affine r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

namespace {

// The inverse of the 3 x 3 part (zero when singular).
Affine inverse3(const Affine& a) {
    const auto& m = a.m;
    const double det = a.determinant3();
    Affine r;
    r.m[3] = {0, 0, 0, 1};
    if (det == 0) {
        for (int i = 0; i < 3; ++i) r.m[i] = {0, 0, 0, 0};
        return r;
    }
    const double s = 1.0 / det;
    r.m[0] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) * s, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * s,
              (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * s, 0};
    r.m[1] = {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) * s, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * s,
              (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * s, 0};
    r.m[2] = {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) * s, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * s,
              (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * s, 0};
    return r;
}

Affine transpose3(const Affine& a) {
    Affine r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

}  // namespace

Affine inverse(const Affine& a) {
    Affine r = inverse3(a);
    const Vec3 t = r.vector(a.translation());
    r.m[0][3] = -t.x;
    r.m[1][3] = -t.y;
    r.m[2][3] = -t.z;
    return r;
}

Affine rotationMatrix(Quat q) {
    q = normalize(q);
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z, xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    Affine r;
    r.m[0] = {1 - 2 * (yy + zz), 2 * (xy - wz), 2 * (xz + wy), 0};
    r.m[1] = {2 * (xy + wz), 1 - 2 * (xx + zz), 2 * (yz - wx), 0};
    r.m[2] = {2 * (xz - wy), 2 * (yz + wx), 1 - 2 * (xx + yy), 0};
    return r;
}

Affine compose(Vec3 translation, Quat rotation, Vec3 scale) {
    Affine r = rotationMatrix(rotation);
    const double s[3] = {scale.x, scale.y, scale.z};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] *= s[j];
    r.m[0][3] = translation.x;
    r.m[1][3] = translation.y;
    r.m[2][3] = translation.z;
    return r;
}

Affine normalMatrix(const Affine& a) { return transpose3(inverse3(a)); }

RigidSplit splitRigid(const Affine& a) {
    RigidSplit split;
    split.translation = a.translation();
    Affine linear = a;
    linear.m[0][3] = linear.m[1][3] = linear.m[2][3] = 0;
    // Polar decomposition by averaging with the inverse transpose; a mirrored matrix is mirrored in x first so
    // that the rotation is a proper one, and the mirror stays in the residual.
    Affine rotation = linear;
    if (linear.determinant3() < 0)
        for (int i = 0; i < 3; ++i) rotation.m[i][0] = -rotation.m[i][0];
    for (int iteration = 0; iteration < 60; ++iteration) {
        const Affine inverseTranspose = transpose3(inverse3(rotation));
        double change = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                const double next = 0.5 * (rotation.m[i][j] + inverseTranspose.m[i][j]);
                change += std::abs(next - rotation.m[i][j]);
                rotation.m[i][j] = next;
            }
        if (change < 1e-14) break;
    }
    split.rotation = fromBasis({rotation.m[0][0], rotation.m[1][0], rotation.m[2][0]},
                               {rotation.m[0][1], rotation.m[1][1], rotation.m[2][1]},
                               {rotation.m[0][2], rotation.m[1][2], rotation.m[2][2]});
    split.residual = transpose3(rotationMatrix(split.rotation)) * linear;
    return split;
}

}  // namespace model_space
