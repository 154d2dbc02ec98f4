// demo-import on the public models of ../shared/models: for each file, the positions the player draws from the
// imported scene (its own loader and frame math) are the positions the original gives in its world space, at
// the start, inside and at the end of the animation; the frame demo-render draws shows the model; the warnings
// say what the player cannot show. Importing the importer's own output again gives the same scene.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unordered_map>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <stb/stb_image.h>

#include "inspect/model_import.h"
#include "inspect/model_space.h"
#include "render/scene.h"
#include "support/gpu_test_support.h"
#include "support/test_show.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace model_space;

// DEMO_SHARED_MODELS names the folder where a checkout has no ../shared beside it (a git worktree elsewhere).
const fs::path kModels = std::getenv("DEMO_SHARED_MODELS") ? fs::path(std::getenv("DEMO_SHARED_MODELS"))
                                                            : fs::path(DEMO_SOURCE_DIR) / "../shared/models";

struct Model {
    const char* file;
    const char* warning;  // a part of the warnings expected, or "" for none
};
const Model kModelsTable[] = {
    {"box-textured/BoxTextured.gltf", ""},
    {"two-cylinder-engine/2CylinderEngine.glb", "points or lines"},
    {"house-obj/house.obj", ""},
    {"fbx-cubes-pivot/cubes_with_mirroring_and_pivot.fbx", ""},
    {"fbx-embedded-texture/box_orphant_embedded_texture.fbx", ""},
    {"fbx-skeleton/animation_with_skeleton.fbx", "skinned meshes, drawn in their bind pose"},
    {"collada-teapot-instances/teapot_instancenodes.DAE", "points or lines"},
    {"collada-full-rotations/anims_with_full_rotations_between_keys.DAE", ""},
    {"robot/robot.glb", "only the first, \"Robot_Dance\""},
    {"greenman/greenman.glb", "skinned meshes"},
    {"simple-skin/simple_skin.gltf", "skinned meshes"},
    {"morph-sphere/AnimatedMorphSphere.gltf", "morph targets"},
};

// ---- the original's world positions, evaluated here on their own ------------------------------------------

Affine affine(const aiMatrix4x4& m) {
    Affine a;  // of a matrix without projection
    a.m[0] = {m.a1, m.a2, m.a3, m.a4};
    a.m[1] = {m.b1, m.b2, m.b3, m.b4};
    a.m[2] = {m.c1, m.c2, m.c3, m.c4};
    return a;
}

template <typename Key, typename Value, typename Mix>
Value at(const Key* keys, unsigned n, double t, Value fallback, Mix mix) {
    if (n == 0) return fallback;
    unsigned i = 0;
    while (i + 1 < n && keys[i + 1].mTime <= t) ++i;
    if (i + 1 >= n || t <= keys[i].mTime) return keys[std::min(i, n - 1)].mValue;
    return mix(keys[i].mValue, keys[i + 1].mValue, (t - keys[i].mTime) / (keys[i + 1].mTime - keys[i].mTime));
}

Affine localAt(const aiScene& scene, const aiNode& node, double t) {
    if (scene.mNumAnimations > 0) {
        const aiAnimation& animation = *scene.mAnimations[0];
        for (unsigned c = 0; c < animation.mNumChannels; ++c) {
            const aiNodeAnim& ch = *animation.mChannels[c];
            if (ch.mNodeName != node.mName) continue;
            aiVector3D s, p;
            aiQuaternion r;
            node.mTransformation.Decompose(s, r, p);
            auto lerp = [](aiVector3D a, aiVector3D b, double f) { return a + (b - a) * float(f); };
            p = at(ch.mPositionKeys, ch.mNumPositionKeys, t, p, lerp);
            s = at(ch.mScalingKeys, ch.mNumScalingKeys, t, s, lerp);
            r = at(ch.mRotationKeys, ch.mNumRotationKeys, t, r, [](aiQuaternion a, aiQuaternion b, double f) {
                aiQuaternion out;
                aiQuaternion::Interpolate(out, a, b, float(f));
                return out;
            });
            return compose({p.x, p.y, p.z}, Quat{r.x, r.y, r.z, r.w}, {s.x, s.y, s.z});
        }
    }
    return affine(node.mTransformation);
}

