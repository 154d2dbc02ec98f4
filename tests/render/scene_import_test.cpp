// Scene import through the player's own Scene::load on a headless device: generated glTF and Collada files.

#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "render/scene.h"
#include "base/wide_text.h"
#include "support/gpu_test_support.h"
#include "support/test_support.h"

namespace {

using testing::HasSubstr;

// glTF parts built from float and index lists, with the buffer inlined as a data URI.
class GltfBuilder {
public:
    int floats(const std::vector<float>& values, const char* type, int count) {
        return accessor(values.data(), values.size() * 4, 5126, type, count);
    }
    int indices(const std::vector<std::uint32_t>& values) {
        return accessor(values.data(), values.size() * 4, 5125, "SCALAR", static_cast<int>(values.size()));
    }
    std::string document(const std::string& body) const {
        static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string encoded;
        for (std::size_t i = 0; i < bytes.size(); i += 3) {
            const std::uint32_t n = (bytes[i] << 16) | ((i + 1 < bytes.size() ? bytes[i + 1] : 0) << 8) |
                                    (i + 2 < bytes.size() ? bytes[i + 2] : 0);
            encoded += alphabet[(n >> 18) & 63];
            encoded += alphabet[(n >> 12) & 63];
            encoded += i + 1 < bytes.size() ? alphabet[(n >> 6) & 63] : '=';
            encoded += i + 2 < bytes.size() ? alphabet[n & 63] : '=';
        }
        return "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"byteLength\":" + std::to_string(bytes.size()) +
               ",\"uri\":\"data:application/octet-stream;base64," + encoded + "\"}],\"bufferViews\":[" + views +
               "],\"accessors\":[" + accessors + "]," + body + "}";
    }

private:
    int accessor(const void* data, std::size_t size, int componentType, const char* type, int count) {
        const std::size_t offset = bytes.size();
        bytes.resize(offset + size);
        std::memcpy(bytes.data() + offset, data, size);
        if (!views.empty()) views += ",";
        views += "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) + ",\"byteLength\":" + std::to_string(size) +
                 "}";
        if (!accessors.empty()) accessors += ",";
        std::string bounds;
        if (std::string(type) == "SCALAR" && componentType == 5126) {
            const float* f = static_cast<const float*>(data);
            bounds = ",\"min\":[" + std::to_string(f[0]) + "],\"max\":[" + std::to_string(f[count - 1]) + "]";
        }
        accessors += "{\"bufferView\":" + std::to_string(next) + ",\"componentType\":" + std::to_string(componentType) +
                     ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"" + bounds + "}";
        return next++;
    }

