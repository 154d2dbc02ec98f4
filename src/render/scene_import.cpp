#include <cstdio>
#include <utility>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include "base/demo_logger.h"
#include "platform/process/system_path.h"
#include "render/scene.h"
#include "render/scene_file.h"
#include "base/wide_text.h"

namespace {

constexpr unsigned int kImportFlags = kSceneImportFlags;
static_assert(kImportFlags ==
              (aiProcess_CalcTangentSpace | aiProcess_JoinIdenticalVertices | aiProcess_MakeLeftHanded |
               aiProcess_Triangulate | aiProcess_LimitBoneWeights | aiProcess_ImproveCacheLocality |
               aiProcess_RemoveRedundantMaterials | aiProcess_SortByPType | aiProcess_FindDegenerates |
               aiProcess_FindInvalidData | aiProcess_GenUVCoords | aiProcess_TransformUVCoords |
               aiProcess_FindInstances | aiProcess_OptimizeMeshes | aiProcess_FlipUVs | aiProcess_FlipWindingOrder |
               aiProcess_SplitByBoneCount));

// Vertex data is stored as (x, z, -y).
void convert(const aiVector3D& v, float out[3]) {
    out[0] = v.x;
    out[1] = v.z;
    out[2] = -v.y;
}

}  // namespace

Scene::Scene(gpu::Device* device, std::string name)
    : device(device), logger(demoLogger()), name(std::move(name)), manifest(ResourceManifest::instance()) {}

bool Scene::load(const std::u16string& scenePath) {
    path = scenePath;
    Assimp::Importer importer;
    const std::string utf8Path = narrowToUtf8(path);
    logger->info("Attempting to load scene '{}' from path: {} ", name, utf8Path);

    const aiScene* imported = readSceneFile(importer, platform::systemPath(utf8Path), kImportFlags);
    if (!imported) {
        // Nothing to build from: the scene stays empty and draws nothing.
        logger->critical("Failed to load scene '{}' from path: {} ", name, utf8Path);
        return false;
    }

    loadLights(*imported);
    loadMeshes(*imported);
    loadMaterials(*imported);
    loadAnimations(*imported);
    loadCameras(*imported);
    if (imported->mRootNode) loadNode(*imported->mRootNode, -1);

    worldMatrices.assign(static_cast<std::size_t>(nodeCount), scene_math::identity());
    if (!cameras.empty()) {
        currentCamera.fieldOfView = cameras.front().fieldOfView;
        currentCamera.nearClip = cameras.front().nearClip;
        currentCamera.farClip = cameras.front().farClip;
    }
    linkLights();
    createConstantBuffers();
    flattenNodes();
    return true;
}

void Scene::loadLights(const aiScene& scene) {
    lights.clear();
    for (unsigned int i = 0; i < scene.mNumLights; ++i) {
        const aiLight& source = *scene.mLights[i];
        SceneLight light;
        light.name = source.mName.C_Str();
        light.colour[0] = source.mColorDiffuse.r;
        light.colour[1] = source.mColorDiffuse.g;
        light.colour[2] = source.mColorDiffuse.b;
        light.colour[3] = 0.0f;
        light.attenuationConstant = source.mAttenuationConstant;
        light.attenuationLinear = source.mAttenuationLinear;
        light.attenuationQuadratic = source.mAttenuationQuadratic;
        switch (source.mType) {
        case aiLightSource_DIRECTIONAL:
            light.point = false;
            break;
        case aiLightSource_POINT:
            light.point = true;
            break;
        case aiLightSource_SPOT:
            light.point = true;
            std::printf("Unsupported light type %s", light.name.c_str());
            break;
        case aiLightSource_UNDEFINED:
            light.point = false;
            std::printf("Unsupported light type %s", light.name.c_str());
            break;
        default:
            light.point = true;
            break;
        }
        lights.push_back(std::move(light));
    }
}