// Skinned meshes count in their bind pose: their node's placement at the animation's start.
void originalPoints(const aiScene& scene, const aiNode& node, double t, double start, std::vector<Vec3>& out) {
    auto global = [&](double time) {
        Affine g = localAt(scene, node, time);
        for (const aiNode* p = node.mParent; p; p = p->mParent) g = localAt(scene, *p, time) * g;
        return g;
    };
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        const Affine g = global(mesh.mNumBones > 0 ? start : t);
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) out.push_back(g.point({mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z}));
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) originalPoints(scene, *node.mChildren[i], t, start, out);
}

// ---- what the player draws ------------------------------------------------------------------------------

// Positions as the player computes them: its stored vertex times its world matrix of the node (row vectors).
std::vector<Vec3> drawnPoints(Scene& scene, double fraction) {
    const double time = scene.animationStart + fraction * (scene.animationEnd - scene.animationStart);
    scene.prepareFrame(time, "Camera", 16.0f / 9.0f);
    std::vector<Vec3> points;
    for (auto& [index, node] : scene.nodes) {
        const scene_math::Matrix& w = scene.worldMatrices[std::size_t(index)];
        for (std::uint32_t meshIndex : node.meshIndices) {
            for (const MeshVertex& v : scene.meshes[meshIndex].vertices) {
                const float* p = v.position;
                points.push_back({p[0] * w.m[0][0] + p[1] * w.m[1][0] + p[2] * w.m[2][0] + w.m[3][0],
                                  p[0] * w.m[0][1] + p[1] * w.m[1][1] + p[2] * w.m[2][1] + w.m[3][1],
                                  p[0] * w.m[0][2] + p[1] * w.m[1][2] + p[2] * w.m[2][2] + w.m[3][2]});
            }
        }
    }
    return points;
}

// The farthest any point of `a` is from the nearest point of `b`, found through a grid of `cell`-sized boxes
// (points farther than a cell count as a cell and a half away).
double farthestMiss(const std::vector<Vec3>& a, const std::vector<Vec3>& b, double cell) {
    auto key = [cell](Vec3 p, int dx, int dy, int dz) {
        const auto x = std::int64_t(std::floor(p.x / cell)) + dx, y = std::int64_t(std::floor(p.y / cell)) + dy,
                   z = std::int64_t(std::floor(p.z / cell)) + dz;
        return (x * 73856093) ^ (y * 19349663) ^ (z * 83492791);
    };
    std::unordered_multimap<std::int64_t, Vec3> grid;
    for (const Vec3& p : b) grid.emplace(key(p, 0, 0, 0), p);
    double worst = 0;
    for (const Vec3& p : a) {
        double best = cell * 1.5;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dz = -1; dz <= 1; ++dz) {
                    const auto range = grid.equal_range(key(p, dx, dy, dz));
                    for (auto it = range.first; it != range.second; ++it) best = std::min(best, length(it->second - p));
                }
        worst = std::max(worst, best);
    }
    return worst;
}

double sizeOf(const std::vector<Vec3>& points) {
    Vec3 lo = points.front(), hi = points.front();
    for (const Vec3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return length(hi - lo);
}

class ModelImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One show for the whole run (the process reads its manifest once, from the working directory): the
        // sample show's manifest, shaders and images, copied, with a tone for its music.
        const fs::path sample = fs::path(DEMO_SOURCE_DIR) / "show" / "resources";
        const fs::path resources = show.path() / "resources";
        fs::create_directories(resources);
        for (const char* folder : {"shaders", "textures"}) fs::copy(sample / folder, resources / folder);
        std::string manifest = testing_support::readFile(sample / "resources.xml");
        const std::string music = "resources/music.ogg";
        ASSERT_NE(manifest.find(music), std::string::npos);
        manifest.replace(manifest.find(music), music.size(), "resources/music.wav");
        std::ofstream(resources / "resources.xml") << manifest;
        ASSERT_EQ(chdir(show.path().c_str()), 0);
        gpu = testing_support::createHeadlessGpu();
        ASSERT_TRUE(gpu.device);
    }

    // The player's scene of an imported file, loaded as the player loads it.
    std::unique_ptr<Scene> load(const std::string& name) {
        auto scene = std::make_unique<Scene>(gpu.device.get(), name);
        const std::string file = "resources/scenes/" + name + ".gltf";
        EXPECT_TRUE(scene->load(std::u16string(file.begin(), file.end()))) << file;
        return scene;
    }

    testing_support::TempDir show;
    testing_support::HeadlessGpu gpu;
};