    std::vector<std::uint8_t> bytes;
    std::string views;
    std::string accessors;
    int next = 0;
};

// Root, A (mesh 0, with child A1), B (mesh 1: a triangle without normals and a line), a camera, three lights;
// A is moved by keys at 1 s and 3 s, the camera turned by keys at 0.5 s and 2 s.
std::string sceneGltf() {
    GltfBuilder b;
    const int position = b.floats({1, 2, 3, 2, 2, 3, 1, 3, 3}, "VEC3", 3);
    const int normal = b.floats({0, 1, 0, 0, 1, 0, 0, 1, 0}, "VEC3", 3);
    const int uv = b.floats({0.25f, 0.75f, 0.5f, 0.75f, 0.25f, 1.0f}, "VEC2", 3);
    const int triangle = b.indices({0, 1, 2});
    const int bare = b.floats({0, 0, 0, 1, 0, 0, 0, 0, 1}, "VEC3", 3);
    const int bareTriangle = b.indices({0, 1, 2});
    const int line = b.floats({0, 0, 0, 0, 5, 0}, "VEC3", 2);
    const int lineIndices = b.indices({0, 1});
    const int moveTimes = b.floats({1.0f, 3.0f}, "SCALAR", 2);
    const int moves = b.floats({1, 2, 3, 4, 5, 6}, "VEC3", 2);
    const int turnTimes = b.floats({0.5f, 2.0f}, "SCALAR", 2);
    const int turns = b.floats({0, 0, 0, 1, 0, 0.70710678f, 0, 0.70710678f}, "VEC4", 2);
    const auto n = [](int i) { return std::to_string(i); };
    return b.document(
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
        "\"nodes\":[{\"name\":\"Root\",\"children\":[1,3,4,5,6,7]},"
        "{\"name\":\"A\",\"mesh\":0,\"translation\":[1,2,3],\"children\":[2]},{\"name\":\"A1\"},"
        "{\"name\":\"B\",\"mesh\":1},{\"name\":\"Camera\",\"camera\":0},"
        "{\"name\":\"Lamp\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":0}}},"
        "{\"name\":\"Sun\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":1}}},"
        "{\"name\":\"Spot\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":2}}}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" + n(position) + ",\"NORMAL\":" + n(normal) +
        ",\"TEXCOORD_0\":" + n(uv) + "},\"indices\":" + n(triangle) + ",\"material\":0}]},"
        "{\"primitives\":[{\"attributes\":{\"POSITION\":" + n(bare) + "},\"indices\":" + n(bareTriangle) +
        ",\"material\":1},{\"attributes\":{\"POSITION\":" + n(line) + "},\"indices\":" + n(lineIndices) +
        ",\"mode\":1,\"material\":1}]}],"
        "\"materials\":[{\"name\":\"Painted\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.1,0.2,0.3,0.4],"
        "\"baseColorTexture\":{\"index\":0}},\"normalTexture\":{\"index\":1},\"emissiveTexture\":{\"index\":2},"
        "\"emissiveFactor\":[0.5,0.6,0.7]},{\"name\":\"Plain\"}],"
        "\"images\":[{\"uri\":\"colour.png\"},{\"uri\":\"bumps.png\"},{\"uri\":\"glow.png\"}],"
        "\"textures\":[{\"source\":0},{\"source\":1},{\"source\":2}],"
        "\"cameras\":[{\"type\":\"perspective\",\"perspective\":{\"yfov\":0.5,\"aspectRatio\":2.0,\"znear\":0.2,"
        "\"zfar\":50.0}}],"
        "\"extensionsUsed\":[\"KHR_lights_punctual\"],\"extensions\":{\"KHR_lights_punctual\":{\"lights\":["
        "{\"type\":\"point\",\"color\":[1,0.5,0.25],\"intensity\":2},{\"type\":\"directional\"},"
        "{\"type\":\"spot\",\"spot\":{}}]}},"
        "\"animations\":[{\"channels\":[{\"sampler\":0,\"target\":{\"node\":1,\"path\":\"translation\"}},"
        "{\"sampler\":1,\"target\":{\"node\":4,\"path\":\"rotation\"}}],"
        "\"samplers\":[{\"input\":" + n(moveTimes) + ",\"output\":" + n(moves) + "},{\"input\":" + n(turnTimes) +
        ",\"output\":" + n(turns) + "}]}]");
}

// One mesh without normals, a Phong material without a diffuse colour, an ambient light; no animation.
const char* kCollada = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><up_axis>Y_UP</up_axis></asset>
  <library_cameras><camera id="cam" name="View"><optics><technique_common><perspective>
    <xfov>60</xfov><aspect_ratio>1.5</aspect_ratio><znear>0.5</znear><zfar>80</zfar>
  </perspective></technique_common></optics></camera></library_cameras>
  <library_lights><light id="glow" name="Glow"><technique_common><ambient><color>0.2 0.3 0.4</color></ambient>
  </technique_common></light></library_lights>
  <library_effects><effect id="shiny-fx"><profile_COMMON><technique sid="common"><phong>
    <ambient><color>0.1 0.1 0.1 1</color></ambient>
    <specular><color>0.8 0.6 0.4 1</color></specular>
    <shininess><float>20</float></shininess>
  </phong></technique></profile_COMMON></effect></library_effects>
  <library_materials><material id="shiny" name="Shiny"><instance_effect url="#shiny-fx"/></material>
  </library_materials>
  <library_geometries><geometry id="tri"><mesh>
    <source id="tri-pos"><float_array id="tri-pos-array" count="9">0 0 0 1 0 0 0 1 0</float_array>
      <technique_common><accessor source="#tri-pos-array" count="3" stride="3"><param name="X" type="float"/>
      <param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
    <vertices id="tri-vtx"><input semantic="POSITION" source="#tri-pos"/></vertices>
    <triangles material="mat" count="1"><input semantic="VERTEX" source="#tri-vtx" offset="0"/><p>0 1 2</p>
    </triangles>
  </mesh></geometry></library_geometries>
  <library_visual_scenes><visual_scene id="scene">
    <node id="Shape" name="Shape"><instance_geometry url="#tri"><bind_material><technique_common>
      <instance_material symbol="mat" target="#shiny"/></technique_common></bind_material></instance_geometry></node>
    <node id="View" name="View"><instance_camera url="#cam"/></node>
    <node id="Glow" name="Glow"><instance_light url="#glow"/></node>
  </visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";

