#include <cmath>

#include "render/scene.h"

using scene_math::Matrix;

namespace {

constexpr float kPi = 3.14159265358979323846f;
constexpr std::size_t kPrefetchDistance = 4;

// A camera whose values cannot make a projection (a scene without cameras) still gets a usable one.
bool usableProjection(const SceneCamera& camera) {
    return camera.fieldOfView > 0.0f && camera.fieldOfView < kPi && camera.nearClip > 0.0f &&
           camera.farClip > camera.nearClip;
}

}  // namespace

void Scene::flattenNodes() {
    nodeOrder.clear();
    drawItems.clear();
    for (auto& [index, node] : nodes) {
        nodeOrder.push_back(&node);
        for (std::uint32_t mesh : node.meshIndices) drawItems.push_back({index, mesh});
    }
}

void Scene::prepareFrame(double time, const std::string& cameraName, float outputAspect) {
    if (nodeOrder.size() != nodes.size()) flattenNodes();
    cameraFound = false;
    cameraWorld = scene_math::identity();
    for (const SceneCamera& camera : cameras) {
        if (camera.name != cameraName) continue;
        // Field by field: the name's storage is reused from frame to frame.
        currentCamera.fieldOfView = camera.fieldOfView;
        currentCamera.nearClip = camera.nearClip;
        currentCamera.farClip = camera.farClip;
        currentCamera.name = camera.name;
        currentCamera.channelIndex = camera.channelIndex;
        currentCamera.aspect = camera.aspect;
        cameraWorld = sampleCamera(camera, time);
        cameraFound = true;
        break;
    }
    // A camera the scene lacks leaves the identity view, seen through the current camera's projection.
    for (int i = 0; i < 4; ++i) objectBlock.cameraPosition[i] = cameraWorld.m[3][i];
    view = scene_math::inverse(cameraWorld);

    const float aspect = currentCamera.aspect > 0.0f ? currentCamera.aspect : outputAspect;
    if (usableProjection(currentCamera)) {
        projection = scene_math::perspective(currentCamera.fieldOfView, aspect, currentCamera.nearClip,
                                             currentCamera.farClip);
    } else {
        projection = scene_math::perspective(kPi / 4.0f, aspect, 0.1f, 1000.0f);
    }

    // Parents have smaller indices than their children, so one pass in index order sees every parent first.
    for (SceneNode* node : nodeOrder) {
        const Matrix parent = node->parentIndex < 0 ? scene_math::identity() : worldMatrices[node->parentIndex];
        worldMatrices[node->index] = scene_math::multiply(parent, sampleNode(*node, time));
    }

    lightsBlock.count = 0;
    for (const SceneLight& light : lights) {
        if (!light.node) continue;
        if (lightsBlock.count == LightsBlock::kMaxLights) break;
        LightSlot& slot = lightsBlock.lights[lightsBlock.count];
        const scene_math::Vector4 origin =
            light.point ? scene_math::Vector4{0, 0, 0, 1} : scene_math::Vector4{0, -1, 0, 0};
        const scene_math::Vector4 placed = scene_math::transform(origin, worldMatrices[light.node->index]);
        slot.position[0] = placed.x;
        slot.position[1] = placed.y;
        slot.position[2] = placed.z;
        slot.position[3] = placed.w;
        for (int i = 0; i < 4; ++i) slot.colour[i] = light.colour[i];
        slot.attenuation[0] = light.attenuationConstant;
        slot.attenuation[1] = light.attenuationLinear;
        slot.attenuation[2] = light.attenuationQuadratic;
        slot.padding = 0.0f;
        ++lightsBlock.count;
    }
}

void Scene::writeMaterial(ObjectBlock& block, const Material& material, bool textures) {
    for (int i = 0; i < 4; ++i) {
        block.diffuse[i] = material.diffuse[i];
        block.ambient[i] = material.ambient[i];
        block.specular[i] = material.specular[i];
    }
    block.emissive = material.emissive;
    block.shininess = material.shininess;
    block.normalMap = 0.0f;
    block.one = 1.0f;
    if (!textures) return;
    // -1.0 in a colour's fourth float (or in the emissive value) tells the shader to read the texture instead.
    if (material.textures[kDiffuseSlot].texture) block.diffuse[3] = -1.0f;
    if (material.textures[kSpecularSlot].texture) block.specular[3] = -1.0f;
    if (material.textures[kEmissiveSlot].texture) block.emissive = -1.0f;
    if (material.textures[kNormalsSlot].texture) block.normalMap = material.normalMap;
}