TEST_F(ModelImportTest, ThePlayerDrawsEachModelWhereTheFilePutsIt) {
    if (!fs::is_directory(kModels)) GTEST_SKIP() << "../shared/models is not beside the project";
    std::string timeline = "<Timeline timeunit=\"second\">\n";
    int seconds = 0;
    for (const Model& model : kModelsTable) {
        SCOPED_TRACE(model.file);
        ModelImportOptions options;
        options.modelPath = (kModels / model.file).string();
        ModelImportReport report;
        std::string error;
        ASSERT_TRUE(importModel(options, &report, &error)) << error;
        std::string warnings;
        for (const std::string& w : report.warnings) warnings += w + "\n";
        if (*model.warning) {
            EXPECT_NE(warnings.find(model.warning), std::string::npos) << warnings;
        } else {
            EXPECT_EQ(warnings, "");
        }
        EXPECT_EQ(report.cameras.empty(), false);
        timeline += "  <TimelineTrack label=\"" + report.name + "\" to=\"" + std::to_string(seconds += 10) +
                    "\" scene=\"" + report.name + "\" camera=\"" + report.cameras.front() + "\"/>\n";

        Assimp::Importer importer;
        const aiScene* original = importer.ReadFile(options.modelPath, kSceneImportFlags);
        ASSERT_TRUE(original);
        // The animation's range over every key of the first animation, as the player takes it.
        double start = 0, end = 0;
        bool any = false;
        auto see = [&](double t) {
            start = any ? std::min(start, t) : t;
            end = any ? std::max(end, t) : t;
            any = true;
        };
        for (unsigned c = 0; original->mNumAnimations > 0 && c < original->mAnimations[0]->mNumChannels; ++c) {
            const aiNodeAnim& ch = *original->mAnimations[0]->mChannels[c];
            for (unsigned k = 0; k < ch.mNumPositionKeys; ++k) see(ch.mPositionKeys[k].mTime);
            for (unsigned k = 0; k < ch.mNumRotationKeys; ++k) see(ch.mRotationKeys[k].mTime);
            for (unsigned k = 0; k < ch.mNumScalingKeys; ++k) see(ch.mScalingKeys[k].mTime);
        }
        std::unique_ptr<Scene> scene = load(report.name);
        for (double fraction : {0.0, 0.37, 1.0}) {
            SCOPED_TRACE(testing::Message() << "at " << fraction << " of the animation");
            std::vector<Vec3> expected;
            originalPoints(*original, *original->mRootNode, start + fraction * (end - start), start, expected);
            const std::vector<Vec3> drawn = drawnPoints(*scene, fraction);
            ASSERT_FALSE(expected.empty());
            ASSERT_FALSE(drawn.empty());
            const double tolerance = 1e-4 * sizeOf(expected);
            EXPECT_LE(farthestMiss(drawn, expected, tolerance * 4), tolerance);
            EXPECT_LE(farthestMiss(expected, drawn, tolerance * 4), tolerance);
        }
    }

    // A frame of each through demo-render: the model is on screen, neither white nor black all over.
    std::ofstream("resources/timeline.xml") << timeline << "</Timeline>\n";
    testing_support::writeToneWav(show.path() / "resources" / "music.wav", seconds + 1.0);
    std::string command = "cd " + testing_support::shellQuote(show.path().string()) + " && " DEMO_BINARY_DIR
                          "/demo-render --size 160x90";
    for (int i = 0; i < seconds / 10; ++i)
        command += " --at " + std::to_string(i * 10 + 5) + " --out frame" + std::to_string(i) + ".png";
    const auto rendered = testing_support::runCommand(command + " 2>&1");
    ASSERT_EQ(rendered.exitCode, 0) << rendered.output;
    for (int i = 0; i < seconds / 10; ++i) {
        SCOPED_TRACE(kModelsTable[i].file);
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(("frame" + std::to_string(i) + ".png").c_str(), &width, &height, &channels, 3);
        ASSERT_TRUE(pixels);
        // Pixels unlike the background (the corner's colour): the model covers some of the frame, not all of it.
        int unlike = 0;
        for (int p = 0; p < width * height; ++p) {
            int difference = 0;
            for (int c = 0; c < 3; ++c) difference += std::abs(int(pixels[p * 3 + c]) - int(pixels[c]));
            unlike += difference > 45 ? 1 : 0;
        }
        stbi_image_free(pixels);
        const double covered = double(unlike) / (width * height);
        EXPECT_GT(covered, 0.003);
        EXPECT_LT(covered, 0.9);
    }
}

