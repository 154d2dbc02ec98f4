#pragma once

// One scene file imported through Assimp: meshes with their GPU buffers and programs, materials and their
// textures, lights, cameras, the node tree and its animation channels, and the two constant buffers of the
// scene pass. Loaded once by a worker thread, then drawn by the engine thread every frame.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <spdlog/logger.h>

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "render/scene_animation.h"
#include "render/scene_math.h"
#include "render/shader_program.h"
#include "render/texture.h"
#include "resources/resource_manifest.h"

struct aiScene;
struct aiNode;

struct MeshVertex {
    float position[3];
    float normal[3];
    float tangent[3];
    float bitangent[3];
    float texcoord[2];
};
static_assert(sizeof(MeshVertex) == 56);

class Mesh {
public:
    void drawMesh(gpu::DeviceContext* context) const;

    ShaderProgram program;
    gpu::Ref<gpu::Buffer> vertexBuffer;
    gpu::Ref<gpu::Buffer> indexBuffer;
    std::uint32_t vertexCount = 0;
    std::uint32_t faceCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t materialIndex = 0;
    std::vector<MeshVertex> vertices;
    std::vector<std::uint32_t> indices;
};

// Material texture slots in the order the importer asks for them.
enum TextureSlotIndex : std::size_t {
    kLightmapSlot,
    kDiffuseSlot,
    kNormalsSlot,
    kSpecularSlot,
    kReflectionSlot,
    kOpacitySlot,
    kEmissiveSlot,
    kTextureSlotCount
};

struct TextureSlot {
    std::unique_ptr<Texture> texture;
    std::string fileName;
    bool present = false;
};

struct Material {
    float ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    std::string name;
    float shininess = 1.0f;
    float emissive = 0.0f;
    float normalMap = 0.0f;
    std::array<TextureSlot, kTextureSlotCount> textures;
};

struct SceneNode;

struct SceneLight {
    float colour[4] = {0, 0, 0, 0};
    float attenuationConstant = 0.0f;
    float attenuationLinear = 0.0f;
    float attenuationQuadratic = 0.0f;
    bool point = true;
    std::string name;
    const SceneNode* node = nullptr;
};

struct SceneCamera {
    float fieldOfView = 0.0f;
    float nearClip = 0.0f;
    float farClip = 0.0f;
    std::string name;
    std::int32_t channelIndex = -1;
    float aspect = 0.0f;
};

struct SceneNode {
    std::int32_t index = 0;
    std::string name;
    std::vector<std::uint32_t> meshIndices;
    std::int32_t parentIndex = -1;
    std::int32_t channelIndex = -1;
    std::unique_ptr<scene_math::Matrix> localMatrix;
    // Where the last frame's key search ended, per key list.
    std::int32_t positionHint = 0;
    std::int32_t rotationHint = 0;
    std::int32_t scalingHint = 0;
    const AnimationChannel* channel = nullptr;
};

// Constant buffer b0 of the scene pass.
struct ObjectBlock {
    scene_math::Matrix worldViewProjection;
    scene_math::Matrix world;
    float diffuse[4];
    float ambient[4];
    float specular[4];
    float emissive;
    float shininess;
    float normalMap;
    float one;
    float cameraPosition[4];
};
static_assert(sizeof(ObjectBlock) == 208);

struct LightSlot {
    float position[4];  // w = 1: a point light's position; w = 0: a directional light's direction
    float colour[4];
    float attenuation[3];
    float padding;
};

// Constant buffer b1 of the scene pass.
struct LightsBlock {
    static constexpr int kMaxLights = 8;
    LightSlot lights[kMaxLights];
    std::int32_t count;
    std::int32_t padding[3];
};
static_assert(sizeof(LightsBlock) == 400);

// What the importer is asked for: the left-handed conversion (MakeLeftHanded, FlipUVs, FlipWindingOrder),
// triangles, tangents and clean-up; normals are taken from the file only. (Assimp's aiProcess_* values.)
constexpr unsigned int kSceneImportFlags = 0x03BF9A0F;

