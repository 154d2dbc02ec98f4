#include <assimp/material.h>
#include <assimp/scene.h>

#include "render/scene.h"

namespace {

// The importer's texture types in slot order.
constexpr aiTextureType kSlotTypes[kTextureSlotCount] = {
    aiTextureType_LIGHTMAP, aiTextureType_DIFFUSE, aiTextureType_NORMALS, aiTextureType_SPECULAR,
    aiTextureType_REFLECTION, aiTextureType_OPACITY, aiTextureType_EMISSIVE};

void copyColour(const aiColor4D& colour, float out[4]) {
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
    out[3] = colour.a;
}

}  // namespace

void Scene::loadMaterials(const aiScene& scene) {
    materials.resize(scene.mNumMaterials);
    for (unsigned int i = 0; i < scene.mNumMaterials; ++i) {
        const aiMaterial* source = scene.mMaterials[i];
        Material material;

        aiString text;
        if (aiGetMaterialString(source, "?mat.name", 0, 0, &text) == aiReturn_SUCCESS) material.name = text.C_Str();

        aiColor4D colour;
        if (aiGetMaterialColor(source, "$clr.diffuse", 0, 0, &colour) == aiReturn_SUCCESS) {
            copyColour(colour, material.diffuse);
        }
        if (aiGetMaterialColor(source, "$clr.ambient", 0, 0, &colour) == aiReturn_SUCCESS) {
            copyColour(colour, material.ambient);
        }
        if (aiGetMaterialColor(source, "$clr.specular", 0, 0, &colour) == aiReturn_SUCCESS) {
            copyColour(colour, material.specular);
        }
        if (aiGetMaterialColor(source, "$clr.emissive", 0, 0, &colour) == aiReturn_SUCCESS) {
            material.emissive = colour.g;
        }

        float value = 0.0f;
        unsigned int count = 1;
        if (aiGetMaterialFloatArray(source, "$mat.shininess", 0, 0, &value, &count) == aiReturn_SUCCESS) {
            material.shininess = value;
        }
        count = 1;
        if (aiGetMaterialFloatArray(source, "$mat.shinpercent", 0, 0, &value, &count) == aiReturn_SUCCESS) {
            for (float& component : material.specular) component *= value;
        }

        for (std::size_t slot = 0; slot < kTextureSlotCount; ++slot) {
            if (aiGetMaterialString(source, "$tex.file", kSlotTypes[slot], 0, &text) != aiReturn_SUCCESS) continue;
            material.textures[slot].fileName = text.C_Str();
            material.textures[slot].present = true;
            // A name the file resolves to an image inside it is read from there, not from the texture directory.
            if (const aiTexture* embedded = scene.GetEmbeddedTexture(text.C_Str())) {
                EmbeddedImage& image = embeddedImages[text.C_Str()];
                const std::size_t bytes = embedded->mHeight == 0
                                              ? std::size_t(embedded->mWidth)
                                              : std::size_t(embedded->mWidth) * embedded->mHeight * 4;
                const auto* data = reinterpret_cast<const std::uint8_t*>(embedded->pcData);
                image.bytes.assign(data, data + bytes);
                image.width = embedded->mWidth;
                image.height = embedded->mHeight;
            }
            if (slot == kNormalsSlot) material.normalMap = 1.0f;
        }
        materials[i] = std::move(material);
    }
    loadTextures();
}

void Scene::loadTextures() {
    bool anyTexture = false;
    for (Material& material : materials) {
        for (std::size_t slot = 0; slot < kTextureSlotCount; ++slot) {
            TextureSlot& entry = material.textures[slot];
            if (entry.fileName.empty()) continue;
            anyTexture = true;
            entry.texture = std::make_unique<Texture>();
            // The scene's own manifest copy names the directory (the same as every other copy's in a show).
            entry.texture->directory = Texture::directoryFromManifest(manifest);
            // Normal maps hold vectors, not colours: they are read without the sRGB curve.
            const auto embedded = embeddedImages.find(entry.fileName);
            if (embedded != embeddedImages.end()) {
                const EmbeddedImage& image = embedded->second;
                entry.texture->loadEmbedded(device, image.bytes.data(), image.bytes.size(), image.width, image.height,
                                            entry.fileName, slot != kNormalsSlot);
            } else {
                entry.texture->load(device, entry.fileName, slot != kNormalsSlot);
            }
        }
    }
    embeddedImages.clear();
    if (!anyTexture) return;

    // What differs from D3D11's default sampler (descs.h).
    gpu::SamplerDesc desc;
    desc.AddressU = gpu::TextureAddressMode::Wrap;
    desc.AddressV = gpu::TextureAddressMode::Wrap;
    desc.AddressW = gpu::TextureAddressMode::Wrap;
    desc.ComparisonFunc = gpu::ComparisonFunc::Always;
    for (float& component : desc.BorderColor) component = 0.0f;
    desc.MinLOD = 0.0f;
    device->CreateSamplerState(desc, &sampler);
}
