#include "inspect/model_framing.h"

#include <algorithm>
#include <cmath>

#include "base/png_encoding.h"

namespace model_framing {

namespace {

using namespace model_space;

constexpr double kPi = 3.14159265358979323846;

// Where a camera looking at `target` along `forward` (with `right` and `up`) stands so that every point lies
// within kFrameShare of the frame's half-width and half-height about its middle, and one of them at that share;
// with the nearest and farthest depth of the points from there.
struct Fit {
    double distance = 0, nearest = 0, farthest = 0;
    double middleX = 0, middleY = 0;  // of the points' projected bounds, in the frame's -1..1 units
};

Fit fit(const std::vector<Vec3>& points, double radius, Vec3 target, Vec3 right, Vec3 up, Vec3 forward) {
    const double tanY = std::tan(kFramingFov * 0.5), tanX = tanY * kFramingAspect;
    std::vector<Vec3> local;
    double behind = -1e300;
    // A large model is fitted on every few of its vertices: near enough, and an orbit takes a few hundred fits.
    const std::size_t stride = points.size() / 60000 + 1;
    for (std::size_t i = 0; i < points.size(); i += stride) {
        const Vec3 d = points[i] - target;
        local.push_back({dot(d, right), dot(d, up), dot(d, forward)});
        behind = std::max(behind, -local.back().z);
    }
    auto extent = [&](double distance, Fit* out) {
        double widest = 0, loX = 1e300, hiX = -1e300, loY = 1e300, hiY = -1e300;
        out->nearest = 1e300;
        out->farthest = 0;
        for (const Vec3& p : local) {
            const double z = p.z + distance, x = p.x / (z * tanX), y = p.y / (z * tanY);
            widest = std::max({widest, std::abs(x), std::abs(y)});
            loX = std::min(loX, x), hiX = std::max(hiX, x), loY = std::min(loY, y), hiY = std::max(hiY, y);
            out->nearest = std::min(out->nearest, z);
            out->farthest = std::max(out->farthest, z);
        }
        out->middleX = (loX + hiX) * 0.5;
        out->middleY = (loY + hiY) * 0.5;
        return widest;
    };
    // Every point in front of the camera, and none nearer than a thousandth of the model's size.
    double low = std::max(behind + radius * 1e-3, 0.0), high = std::max(low, 1e-6) * 2 + radius * 4;
    Fit result;
    while (extent(high, &result) > kFrameShare && high < 1e12) high *= 2;
    for (int i = 0; i < 40; ++i) {  // the extent falls as the camera backs away
        const double middle = (low + high) * 0.5;
        (extent(middle, &result) > kFrameShare ? low : high) = middle;
    }
    extent(high, &result);
    result.distance = high;
    return result;
}

// The camera's axes looking along `forward` with the world's up as near up as it can be.
void basis(Vec3 forward, Vec3* right, Vec3* up) {
    *right = normalize(cross({0, 1, 0}, forward));
    if (length(*right) < 0.5) *right = {1, 0, 0};
    *up = cross(forward, *right);
}

}  // namespace

Framing frameModel(const std::vector<Vec3>& points, Vec3 centre, double radius, bool orbit, double first, double last) {
    const double elevation = 25.0 * kPi / 180.0;
    const int steps = orbit ? 36 : 1;
    auto direction = [&](int i) {  // from the model to the camera
        const double f = double(i) / steps;
        // A glTF model faces +z, which the left-handed conversion turns to -z: the camera stands on that side.
        const double azimuth = (35.0 + (orbit ? 90.0 * f : 0.0)) * kPi / 180.0;
        return Vec3{std::sin(azimuth) * std::cos(elevation), std::sin(elevation), -std::cos(azimuth) * std::cos(elevation)};
    };
    // Each view centred on the model's projection, not on its box's middle (a few rounds of moving the target
    // across); the orbit keeps the distance its widest view needs.
    const double tanY = std::tan(kFramingFov * 0.5);
    std::vector<Vec3> targets;
    double distance = 0;
    for (int i = 0; i <= steps; ++i) {
        const Vec3 forward = direction(i) * -1.0;
        Vec3 right, up;
        basis(forward, &right, &up);
        Vec3 target = centre;
        for (int round = 0; round < 4; ++round) {
            const Fit f = fit(points, radius, target, right, up, forward);
            target = target + right * (f.middleX * f.distance * tanY * kFramingAspect) + up * (f.middleY * f.distance * tanY);
        }
        targets.push_back(target);
        distance = std::max(distance, fit(points, radius, target, right, up, forward).distance);
    }
    Framing framing;
    double nearest = 1e300, farthest = 0;
    for (int i = 0; i <= steps; ++i) {
        const Vec3 forward = direction(i) * -1.0;
        Vec3 right, up;
        basis(forward, &right, &up);
        const Vec3 eye = targets[std::size_t(i)] - forward * distance;
        for (const Vec3& p : points) {
            const double z = dot(p - eye, forward);
            nearest = std::min(nearest, z), farthest = std::max(farthest, z);
        }
        framing.keys.seconds.push_back(first + (last - first) * double(i) / steps);
        framing.keys.translations.push_back(eye);
        framing.keys.rotations.push_back(fromBasis(right, up, forward));
        framing.keys.scales.push_back(1.0);
    }
    framing.camera.verticalFov = kFramingFov;
    // A little room either side; the near plane no closer than the depth buffer can tell apart from the far.
    framing.camera.far = std::max(farthest * 1.2, radius * 1e-3);
    framing.camera.near = std::max(nearest * 0.8, framing.camera.far * 1e-4);
    return framing;
}

model_gltf::Mesh backdropSphere(Vec3 centre, double radius) {
    constexpr int kAround = 48, kDown = 24;
    model_gltf::Mesh mesh;
    mesh.name = "Backdrop";
    for (int i = 0; i <= kDown; ++i) {
        const double theta = kPi * i / kDown;
        for (int j = 0; j <= kAround; ++j) {
            const double phi = 2 * kPi * j / kAround;
            const Vec3 outward{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            mesh.positions.push_back(centre + outward * radius);
            mesh.normals.push_back(outward * -1.0);
            mesh.uvs.push_back({double(j) / kAround, double(i) / kDown});  // v = 0 at the top, as the image's rows
        }
    }
    for (int i = 0; i < kDown; ++i)
        for (int j = 0; j < kAround; ++j) {
            const std::uint32_t a = i * (kAround + 1) + j, b = a + 1, d = a + kAround + 1, e = d + 1;
            // Front faces towards the inside; none of no size at the poles.
            if (i > 0) mesh.triangles.push_back({a, d, b});
            if (i + 1 < kDown) mesh.triangles.push_back({b, d, e});
        }
    return mesh;
}

bool backdropGradient(std::vector<std::uint8_t>* png, std::string* error) {
    constexpr int kRows = 64;
    const Vec3 sky{0.78, 0.80, 0.84}, horizon{0.52, 0.54, 0.58}, floor{0.20, 0.21, 0.23};
    std::vector<std::uint8_t> rgba;
    for (int row = 0; row < kRows; ++row) {
        // Smooth steps from the sky down to the horizon, and from it to the floor a quarter of the way below.
        const double v = (row + 0.5) / kRows;
        const double above = std::clamp(v / 0.5, 0.0, 1.0), below = std::clamp((v - 0.5) / 0.25, 0.0, 1.0);
        const Vec3 colour = v < 0.5 ? sky + (horizon - sky) * (above * above * (3 - 2 * above))
                                    : horizon + (floor - horizon) * (below * below * (3 - 2 * below));
        for (int column = 0; column < 4; ++column)
            for (double channel : {colour.x, colour.y, colour.z, 1.0}) rgba.push_back(std::uint8_t(channel * 255 + 0.5));
    }
    return encodePng(rgba.data(), 4, kRows, png, error);
}

}  // namespace model_framing