void writePng(const std::filesystem::path& file, int components) {
    const std::vector<std::uint8_t> pixels(2 * 2 * static_cast<std::size_t>(components), 200);
    ASSERT_NE(stbi_write_png(file.c_str(), 2, 2, components, pixels.data(), 2 * components), 0);
}

class SceneImportTest : public testing_support::HeadlessGpuTest {
protected:
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        writePng(dir.path() / "colour.png", 3);
        writePng(dir.path() / "bumps.png", 3);
        writePng(dir.path() / "glow.png", 4);
        manifest.Paths["textures"] = widenUtf8(dir.path().string() + "/");
    }

    // A scene that reads textures from the test's directory and has no shader files.
    std::unique_ptr<Scene> load(const std::string& fileName, const std::string& content, bool* loaded = nullptr) {
        const std::filesystem::path file = dir.write(fileName, content);
        auto scene = std::make_unique<Scene>(device_, "Test");
        scene->manifest = manifest;
        const bool result = scene->load(widenUtf8(file.string()));
        if (loaded) *loaded = result;
        return scene;
    }

    testing_support::TempDir dir;
    ResourceManifest manifest;
};

const MeshVertex* findVertex(const Mesh& mesh, float x, float y, float z) {
    for (const MeshVertex& v : mesh.vertices) {
        if (std::abs(v.position[0] - x) < 1e-5f && std::abs(v.position[1] - y) < 1e-5f &&
            std::abs(v.position[2] - z) < 1e-5f)
            return &v;
    }
    return nullptr;
}