// ---- cameras -----------------------------------------------------------------------------------------------

// The view-space position the player gives a point of the scene (x right, y up, z ahead).
Vec3 inView(const Scene& scene, Vec3 p) {
    const scene_math::Matrix& v = scene.view;
    return {p.x * v.m[0][0] + p.y * v.m[1][0] + p.z * v.m[2][0] + v.m[3][0],
            p.x * v.m[0][1] + p.y * v.m[1][1] + p.z * v.m[2][1] + v.m[3][1],
            p.x * v.m[0][2] + p.y * v.m[1][2] + p.z * v.m[2][2] + v.m[3][2]};
}

// The share of a 16:9 frame's width and height the points span through the current camera, and whether every
// one of them lies between its near and far planes.
struct FrameShare {
    double width = 0, height = 0;
    bool withinDepth = true;
    double wider() const { return std::max(width, height); }
};
FrameShare frameShare(const Scene& scene, const std::vector<Vec3>& points) {
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    FrameShare share;
    const scene_math::Matrix& p = scene.projection;
    for (const Vec3& point : points) {
        const Vec3 v = inView(scene, point);
        const double clip[4] = {v.x * p.m[0][0] + v.y * p.m[1][0] + v.z * p.m[2][0] + p.m[3][0],
                                v.x * p.m[0][1] + v.y * p.m[1][1] + v.z * p.m[2][1] + p.m[3][1],
                                v.x * p.m[0][2] + v.y * p.m[1][2] + v.z * p.m[2][2] + p.m[3][2],
                                v.x * p.m[0][3] + v.y * p.m[1][3] + v.z * p.m[2][3] + p.m[3][3]};
        const double depth = clip[2] / clip[3];
        share.withinDepth = share.withinDepth && clip[3] > 0 && depth >= 0 && depth <= 1;
        for (int axis = 0; axis < 2; ++axis) {
            lo[axis] = std::min(lo[axis], clip[axis] / clip[3]);
            hi[axis] = std::max(hi[axis], clip[axis] / clip[3]);
        }
    }
    share.width = (hi[0] - lo[0]) / 2;
    share.height = (hi[1] - lo[1]) / 2;
    return share;
}