class alignas(16) Scene {
public:
    Scene(gpu::Device* device, std::string name);
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Imports the file and builds everything the scene pass needs. False when the importer could not read the
    // file: the scene then stays empty and draws nothing. Throws when a material texture cannot be decoded.
    bool load(const std::u16string& path);

    void drawScene(gpu::DeviceContext* context, double time, const std::string& cameraName);

    // The CPU half of a frame: camera, view, projection, every node's world matrix and the lights block.
    // outputAspect stands in for a camera without an aspect ratio.
    void prepareFrame(double time, const std::string& cameraName, float outputAspect);
    // The local matrix of a node at `time`: its channel sampled (rotation x scaling x translation), else its
    // file matrix. Moves the node's key hints.
    scene_math::Matrix sampleNode(SceneNode& node, double time);
    // The world matrix of a camera at `time` from its own channel (rotation x translation x scaling).
    scene_math::Matrix sampleCamera(const SceneCamera& camera, double time) const;
    // Fills the per-object block's material part; `textures` says whether the scene binds material textures.
    static void writeMaterial(ObjectBlock& block, const Material& material, bool textures);
    const AnimationChannel* findChannel(std::int32_t index) const;

    gpu::Device* device;
    gpu::Ref<gpu::SamplerState> sampler;
    std::shared_ptr<spdlog::logger> logger;
    std::u16string path;
    std::string name;
    std::vector<Mesh> meshes;
    std::vector<SceneLight> lights;
    std::vector<SceneCamera> cameras;
    SceneCamera currentCamera;
    std::int32_t nodeCount = 0;
    ObjectBlock objectBlock{};
    LightsBlock lightsBlock{};
    gpu::Ref<gpu::Buffer> objectBuffer;
    gpu::Ref<gpu::Buffer> lightsBuffer;
    ResourceManifest manifest;
    std::map<std::int32_t, AnimationChannel> channels;
    std::map<std::int32_t, SceneNode> nodes;
    std::vector<Material> materials;
    std::vector<scene_math::Matrix> worldMatrices;
    double animationStart = 0.0;
    double animationEnd = 1.0;

    // What the last prepared frame used, for tools that report a frame.
    bool cameraFound = false;
    scene_math::Matrix cameraWorld = scene_math::identity();
    scene_math::Matrix view = scene_math::identity();
    scene_math::Matrix projection = scene_math::identity();

private:
    void loadLights(const aiScene& scene);
    void loadMeshes(const aiScene& scene);
    void loadMaterials(const aiScene& scene);
    void loadTextures();
    void loadAnimations(const aiScene& scene);
    void loadCameras(const aiScene& scene);
    void loadNode(aiNode& node, std::int32_t parentIndex);
    // The index of the channel that animates the named node or camera, -1 when none does.
    std::int32_t channelIndexOf(const std::string& nodeName) const;
    void linkLights();
    void createConstantBuffers();
    void bindMaterialTextures(gpu::DeviceContext* context, const Material& material);
    // The node tree as flat lists, made after loading (and again should nodes be added): a frame then walks
    // arrays instead of the map, which matters with thousands of nodes.
    void flattenNodes();

    // Nodes in ascending index order, and every (node, mesh) pair in drawing order.
    std::vector<SceneNode*> nodeOrder;
    struct DrawItem {
        std::int32_t node;
        std::uint32_t mesh;
    };
    std::vector<DrawItem> drawItems;

    // Images the scene file holds ("*0" in a glb, an FBX's embedded file), by the name a material gives them;
    // kept from loadMaterials to loadTextures only. height 0: the bytes of an image file.
    struct EmbeddedImage {
        std::vector<std::uint8_t> bytes;
        std::uint32_t width = 0, height = 0;
    };
    std::map<std::string, EmbeddedImage> embeddedImages;
};
