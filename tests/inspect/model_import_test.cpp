// demo-import on the public models of ../shared/models: for each file, the positions the player draws from the
// imported scene (its own loader and frame math) are the positions the original gives in its world space, at
// the start, inside and at the end of the animation; the frame demo-render draws shows the model; the warnings
// say what the player cannot show. Importing the importer's own output again gives the same scene.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
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

const fs::path kModels = fs::path(DEMO_SOURCE_DIR) / "../shared/models";

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
    Affine a;
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