// Cameras on a translated node, a turned one and a child of a turned and moved one: each sees the triangle at the
// origin exactly as the glTF file's own camera does (the file's camera looks along its node's -z, with y up).
TEST_F(ModelImportTest, FileCamerasSeeWhatTheFilesCamerasSee) {
    const float positions[] = {-1, -1, 0, 1, -1, 0, 0, 1, 0.5f};
    std::ofstream("cameras.bin", std::ios::binary).write(reinterpret_cast<const char*>(positions), sizeof positions);
    const double h = std::sqrt(0.5);
    std::ofstream("cameras.gltf") << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 1, 2, 3]}],
      "nodes": [{"name": "Triangle", "mesh": 0},
                {"name": "Front", "camera": 0, "translation": [0, 0, 3]},
                {"name": "Side", "camera": 1, "translation": [3, 0.5, 0], "rotation": [0, )" << h << ", 0, " << h << R"(]},
                {"name": "Rig", "translation": [0, 2, 0], "rotation": [)" << -h << ", 0, 0, " << h << R"(], "children": [4]},
                {"name": "Top", "camera": 2, "translation": [0.5, 0, 2]}],
      "cameras": [{"type": "perspective", "perspective": {"yfov": 0.8, "znear": 0.1, "zfar": 100}},
                  {"type": "perspective", "perspective": {"yfov": 0.7, "znear": 0.1, "zfar": 100}},
                  {"type": "perspective", "perspective": {"yfov": 0.6, "znear": 0.1, "zfar": 100}}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
      "buffers": [{"uri": "cameras.bin", "byteLength": 36}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [-1, -1, 0], "max": [1, 1, 0.5]}]})";
    ModelImportOptions options;
    options.modelPath = "cameras.gltf";
    options.camera = ModelImportOptions::Camera::File;
    ModelImportReport report;
    std::string error;
    ASSERT_TRUE(importModel(options, &report, &error)) << error;
    EXPECT_EQ(report.cameras, (std::vector<std::string>{"Front", "Side", "Top"}));
    std::unique_ptr<Scene> scene = load(report.name);

    const std::vector<Vec3> drawn = drawnPoints(*scene, 0.0);
    // Each camera's world placement as glTF composes it: parent on the left, translation, rotation.
    const struct {
        const char* camera;
        Affine world;
    } kCases[] = {
        {"Front", compose({0, 0, 3}, {}, {1, 1, 1})},
        {"Side", compose({3, 0.5, 0}, {0, h, 0, h}, {1, 1, 1})},
        {"Top", compose({0, 2, 0}, {-h, 0, 0, h}, {1, 1, 1}) * compose({0.5, 0, 2}, {}, {1, 1, 1})},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.camera);
        scene->prepareFrame(0.0, c.camera, 16.0f / 9.0f);
        std::vector<Vec3> expected;
        for (int i = 0; i < 3; ++i) {
            const Vec3 local = inverse(c.world).point({positions[i * 3], positions[i * 3 + 1], positions[i * 3 + 2]});
            expected.push_back({local.x, local.y, -local.z});  // glTF's camera looks along -z, the player's along +z
        }
        std::vector<Vec3> seen;
        for (const Vec3& p : drawn) seen.push_back(inView(*scene, p));
        EXPECT_LE(farthestMiss(seen, expected, 1e-3), 1e-4);
        EXPECT_LE(farthestMiss(expected, seen, 1e-3), 1e-4);
    }
}

// An FBX camera looks along its node's x axis with y up, from the node's origin: the player's view of the model
// is that, with the node placed as the importer places it.
TEST_F(ModelImportTest, AnFbxCameraLooksAlongItsNodesXAxis) {
    if (!fs::is_directory(kModels)) GTEST_SKIP() << "../shared/models is not beside the project";
    ModelImportOptions options;
    options.modelPath = (kModels / "fbx-skeleton/animation_with_skeleton.fbx").string();
    options.camera = ModelImportOptions::Camera::File;
    ModelImportReport report;
    std::string error;
    ASSERT_TRUE(importModel(options, &report, &error)) << error;
    ASSERT_EQ(report.cameras, std::vector<std::string>{"Camera"});
    Assimp::Importer importer;
    const aiScene* original = importer.ReadFile(options.modelPath, kSceneImportFlags);
    ASSERT_TRUE(original && original->mNumCameras == 1);
    const aiNode* node = original->mRootNode->FindNode("Camera");
    ASSERT_TRUE(node);
    Affine world = affine(node->mTransformation);
    for (const aiNode* parent = node->mParent; parent; parent = parent->mParent) world = affine(parent->mTransformation) * world;
    std::unique_ptr<Scene> scene = load(report.name);
    scene->prepareFrame(scene->animationStart, "Camera", 16.0f / 9.0f);
    const Vec3 eye = world.point({0, 0, 0}), ahead = normalize(world.vector({1, 0, 0})), up = normalize(world.vector({0, 1, 0}));
    for (const Vec3& p : {Vec3{0, 0, 0}, Vec3{100, 0, 0}, Vec3{0, 50, -30}, eye + ahead * 10.0}) {
        const Vec3 v = inView(*scene, p);
        const double tolerance = 2e-4 * length(p - eye);  // the player's matrices are single precision
        EXPECT_NEAR(v.z, dot(p - eye, ahead), tolerance);
        EXPECT_NEAR(v.y, dot(p - eye, up), tolerance);
        EXPECT_NEAR(std::hypot(v.x, v.y, v.z), length(p - eye), tolerance);
    }
}