void Scene::bindMaterialTextures(gpu::DeviceContext* context, const Material& material) {
    gpu::SamplerState* samplers[1] = {sampler.get()};
    context->PSSetSamplers(0, 1, samplers);
    // Registers t0 to t3; views of an earlier mesh stay bound where this material has none.
    static constexpr std::size_t kBoundSlots[4] = {kDiffuseSlot, kSpecularSlot, kEmissiveSlot, kNormalsSlot};
    for (std::uint32_t reg = 0; reg < 4; ++reg) {
        const TextureSlot& slot = material.textures[kBoundSlots[reg]];
        if (!slot.texture) continue;
        gpu::ShaderResourceView* views[1] = {slot.texture->view()};
        context->PSSetShaderResources(reg, 1, views);
    }
}

void Scene::drawScene(gpu::DeviceContext* context, double time, const std::string& cameraName) {
    gpu::Viewport viewport;
    std::uint32_t viewportCount = 1;
    context->RSGetViewports(&viewportCount, &viewport);
    const float outputAspect =
        viewportCount > 0 && viewport.Height > 0.0f ? viewport.Width / viewport.Height : 16.0f / 9.0f;
    prepareFrame(time, cameraName, outputAspect);
    if (!objectBuffer || !lightsBuffer) return;

    context->UpdateSubresource(lightsBuffer.get(), 0, nullptr, &lightsBlock, 0, 0);
    gpu::Buffer* lightBuffers[1] = {lightsBuffer.get()};
    context->VSSetConstantBuffers(1, 1, lightBuffers);
    context->PSSetConstantBuffers(1, 1, lightBuffers);

    gpu::Buffer* objectBuffers[1] = {objectBuffer.get()};
    const Matrix viewProjection = scene_math::multiply(view, projection);
    // Nodes in index order and their meshes in order, as the node tree lists them.
    std::int32_t matricesOf = -1;
    for (std::size_t i = 0; i < drawItems.size(); ++i) {
        const DrawItem& item = drawItems[i];
        // With thousands of meshes their objects are rarely in cache: ask for those of later draws now, first the
        // mesh's own lines, then (once those have come) the buffer objects they point to.
        if (i + 2 * kPrefetchDistance < drawItems.size() && drawItems[i + 2 * kPrefetchDistance].mesh < meshes.size()) {
            const Mesh& far = meshes[drawItems[i + 2 * kPrefetchDistance].mesh];
            __builtin_prefetch(&far.program);
            __builtin_prefetch(&far.program.layout);
            __builtin_prefetch(&far.vertexBuffer);
        }
        if (i + kPrefetchDistance < drawItems.size() && drawItems[i + kPrefetchDistance].mesh < meshes.size()) {
            const Mesh& ahead = meshes[drawItems[i + kPrefetchDistance].mesh];
            if (ahead.vertexBuffer) ahead.vertexBuffer->prefetch();
            if (ahead.indexBuffer) ahead.indexBuffer->prefetch();
        }
        if (item.mesh >= meshes.size()) continue;
        if (item.node != matricesOf) {
            // Every mesh of a node shares its matrices; only the material part changes from mesh to mesh.
            matricesOf = item.node;
            objectBlock.world = worldMatrices[item.node];
            objectBlock.worldViewProjection = scene_math::multiply(objectBlock.world, viewProjection);
        }
        const Mesh& mesh = meshes[item.mesh];
        if (mesh.materialIndex >= materials.size()) continue;
        const Material& material = materials[mesh.materialIndex];
        writeMaterial(objectBlock, material, static_cast<bool>(sampler));
        if (sampler) bindMaterialTextures(context, material);
        context->UpdateSubresource(objectBuffer.get(), 0, nullptr, &objectBlock, 0, 0);
        context->VSSetConstantBuffers(0, 1, objectBuffers);
        context->PSSetConstantBuffers(0, 1, objectBuffers);
        mesh.drawMesh(context);
    }
}

void Mesh::drawMesh(gpu::DeviceContext* context) const {
    if (indexCount == 0) return;
    gpu::Buffer* buffers[1] = {vertexBuffer.get()};
    const std::uint32_t stride = sizeof(MeshVertex);
    const std::uint32_t offset = 0;
    context->IASetVertexBuffers(0, 1, buffers, &stride, &offset);
    context->IASetIndexBuffer(indexBuffer.get(), gpu::Format::R32_UINT, 0);
    context->IASetPrimitiveTopology(gpu::PrimitiveTopology::TriangleList);
    context->VSSetShader(program.vertexShader());
    context->PSSetShader(program.pixelShader());
    context->GSSetShader(nullptr);
    context->HSSetShader(nullptr);
    context->DSSetShader(nullptr);
    context->IASetInputLayout(program.inputLayout());
    context->DrawIndexed(indexCount, 0, 0);
}