void Scene::loadMeshes(const aiScene& scene) {
    const std::u16string* vertexPath = manifest.findVertexShader("DefaultEngine");
    const std::u16string* pixelPath = manifest.findPixelShader("DefaultEngine");
    const std::u16string noPath;

    meshes.reserve(scene.mNumMeshes);
    for (unsigned int i = 0; i < scene.mNumMeshes; ++i) {
        const aiMesh& source = *scene.mMeshes[i];
        Mesh mesh;
        mesh.vertexCount = source.mNumVertices;
        mesh.faceCount = source.mNumFaces;
        const bool tangents = source.mTangents && source.mBitangents;
        const aiVector3D* uvs = source.mTextureCoords[0];
        mesh.vertices.resize(source.mNumVertices);
        for (unsigned int v = 0; v < source.mNumVertices; ++v) {
            MeshVertex& vertex = mesh.vertices[v];
            vertex = MeshVertex{};
            convert(source.mVertices[v], vertex.position);
            // A mesh without normals keeps zero normals; the scene shader leaves such surfaces unlit.
            if (source.mNormals) convert(source.mNormals[v], vertex.normal);
            if (tangents) {
                convert(source.mTangents[v], vertex.tangent);
                convert(source.mBitangents[v], vertex.bitangent);
            }
            if (uvs) {
                vertex.texcoord[0] = uvs[v].x;
                vertex.texcoord[1] = uvs[v].y;
            }
        }
        // Point and line faces (split into meshes of their own by the importer) are left out: only triangles
        // are drawn, and no face is read past its own indices.
        mesh.indices.reserve(static_cast<std::size_t>(source.mNumFaces) * 3);
        for (unsigned int f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            mesh.indices.insert(mesh.indices.end(), face.mIndices, face.mIndices + 3);
        }
        mesh.indexCount = static_cast<std::uint32_t>(mesh.indices.size());
        // A buffer's size is a 32-bit byte count: a mesh past it (over 76 million vertices) cannot be drawn, and
        // a wrapped size would give a buffer shorter than the indices reach.
        if (std::uint64_t(mesh.vertexCount) * sizeof(MeshVertex) > UINT32_MAX ||
            std::uint64_t(mesh.indexCount) * sizeof(std::uint32_t) > UINT32_MAX) {
            logger->error("Mesh {} of scene '{}' is too large to draw: {} vertices, {} indices", i, name,
                          mesh.vertexCount, mesh.indexCount);
            mesh.indexCount = 0;
            mesh.indices.clear();
            mesh.vertices.clear();
        }

        if (mesh.indexCount > 0) {
            gpu::BufferDesc vertexDesc;
            vertexDesc.ByteWidth = mesh.vertexCount * static_cast<std::uint32_t>(sizeof(MeshVertex));
            vertexDesc.BindFlags = gpu::BIND_VERTEX_BUFFER;
            gpu::SubresourceData vertexData;
            vertexData.pSysMem = mesh.vertices.data();
            device->CreateBuffer(vertexDesc, &vertexData, &mesh.vertexBuffer);

            gpu::BufferDesc indexDesc;
            indexDesc.ByteWidth = mesh.indexCount * static_cast<std::uint32_t>(sizeof(std::uint32_t));
            indexDesc.BindFlags = gpu::BIND_INDEX_BUFFER;
            gpu::SubresourceData indexData;
            indexData.pSysMem = mesh.indices.data();
            device->CreateBuffer(indexDesc, &indexData, &mesh.indexBuffer);

            ShaderProgram program(device);
            program.loadVertexShader((vertexPath ? *vertexPath : noPath).c_str(), "VertexMain");
            program.loadPixelShader((pixelPath ? *pixelPath : noPath).c_str(), "PixelMain");
            mesh.program = program;
        }
        mesh.materialIndex = source.mMaterialIndex;
        meshes.push_back(std::move(mesh));
    }
}

void Scene::loadCameras(const aiScene& scene) {
    for (unsigned int i = 0; i < scene.mNumCameras; ++i) {
        const aiCamera& source = *scene.mCameras[i];
        SceneCamera camera;
        camera.fieldOfView = source.mHorizontalFOV;
        camera.nearClip = source.mClipPlaneNear;
        camera.farClip = source.mClipPlaneFar;
        camera.aspect = source.mAspect;
        camera.name = source.mName.C_Str();
        camera.channelIndex = channelIndexOf(camera.name);
        cameras.push_back(std::move(camera));
    }
}

void Scene::loadNode(aiNode& source, std::int32_t parentIndex) {
    SceneNode node;
    node.index = nodeCount++;
    source.mTransformation.Transpose();
    node.localMatrix = std::make_unique<scene_math::Matrix>();
    const aiMatrix4x4& m = source.mTransformation;
    *node.localMatrix = scene_math::Matrix{
        {{m.a1, m.a2, m.a3, m.a4}, {m.b1, m.b2, m.b3, m.b4}, {m.c1, m.c2, m.c3, m.c4}, {m.d1, m.d2, m.d3, m.d4}}};
    node.name = source.mName.C_Str();
    node.parentIndex = parentIndex;
    node.channelIndex = channelIndexOf(node.name);
    node.meshIndices.assign(source.mMeshes, source.mMeshes + source.mNumMeshes);
    const std::int32_t index = node.index;
    nodes.emplace(index, std::move(node));
    for (unsigned int i = 0; i < source.mNumChildren; ++i) loadNode(*source.mChildren[i], index);
}

std::int32_t Scene::channelIndexOf(const std::string& nodeName) const {
    // The last channel for the name wins: a later animation's keys replace an earlier one's.
    for (auto it = channels.rbegin(); it != channels.rend(); ++it) {
        if (it->second.nodeName == nodeName) return it->first;
    }
    return -1;
}

void Scene::linkLights() {
    for (SceneLight& light : lights) {
        for (const auto& [index, node] : nodes) {
            if (node.name == light.name) {
                light.node = &node;
                break;
            }
        }
    }
}

void Scene::createConstantBuffers() {
    gpu::BufferDesc desc;
    desc.BindFlags = gpu::BIND_CONSTANT_BUFFER;
    desc.ByteWidth = sizeof(ObjectBlock);
    device->CreateBuffer(desc, nullptr, &objectBuffer);
    desc.ByteWidth = sizeof(LightsBlock);
    device->CreateBuffer(desc, nullptr, &lightsBuffer);
}