// The cameras demo-import makes: the model's projection spans 80 % of the frame's width or height (the still
// camera at the start, the orbit at its widest over the turn, within it always), between the near and far
// planes; with a backdrop, the backdrop lies within them too.
TEST_F(ModelImportTest, MadeCamerasFrameTheModel) {
    if (!fs::is_directory(kModels)) GTEST_SKIP() << "../shared/models is not beside the project";
    for (const Model& model : kModelsTable) {
        for (const auto mode : {ModelImportOptions::Camera::Auto, ModelImportOptions::Camera::Orbit}) {
            const bool orbit = mode == ModelImportOptions::Camera::Orbit;
            SCOPED_TRACE(std::string(model.file) + (orbit ? " orbit" : " auto"));
            ModelImportOptions options;
            options.modelPath = (kModels / model.file).string();
            options.camera = mode;
            options.backdrop = orbit;
            options.name = std::string(orbit ? "orbit_" : "auto_") + fs::path(model.file).stem().string();
            ModelImportReport report;
            std::string error;
            ASSERT_TRUE(importModel(options, &report, &error)) << error;
            if (!orbit) {  // a file with cameras of its own keeps them
                Assimp::Importer importer;
                const aiScene* original = importer.ReadFile(options.modelPath, 0);
                ASSERT_TRUE(original);
                if (original->mNumCameras > 0) continue;
            }
            std::unique_ptr<Scene> scene = load(report.name);
            // The model's points only: the backdrop is the last mesh.
            std::vector<Vec3> points = drawnPoints(*scene, 0.0), backdrop;
            if (orbit) {
                const std::size_t count = scene->meshes.back().vertices.size();
                backdrop.assign(points.end() - count, points.end());
                points.resize(points.size() - count);
            }
            // Animated models move away from the pose they were framed in: their turn is checked at the start.
            const bool still = report.animationSeconds == 0;
            double widest = 0;
            for (int step = 0; step <= (orbit && still ? 12 : 0); ++step) {
                scene->prepareFrame(scene->animationStart + (scene->animationEnd - scene->animationStart) * step / 12,
                                    report.cameras.front(), 16.0f / 9.0f);
                const FrameShare share = frameShare(*scene, points);
                widest = std::max(widest, share.wider());
                EXPECT_LE(share.wider(), 0.805) << "step " << step;
                EXPECT_TRUE(share.withinDepth) << "step " << step;
                // Of the backdrop, what is in front of the camera lies nearer than the far plane.
                for (const Vec3& point : backdrop) {
                    const Vec3 v = inView(*scene, point);
                    const auto& m = scene->projection.m;
                    if (v.z > 0) {
                        ASSERT_LE((v.z * m[2][2] + m[3][2]) / (v.z * m[2][3] + m[3][3]), 1.0) << "step " << step;
                    }
                }
            }
            std::printf("%-58s %-5s spans %.0f %%\n", model.file, orbit ? "orbit" : "auto", widest * 100);
            if (!orbit || still) {
                EXPECT_GE(widest, 0.78);
            }
        }
    }
}