TEST_F(SceneImportTest, GltfMeshesMaterialsLightsCamerasNodesAndChannels) {
    testing::internal::CaptureStdout();
    bool loaded = false;
    const auto scene = load("scene.gltf", sceneGltf(), &loaded);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(loaded);

    // Meshes: the importer mirrors z, the player stores (x, z, -y): file (1, 2, 3) lands at (1, -3, -2).
    ASSERT_EQ(scene->meshes.size(), 3u);
    const Mesh& painted = scene->meshes[0];
    EXPECT_EQ(painted.vertexCount, 3u);
    EXPECT_EQ(painted.faceCount, 1u);
    EXPECT_EQ(painted.indexCount, 3u);
    EXPECT_EQ(painted.vertices.size(), 3u);
    const MeshVertex* corner = findVertex(painted, 1, -3, -2);
    ASSERT_NE(corner, nullptr);
    EXPECT_FLOAT_EQ(corner->normal[1], 0.0f);
    EXPECT_FLOAT_EQ(corner->normal[2], -1.0f);  // file normal (0, 1, 0)
    EXPECT_FLOAT_EQ(corner->texcoord[0], 0.25f);
    EXPECT_FLOAT_EQ(corner->texcoord[1], 0.75f);  // the two V flips cancel: glTF's top-left origin stays
    EXPECT_NE(corner->tangent[0] * corner->tangent[0] + corner->tangent[1] * corner->tangent[1] +
                  corner->tangent[2] * corner->tangent[2],
              0.0f);
    EXPECT_TRUE(painted.vertexBuffer && painted.indexBuffer);
    EXPECT_EQ(painted.materialIndex, 0u);

    // A triangle without normals or texture coordinates keeps zeros; a line is not drawn at all.
    const Mesh* bare = nullptr;
    const Mesh* line = nullptr;
    for (const Mesh& mesh : scene->meshes) {
        if (&mesh == &painted) continue;
        (mesh.indexCount == 3 ? bare : line) = &mesh;
    }
    ASSERT_TRUE(bare && line);
    for (const MeshVertex& v : bare->vertices) {
        for (float f : {v.normal[0], v.normal[1], v.normal[2], v.tangent[0], v.bitangent[2], v.texcoord[0],
                        v.texcoord[1]})
            EXPECT_EQ(f, 0.0f);
    }
    EXPECT_EQ(line->faceCount, 1u);
    EXPECT_EQ(line->indexCount, 0u);
    EXPECT_FALSE(line->vertexBuffer);

    // Materials: colours, emissive from the emissive colour's green, slots, normal-map flag, sRGB but for normals.
    ASSERT_EQ(scene->materials.size(), 2u);
    const Material& material = scene->materials[0];
    EXPECT_EQ(material.name, "Painted");
    EXPECT_THAT(std::vector<float>(material.diffuse, material.diffuse + 4),
                testing::Pointwise(testing::FloatEq(), std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_FLOAT_EQ(material.emissive, 0.6f);
    EXPECT_FLOAT_EQ(material.normalMap, 1.0f);
    EXPECT_EQ(material.textures[kDiffuseSlot].fileName, "colour.png");
    EXPECT_EQ(material.textures[kNormalsSlot].fileName, "bumps.png");
    EXPECT_EQ(material.textures[kEmissiveSlot].fileName, "glow.png");
    for (std::size_t slot : {kLightmapSlot, kSpecularSlot, kReflectionSlot, kOpacitySlot}) {
        EXPECT_FALSE(material.textures[slot].present) << slot;
        EXPECT_FALSE(material.textures[slot].texture) << slot;
    }
    ASSERT_TRUE(material.textures[kDiffuseSlot].texture && material.textures[kDiffuseSlot].texture->view());
    EXPECT_EQ(material.textures[kDiffuseSlot].texture->view()->GetDesc().Format,
              gpu::Format::R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(material.textures[kEmissiveSlot].texture->view()->GetDesc().Format,
              gpu::Format::R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(material.textures[kNormalsSlot].texture->view()->GetDesc().Format, gpu::Format::R8G8B8A8_UNORM);
    EXPECT_TRUE(scene->sampler);
    EXPECT_FLOAT_EQ(scene->materials[1].normalMap, 0.0f);

    // Lights: the diffuse colour with alpha 0; a spot light counts as a point light and is reported.
    ASSERT_EQ(scene->lights.size(), 3u);
    EXPECT_EQ(scene->lights[0].name, "Lamp");
    EXPECT_TRUE(scene->lights[0].point);
    EXPECT_FLOAT_EQ(scene->lights[0].colour[0], 2.0f);
    EXPECT_FLOAT_EQ(scene->lights[0].colour[2], 0.5f);
    EXPECT_FLOAT_EQ(scene->lights[0].colour[3], 0.0f);
    EXPECT_FLOAT_EQ(scene->lights[0].attenuationQuadratic, 1.0f);
    EXPECT_FALSE(scene->lights[1].point);
    EXPECT_TRUE(scene->lights[2].point);
    EXPECT_EQ(printed, "Unsupported light type Spot");

    // Nodes in depth-first pre-order; lights linked to their nodes.
    const char* names[] = {"Root", "A", "A1", "B", "Camera", "Lamp", "Sun", "Spot"};
    const int parents[] = {-1, 0, 1, 0, 0, 0, 0, 0};
    ASSERT_EQ(scene->nodeCount, 8);
    ASSERT_EQ(scene->nodes.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(scene->nodes.at(i).index, i);
        EXPECT_EQ(scene->nodes.at(i).name, names[i]);
        EXPECT_EQ(scene->nodes.at(i).parentIndex, parents[i]);
    }
    EXPECT_EQ(scene->nodes.at(1).meshIndices, std::vector<std::uint32_t>{0});
    EXPECT_EQ(scene->nodes.at(3).meshIndices.size(), 2u);
    EXPECT_EQ(scene->lights[0].node, &scene->nodes.at(5));
    EXPECT_EQ(scene->lights[2].node, &scene->nodes.at(7));
    EXPECT_EQ(scene->worldMatrices.size(), 8u);
    // The node matrix is transposed into the row-vector convention, z mirrored: translation (1, 2, -3).
    EXPECT_FLOAT_EQ(scene->nodes.at(1).localMatrix->m[3][2], -3.0f);
    EXPECT_FLOAT_EQ(scene->nodes.at(1).localMatrix->m[2][3], 0.0f);

    // Channels: times in milliseconds, positions mirrored like the nodes; the range spans every key.
    ASSERT_EQ(scene->channels.size(), 2u);
    const SceneNode& a = scene->nodes.at(1);
    ASSERT_GE(a.channelIndex, 0);
    const AnimationChannel& moves = scene->channels.at(a.channelIndex);
    EXPECT_EQ(moves.nodeName, "A");
    ASSERT_EQ(moves.positionKeys.size(), 2u);
    EXPECT_FLOAT_EQ(moves.positionKeys[1].time, 3000.0f);
    EXPECT_FLOAT_EQ(moves.positionKeys[1].x, 4.0f);
    EXPECT_FLOAT_EQ(moves.positionKeys[1].z, -6.0f);
    EXPECT_EQ(scene->nodes.at(2).channelIndex, -1);
    // The importer gives the paths a channel lacks one key at time 0 (the node's own value): the range starts there.
    ASSERT_EQ(moves.rotationKeys.size(), 1u);
    EXPECT_FLOAT_EQ(moves.rotationKeys[0].time, 0.0f);
    EXPECT_DOUBLE_EQ(scene->animationStart, 0.0);
    EXPECT_DOUBLE_EQ(scene->animationEnd, 3000.0);

    // Camera: the importer's field of view is yfov x aspect; the first camera's values become current.
    ASSERT_EQ(scene->cameras.size(), 1u);
    const SceneCamera& camera = scene->cameras[0];
    EXPECT_EQ(camera.name, "Camera");
    EXPECT_FLOAT_EQ(camera.fieldOfView, 1.0f);
    EXPECT_FLOAT_EQ(camera.nearClip, 0.2f);
    EXPECT_FLOAT_EQ(camera.farClip, 50.0f);
    EXPECT_FLOAT_EQ(camera.aspect, 2.0f);
    ASSERT_GE(camera.channelIndex, 0);
    const AnimationChannel& turns = scene->channels.at(camera.channelIndex);
    ASSERT_EQ(turns.rotationKeys.size(), 2u);
    EXPECT_FLOAT_EQ(turns.rotationKeys[0].time, 500.0f);
    EXPECT_NEAR(turns.rotationKeys[1].value.y, -0.70710678f, 1e-5f);  // mirrored with z
    EXPECT_NEAR(turns.rotationKeys[1].value.w, 0.70710678f, 1e-5f);
    EXPECT_FLOAT_EQ(scene->currentCamera.fieldOfView, 1.0f);
    EXPECT_FLOAT_EQ(scene->currentCamera.aspect, 0.0f);
    EXPECT_EQ(scene->currentCamera.name, "");
    EXPECT_TRUE(scene->objectBuffer && scene->lightsBuffer);

    // Without shader files every program is empty: drawing binds null shaders and shows nothing, safely.
    EXPECT_EQ(painted.program.vertexShader(), nullptr);
    scene->drawScene(context_, 2000.0, "Camera");
    EXPECT_TRUE(scene->cameraFound);
    EXPECT_EQ(scene->lightsBlock.count, 3);
}

TEST_F(SceneImportTest, ColladaWithoutNormalsOrAnimationOrTextures) {
    testing::internal::CaptureStdout();
    bool loaded = false;
    const auto scene = load("shape.dae", kCollada, &loaded);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // an ambient light is not reported
    ASSERT_TRUE(loaded);

    ASSERT_EQ(scene->meshes.size(), 1u);
    EXPECT_EQ(scene->meshes[0].indexCount, 3u);
    for (const MeshVertex& v : scene->meshes[0].vertices) EXPECT_EQ(v.normal[0] + v.normal[1] + v.normal[2], 0.0f);

    ASSERT_EQ(scene->materials.size(), 1u);
    const Material& material = scene->materials[0];
    EXPECT_EQ(material.name, "Shiny");
    EXPECT_FLOAT_EQ(material.specular[0], 0.8f);
    EXPECT_FLOAT_EQ(material.specular[2], 0.4f);
    EXPECT_FLOAT_EQ(material.shininess, 20.0f);
    EXPECT_FALSE(scene->sampler);  // no texture anywhere

    ASSERT_EQ(scene->lights.size(), 1u);
    EXPECT_TRUE(scene->lights[0].point);
    EXPECT_NE(scene->lights[0].node, nullptr);

    ASSERT_EQ(scene->cameras.size(), 1u);
    EXPECT_NEAR(scene->cameras[0].fieldOfView, 60.0f * 3.14159265f / 180.0f, 1e-4f);
    EXPECT_FLOAT_EQ(scene->cameras[0].nearClip, 0.5f);
    EXPECT_EQ(scene->cameras[0].channelIndex, -1);

    EXPECT_DOUBLE_EQ(scene->animationStart, 0.0);
    EXPECT_DOUBLE_EQ(scene->animationEnd, 1.0);
    EXPECT_EQ(scene->nodes.at(0).parentIndex, -1);
}

TEST_F(SceneImportTest, AFileThatCannotBeImportedLeavesAnEmptySceneThatDrawsNothing) {
    bool loaded = true;
    const auto scene = load("broken.gltf", "{ this is not a scene", &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(scene->meshes.empty());
    EXPECT_TRUE(scene->lights.empty());
    EXPECT_TRUE(scene->cameras.empty());
    EXPECT_TRUE(scene->nodes.empty());
    EXPECT_FALSE(scene->objectBuffer);
    scene->drawScene(context_, 0.0, "Camera");  // nothing to draw, nothing to crash on

    auto missing = std::make_unique<Scene>(device_, "Missing");
    EXPECT_FALSE(missing->load(u""));
}

TEST_F(SceneImportTest, ATextureThatCannotBeDecodedThrowsOutOfTheLoad) {
    std::filesystem::remove(dir.path() / "glow.png");
    dir.write("glow.png", "not an image");
    testing::internal::CaptureStdout();
    try {
        load("scene.gltf", sceneGltf());
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), HasSubstr("Unable to load texture file: "));
        EXPECT_THAT(error.what(), HasSubstr("glow.png"));
    }
    testing::internal::GetCapturedStdout();
}

// Texture names that point into the scene file, or at a folder of the machine the scene was made on, still find
// their image: a glb's "*0", "D:/projects/show/glow.png" beside the show's textures.
TEST_F(SceneImportTest, EmbeddedImagesAndPathsFromOtherMachinesLoad) {
    std::string gltf = sceneGltf();
    const std::string local = "\"uri\":\"glow.png\"";
    ASSERT_NE(gltf.find(local), std::string::npos);
    gltf.replace(gltf.find(local), local.size(), "\"uri\":\"D:/projects/show/glow.png\"");
    testing::internal::CaptureStdout();
    const auto scene = load("scene.gltf", gltf);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(scene->materials[0].textures[kEmissiveSlot].texture, nullptr);
    EXPECT_NE(scene->materials[0].textures[kEmissiveSlot].texture->view(), nullptr);

    const std::filesystem::path models = std::filesystem::path(DEMO_SOURCE_DIR) / "../shared/models";
    if (!std::filesystem::exists(models)) GTEST_SKIP() << "no shared models beside the project";
    std::size_t named = 0;
    for (const char* file : {"robot/robot.glb", "greenman/greenman.glb"}) {
        auto model = std::make_unique<Scene>(device_, "Model");
        model->manifest = manifest;
        testing::internal::CaptureStdout();
        bool loaded = false;
        EXPECT_NO_THROW(loaded = model->load(widenUtf8((models / file).string()))) << file;
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(loaded) << file;
        for (const Material& material : model->materials) {
            for (const TextureSlot& slot : material.textures) {
                if (slot.fileName.empty()) continue;
                ++named;
                EXPECT_TRUE(slot.texture && slot.texture->view()) << file << ": " << slot.fileName;
            }
        }
    }
    EXPECT_GT(named, 0u);  // greenman.glb names its embedded image "*0"
}

}  // namespace