// The importer's own output, imported again, is the same scene: the same points, drawn where they were.
TEST_F(ModelImportTest, ImportingItsOwnOutputAgainChangesNothing) {
    if (!fs::is_directory(kModels)) GTEST_SKIP() << "../shared/models is not beside the project";
    for (const char* file : {"fbx-cubes-pivot/cubes_with_mirroring_and_pivot.fbx",
                             "collada-full-rotations/anims_with_full_rotations_between_keys.DAE"}) {
        SCOPED_TRACE(file);
        ModelImportOptions options;
        options.modelPath = (kModels / file).string();
        ModelImportReport first, second;
        std::string error;
        ASSERT_TRUE(importModel(options, &first, &error)) << error;
        options.modelPath = first.sceneFile;
        options.name = first.name + "_again";
        options.camera = ModelImportOptions::Camera::File;
        options.light = ModelImportOptions::Light::None;
        ASSERT_TRUE(importModel(options, &second, &error)) << error;
        EXPECT_EQ(second.cameras, first.cameras);
        EXPECT_EQ(second.lights, first.lights);
        EXPECT_EQ(second.triangles, first.triangles);
        std::unique_ptr<Scene> once = load(first.name), twice = load(second.name);
        EXPECT_DOUBLE_EQ(twice->animationEnd - twice->animationStart, once->animationEnd - once->animationStart);
        for (double fraction : {0.0, 0.5, 1.0}) {
            const std::vector<Vec3> a = drawnPoints(*once, fraction), b = drawnPoints(*twice, fraction);
            const double tolerance = 1e-4 * sizeOf(a);
            EXPECT_LE(farthestMiss(a, b, tolerance * 4), tolerance);
            EXPECT_LE(farthestMiss(b, a, tolerance * 4), tolerance);
        }
    }
}

// A node whose scale is keyed from 0 to 1 (it grows in from nothing): its shape comes from the pose that has a
// size, and the player draws it where the file does at every time.
TEST_F(ModelImportTest, ANodeGrowingFromNothingKeepsItsShape) {
    const float positions[] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float times[] = {0, 1};
    const float scales[] = {0, 0, 0, 1, 2, 1};
    std::ofstream bin("grow.bin", std::ios::binary);
    bin.write(reinterpret_cast<const char*>(positions), sizeof positions);
    bin.write(reinterpret_cast<const char*>(times), sizeof times);
    bin.write(reinterpret_cast<const char*>(scales), sizeof scales);
    bin.close();
    std::ofstream("grow.gltf") << R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
      "nodes": [{"name": "Grow", "mesh": 0, "translation": [1, 2, 3]}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
      "buffers": [{"uri": "grow.bin", "byteLength": 68}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 8},
                      {"buffer": 0, "byteOffset": 44, "byteLength": 24}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
                    {"bufferView": 1, "componentType": 5126, "count": 2, "type": "SCALAR", "min": [0], "max": [1]},
                    {"bufferView": 2, "componentType": 5126, "count": 2, "type": "VEC3"}],
      "animations": [{"channels": [{"sampler": 0, "target": {"node": 0, "path": "scale"}}],
                      "samplers": [{"input": 1, "output": 2}]}]})";
    ModelImportOptions options;
    options.modelPath = "grow.gltf";
    ModelImportReport report;
    std::string error;
    ASSERT_TRUE(importModel(options, &report, &error)) << error;
    Assimp::Importer importer;
    const aiScene* original = importer.ReadFile(options.modelPath, kSceneImportFlags);
    ASSERT_TRUE(original);
    std::unique_ptr<Scene> scene = load(report.name);
    for (double fraction : {0.25, 0.5, 1.0}) {
        std::vector<Vec3> expected;
        originalPoints(*original, *original->mRootNode, fraction * 1000.0, 0.0, expected);
        const std::vector<Vec3> drawn = drawnPoints(*scene, fraction);
        ASSERT_EQ(drawn.size(), expected.size());
        const double tolerance = 1e-4 * std::max(sizeOf(expected), 1e-3);
        EXPECT_LE(farthestMiss(drawn, expected, tolerance * 4), tolerance) << "at " << fraction;
    }
    EXPECT_EQ(report.warnings, std::vector<std::string>{});  // (1, 2, 1) times a growing factor: even, exact

    // A file that is no model stops the import with the reason, and the manifest is left as it was.
    const std::string before = testing_support::readFile("resources/resources.xml");
    std::ofstream("broken.fbx") << "Kaydara FBX Binary  \x00\x1a\x00 and then nothing";
    for (const char* file : {"broken.fbx", "resources/resources.xml", "missing.obj"}) {
        options.modelPath = file;
        EXPECT_FALSE(importModel(options, &report, &error)) << file;
        EXPECT_NE(error.find(file), std::string::npos) << error;
    }
    EXPECT_EQ(testing_support::readFile("resources/resources.xml"), before);
}

}  // namespace
